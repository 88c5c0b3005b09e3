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

TSettingsPageModel::TSettingsPageModel(TSettingsInForce& settings, MessageFn message,
                                       TExceptionListsModel::AskLine askLine)
    : settings_(settings), message_(std::move(message)),
      exceptions_(message_, settings_,
                  askLine ? std::move(askLine) : TExceptionListsModel::AskLine(askWithDialog)) {}

void TSettingsPageModel::changed() {
    if (onChanged)
        onChanged();
}

void TSettingsPageModel::ReadSettings() {
    settings_.Load();
    exceptions_.reloaded();
    changed();
}

bool TSettingsPageModel::WriteSettings(bool showMessage, bool windowShown) {
    if (!settings_.Save(windowShown)) {
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
    return settings_.DiffersFromStored();
}

void TSettingsPageModel::SetDefSettings() {
    settings_.SetDefaults();
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
    const WindowSize size = settings_.LoadWindowSize();
    changed();
    return size;
}

void TSettingsPageModel::setWinSizeIndex(int index) {
    v().winSizeIndex = index == 1 ? 1 : 0;
    changed();
}

void TSettingsPageModel::setCompressionType(int type) {
    // The single-archive choice is hidden: a stored 1 shows, and is saved, as 2.
    const std::optional<int> shown = TSettingsInForce::ShownCompressionType(type);
    if (!shown)
        return;
    v().compressionType = *shown;
    changed();
}

void TSettingsPageModel::levelFocused() {
    levelBefore_ = v().level;
}

bool TSettingsPageModel::changeLevel(int position, bool pageVisible) {
    if (levelTakesChange(pageVisible)) {
        v().level = std::clamp(position, 1, 9);
        changed();
        return true;
    }
    refuseLevelChange();
    return false;
}

void TSettingsPageModel::refuseLevelChange() {
    levelGuard_ = true;
    v().level = levelBefore_;
    changed();
    message_(kMsgOk, kNoCompressionText);
    levelGuard_ = false;
}

void TSettingsPageModel::setEncryption(bool on) {
    v().encryption = on;
    changed();
}

void TSettingsPageModel::setKeySizeIndex(int index) {
    v().keySizeIndex = std::clamp(index, 0, 2);
    changed();
}

void TSettingsPageModel::setRestoring(int index) {
    v().restoring = index == 1 ? 1 : 0;
    changed();
}

void TSettingsPageModel::setLog(bool on) {
    v().log = on;
    changed();
}

void TSettingsPageModel::setRevisionTick(bool on) {
    if (v().compressionType == 1)
        on = false;
    v().revision = on;
    v().revisions = on ? 1 : 0;
    changed();
}

void TSettingsPageModel::revisionTickReleased() {
    if (v().compressionType == 1)
        message_(kMsgOk, kNoRevisionText);
}

void TSettingsPageModel::setRevisions(int value) {
    v().revisions = TSettingsInForce::ClampedRevisions(value);
    if (v().revisions == 0)
        v().revision = false;
}

void TSettingsPageModel::revisionUp() {
    if (!v().revision)
        return;
    setRevisions(v().revisions + 1);
    changed();
}

void TSettingsPageModel::revisionDown() {
    if (!v().revision || v().revisions <= 0)
        return;
    setRevisions(v().revisions - 1);
    changed();
}

void TSettingsPageModel::setReminderDays(int value) {
    v().reminderDays = TSettingsInForce::ClampedReminderDays(value);
    if (v().reminderDays == 0)
        v().reminder = false;
}

void TSettingsPageModel::setReminderTick(bool on) {
    v().reminder = on;
    if (on && v().reminderDays == 0)
        v().reminderDays = 1;
    if (!on)
        v().reminderDays = 0;
    changed();
}

void TSettingsPageModel::reminderUp() {
    if (!v().reminder || v().reminderDays >= kMaxReminderDays)
        return;
    setReminderDays(v().reminderDays + 1);
    changed();
}

void TSettingsPageModel::reminderDown() {
    if (!v().reminder || v().reminderDays <= 0)
        return;
    setReminderDays(v().reminderDays - 1);
    changed();
}

void TSettingsPageModel::setExeptList(bool on) {
    v().exeptList = on;
    changed();
}

void TSettingsPageModel::setSaveSelection(bool on) {
    v().saveSelection = on;
    changed();
}

void TSettingsPageModel::setAutoStart(bool on) {
    v().autoStart = on;
    changed();
}

void TSettingsPageModel::setAutoLaunch(bool on) {
    v().autoLaunch = on;
    changed();
}

void TSettingsPageModel::setUpdater(bool on) {
    v().updater = on;
    changed();
}

} // namespace qm
