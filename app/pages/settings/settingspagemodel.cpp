#include "app/pages/settings/settingspagemodel.h"

#include "controls/addtoexceptionlst.h"

#include <algorithm>

namespace qm {

namespace {

const char* const kPermissionText =
    "Can't save your changes.  You don't have permission to update the program files.  "
    "Please ask your system administrator to assist you.";
const char* const kAppliedText = "New settings applied.";
const char* const kDefaultsText = "Default settings applied.";
const char* const kNoRevisionText =
    "File Revision functionality is not available with current options.";
const char* const kNoCompressionText =
    "Compression feature has not been enabled.  Please select Compression Type.";

} // namespace

namespace {

std::optional<std::string> askWithDialog(const std::string& prompt, const std::string& text,
                                         bool browse) {
    std::string line = text;
    if (TaddToExceptionLst::ask(nullptr, prompt, line, browse) != 1)
        return std::nullopt;
    return line;
}

} // namespace

TSettingsPageModel::TSettingsPageModel(MessageFn message, TExceptionListsModel::AskLine askLine)
    : message_(std::move(message)),
      exceptions_(
          message_, [this] { return exeptList_; },
          askLine ? std::move(askLine) : TExceptionListsModel::AskLine(askWithDialog)) {}

void TSettingsPageModel::changed() {
    if (onChanged)
        onChanged();
}

void TSettingsPageModel::ReadSettings() {
    TSettingsStore::Batch read(store_);
    winSizeIndex_ = store_.number(SettingId::Height) == kSmallHeight ? 0 : 1;
    setReminderDays(static_cast<int>(store_.number(SettingId::Reminder)));
    reminder_ = reminderDays_ != 0;
    compressionType_ = 0;
    setCompressionType(static_cast<int>(store_.number(SettingId::CompressionType)));
    level_ = static_cast<int>(store_.number(SettingId::Compression));
    const uint32_t encryption = store_.number(SettingId::Encryption);
    encryption_ = encryption > 0;
    keySizeIndex_ = encryption > 0 ? static_cast<int>(encryption) - 1 : 0;
    restoring_ = static_cast<int>(store_.number(SettingId::Restoring));
    log_ = store_.flag(SettingId::Log);
    revisions_ = static_cast<int>(store_.number(SettingId::Revision));
    revision_ = revisions_ != 0;
    exeptList_ = store_.flag(SettingId::ExeptList);
    saveSelection_ = store_.flag(SettingId::SaveSelection);
    autoLaunch_ = store_.flag(SettingId::AutoLaunch);
    autoStart_ = store_.flag(SettingId::AutoBackup);
    updater_ = store_.flag(SettingId::Updater);
    exceptions_.load(store_);
    changed();
}

bool TSettingsPageModel::WriteSettings(bool showMessage, bool windowShown) {
    TSettingsStore::Batch write(store_);
    store_.checkSettings();
    bool ok = true;
    if (windowShown) {
        const bool large = winSizeIndex_ == 1;
        ok = store_.setNumber(SettingId::Width, large ? kLargeWidth : kSmallWidth) &&
             store_.setNumber(SettingId::Height, large ? kLargeHeight : kSmallHeight);
    }
    ok = ok && store_.setNumber(SettingId::CompressionType, compressionType_) &&
         store_.setNumber(SettingId::Compression, level_) &&
         store_.setNumber(SettingId::Encryption, encryptionValue()) &&
         store_.setNumber(SettingId::Restoring, restoring_) &&
         store_.setFlag(SettingId::Log, log_) &&
         store_.setNumber(SettingId::Revision, revision_ ? revisions_ : 0) &&
         store_.setFlag(SettingId::ExeptList, exeptList_) &&
         store_.setNumber(SettingId::Reminder, reminder_ ? reminderDays_ : 0) &&
         store_.setFlag(SettingId::AutoLaunch, autoLaunch_) &&
         store_.setFlag(SettingId::AutoBackup, autoStart_) &&
         store_.setFlag(SettingId::SaveSelection, saveSelection_) &&
         store_.setFlag(SettingId::Updater, updater_) && write.commit();
    if (!ok) {
        message_(kMsgOk, kPermissionText);
        return false;
    }
    if (windowShown && resizeWindow)
        resizeWindow();
    if (showMessage)
        message_(kMsgOk, kAppliedText);
    return true;
}

bool TSettingsPageModel::FindChanges() const {
    TSettingsStore::Batch read(store_);
    if (auto stored = store_.stored(SettingId::Reminder);
        stored && static_cast<int>(*stored) != reminderDays_)
        return true;
    if (static_cast<int>(store_.number(SettingId::CompressionType)) != compressionType_)
        return true;
    if (static_cast<int>(store_.number(SettingId::Compression)) != level_)
        return true;
    const uint32_t height = store_.number(SettingId::Height);
    if ((height == kLargeHeight && winSizeIndex_ == 0) ||
        (height == kSmallHeight && winSizeIndex_ == 1))
        return true;
    const uint32_t encryption = store_.number(SettingId::Encryption);
    if ((encryption > 0) != encryption_)
        return true;
    if (encryption_ && static_cast<int>(encryption) - 1 != keySizeIndex_)
        return true;
    if (static_cast<int>(store_.number(SettingId::Restoring)) != restoring_)
        return true;
    if (store_.flag(SettingId::Log) != log_ || store_.flag(SettingId::AutoBackup) != autoStart_ ||
        store_.flag(SettingId::AutoLaunch) != autoLaunch_ ||
        store_.flag(SettingId::Updater) != updater_)
        return true;
    if (static_cast<int>(store_.number(SettingId::Revision)) != revisions_)
        return true;
    return store_.flag(SettingId::ExeptList) != exeptList_ ||
           store_.flag(SettingId::SaveSelection) != saveSelection_;
}

void TSettingsPageModel::SetDefSettings() {
    compressionType_ = 0;
    level_ = 1;
    encryption_ = false;
    keySizeIndex_ = 0;
    autoLaunch_ = false;
    autoStart_ = true;
    restoring_ = 0;
    log_ = true;
    saveSelection_ = true;
    revision_ = false;
    revisions_ = 0;
    exeptList_ = false;
    reminder_ = false;
    reminderDays_ = 0;
    updater_ = true;
    winSizeIndex_ = 0;
    changed();
}

void TSettingsPageModel::DefaultClick(bool windowShown) {
    SetDefSettings();
    if (!WriteSettings(false, windowShown))
        return;
    message_(kMsgOk, kDefaultsText);
    SetDefSettings();
}

TSettingsPageModel::WindowSize TSettingsPageModel::ApplyWindowSize() {
    TSettingsStore::Batch read(store_);
    WindowSize size;
    size.width = static_cast<int>(store_.stored(SettingId::Width).value_or(kSmallWidth));
    size.height = static_cast<int>(store_.stored(SettingId::Height).value_or(kSmallHeight));
    if (size.height == kSmallHeight) {
        size.outline = "REGION1";
        winSizeIndex_ = 0;
    } else if (size.height == kLargeHeight) {
        size.outline = "REGION2";
        winSizeIndex_ = 1;
    } else {
        size.outline = nullptr;
    }
    changed();
    return size;
}

void TSettingsPageModel::setWinSizeIndex(int index) {
    winSizeIndex_ = index == 1 ? 1 : 0;
    changed();
}

void TSettingsPageModel::setCompressionType(int type) {
    // The single-archive choice is hidden: a stored 1 shows, and is saved, as 2.
    if (type == 1)
        type = 2;
    if (type < 0 || type > 2)
        return;
    compressionType_ = type;
    changed();
}

void TSettingsPageModel::levelFocused() {
    levelBefore_ = level_;
}

bool TSettingsPageModel::changeLevel(int position, bool pageVisible) {
    if (levelTakesChange(pageVisible)) {
        level_ = std::clamp(position, 1, 9);
        changed();
        return true;
    }
    refuseLevelChange();
    return false;
}

void TSettingsPageModel::refuseLevelChange() {
    levelGuard_ = true;
    level_ = levelBefore_;
    changed();
    message_(kMsgOk, kNoCompressionText);
    levelGuard_ = false;
}

void TSettingsPageModel::setEncryption(bool on) {
    encryption_ = on;
    changed();
}

void TSettingsPageModel::setKeySizeIndex(int index) {
    keySizeIndex_ = std::clamp(index, 0, 2);
    changed();
}

void TSettingsPageModel::setRestoring(int index) {
    restoring_ = index == 1 ? 1 : 0;
    changed();
}

void TSettingsPageModel::setLog(bool on) {
    log_ = on;
    changed();
}

void TSettingsPageModel::setRevisionTick(bool on) {
    if (compressionType_ == 1)
        on = false;
    revision_ = on;
    revisions_ = on ? 1 : 0;
    changed();
}

void TSettingsPageModel::revisionTickReleased() {
    if (compressionType_ == 1)
        message_(kMsgOk, kNoRevisionText);
}

void TSettingsPageModel::setRevisions(int value) {
    revisions_ = std::clamp(value, 0, kMaxRevisions);
    if (revisions_ == 0)
        revision_ = false;
}

void TSettingsPageModel::revisionUp() {
    if (!revision_)
        return;
    setRevisions(revisions_ + 1);
    changed();
}

void TSettingsPageModel::revisionDown() {
    if (!revision_ || revisions_ <= 0)
        return;
    setRevisions(revisions_ - 1);
    changed();
}

void TSettingsPageModel::setReminderDays(int value) {
    reminderDays_ = std::clamp(value, 0, kMaxReminderDays);
    if (reminderDays_ == 0)
        reminder_ = false;
}

void TSettingsPageModel::setReminderTick(bool on) {
    reminder_ = on;
    if (on && reminderDays_ == 0)
        reminderDays_ = 1;
    if (!on)
        reminderDays_ = 0;
    changed();
}

void TSettingsPageModel::reminderUp() {
    if (!reminder_ || reminderDays_ >= kMaxReminderDays)
        return;
    setReminderDays(reminderDays_ + 1);
    changed();
}

void TSettingsPageModel::reminderDown() {
    if (!reminder_ || reminderDays_ <= 0)
        return;
    setReminderDays(reminderDays_ - 1);
    changed();
}

void TSettingsPageModel::setExeptList(bool on) {
    exeptList_ = on;
    changed();
}

void TSettingsPageModel::setSaveSelection(bool on) {
    saveSelection_ = on;
    changed();
}

void TSettingsPageModel::setAutoStart(bool on) {
    autoStart_ = on;
    changed();
}

void TSettingsPageModel::setAutoLaunch(bool on) {
    autoLaunch_ = on;
    changed();
}

void TSettingsPageModel::setUpdater(bool on) {
    updater_ = on;
    changed();
}

} // namespace qm
