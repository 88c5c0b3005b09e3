#include "app/stores/settingsinforce.h"

#include <algorithm>

namespace qm {

std::optional<int> TSettingsInForce::ShownCompressionType(int type) {
    if (type == 1)
        type = 2;
    if (type < 0 || type > 2)
        return std::nullopt;
    return type;
}

int TSettingsInForce::ClampedRevisions(int value) {
    return std::clamp(value, 0, kMaxRevisions);
}

int TSettingsInForce::ClampedReminderDays(int value) {
    return std::clamp(value, 0, kMaxReminderDays);
}

void TSettingsInForce::Load() {
    TSettingsStore::Batch read(store_);
    TSettingValues& v = values_;
    v.winSizeIndex = store_.number(SettingId::Height) == kSmallHeight ? 0 : 1;
    v.reminderDays = ClampedReminderDays(static_cast<int>(store_.number(SettingId::Reminder)));
    v.reminder = v.reminderDays != 0;
    v.compressionType =
        ShownCompressionType(static_cast<int>(store_.number(SettingId::CompressionType)))
            .value_or(0);
    v.level = static_cast<int>(store_.number(SettingId::Compression));
    const uint32_t encryption = store_.number(SettingId::Encryption);
    v.encryption = encryption > 0;
    v.keySizeIndex = encryption > 0 ? static_cast<int>(encryption) - 1 : 0;
    v.restoring = static_cast<int>(store_.number(SettingId::Restoring));
    v.log = store_.flag(SettingId::Log);
    v.revisions = static_cast<int>(store_.number(SettingId::Revision));
    v.revision = v.revisions != 0;
    v.exeptList = store_.flag(SettingId::ExeptList);
    v.saveSelection = store_.flag(SettingId::SaveSelection);
    v.autoLaunch = store_.flag(SettingId::AutoLaunch);
    v.autoStart = store_.flag(SettingId::AutoBackup);
    v.updater = store_.flag(SettingId::Updater);
    fileExceptions_ = LoadFileExceptions(store_);
    extExceptions_ = LoadExtExceptions(store_);
}

bool TSettingsInForce::Save(bool windowSize) {
    TSettingsStore::Batch write(store_);
    store_.checkSettings();
    const TSettingValues& v = values_;
    bool ok = true;
    if (windowSize) {
        const bool large = v.winSizeIndex == 1;
        ok = store_.setNumber(SettingId::Width, large ? kLargeWidth : kSmallWidth) &&
             store_.setNumber(SettingId::Height, large ? kLargeHeight : kSmallHeight);
    }
    return ok && store_.setNumber(SettingId::CompressionType, v.compressionType) &&
           store_.setNumber(SettingId::Compression, v.level) &&
           store_.setNumber(SettingId::Encryption, encryptionValue()) &&
           store_.setNumber(SettingId::Restoring, v.restoring) &&
           store_.setFlag(SettingId::Log, v.log) &&
           store_.setNumber(SettingId::Revision, v.revision ? v.revisions : 0) &&
           store_.setFlag(SettingId::ExeptList, v.exeptList) &&
           store_.setNumber(SettingId::Reminder, v.reminder ? v.reminderDays : 0) &&
           store_.setFlag(SettingId::AutoLaunch, v.autoLaunch) &&
           store_.setFlag(SettingId::AutoBackup, v.autoStart) &&
           store_.setFlag(SettingId::SaveSelection, v.saveSelection) &&
           store_.setFlag(SettingId::Updater, v.updater) && write.commit();
}

bool TSettingsInForce::DiffersFromStored() const {
    TSettingsStore::Batch read(store_);
    const TSettingValues& v = values_;
    if (auto stored = store_.stored(SettingId::Reminder);
        stored && static_cast<int>(*stored) != v.reminderDays)
        return true;
    if (static_cast<int>(store_.number(SettingId::CompressionType)) != v.compressionType)
        return true;
    if (static_cast<int>(store_.number(SettingId::Compression)) != v.level)
        return true;
    const uint32_t height = store_.number(SettingId::Height);
    if ((height == kLargeHeight && v.winSizeIndex == 0) ||
        (height == kSmallHeight && v.winSizeIndex == 1))
        return true;
    const uint32_t encryption = store_.number(SettingId::Encryption);
    if ((encryption > 0) != v.encryption)
        return true;
    if (v.encryption && static_cast<int>(encryption) - 1 != v.keySizeIndex)
        return true;
    if (static_cast<int>(store_.number(SettingId::Restoring)) != v.restoring)
        return true;
    if (store_.flag(SettingId::Log) != v.log || store_.flag(SettingId::AutoBackup) != v.autoStart ||
        store_.flag(SettingId::AutoLaunch) != v.autoLaunch ||
        store_.flag(SettingId::Updater) != v.updater)
        return true;
    if (static_cast<int>(store_.number(SettingId::Revision)) != v.revisions)
        return true;
    return store_.flag(SettingId::ExeptList) != v.exeptList ||
           store_.flag(SettingId::SaveSelection) != v.saveSelection;
}

TSettingsInForce::WindowSize TSettingsInForce::LoadWindowSize() {
    TSettingsStore::Batch read(store_);
    WindowSize size;
    size.width = static_cast<int>(store_.stored(SettingId::Width).value_or(kSmallWidth));
    size.height = static_cast<int>(store_.stored(SettingId::Height).value_or(kSmallHeight));
    if (size.height == kSmallHeight) {
        size.outline = "REGION1";
        values_.winSizeIndex = 0;
    } else if (size.height == kLargeHeight) {
        size.outline = "REGION2";
        values_.winSizeIndex = 1;
    } else {
        size.outline = nullptr;
    }
    return size;
}

bool TSettingsInForce::excludes(const std::string& name) const {
    return values_.exeptList && IsExcepted(name, fileExceptions_, extExceptions_);
}

} // namespace qm
