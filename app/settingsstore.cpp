#include "app/settingsstore.h"

#include "platform/registry.h"

#include <cctype>

namespace qm {

namespace {

bool openSettings(Registry& registry) {
    return registry.openKey(kSettingsKey, true);
}

} // namespace

uint32_t TSettingsStore::clamp(const SettingDef& def, uint32_t value) {
    if (def.type == SettingType::Bool)
        return value != 0 ? 1 : 0;
    if (value < def.minValue)
        return def.minValue;
    if (value > def.maxValue)
        return def.maxValue;
    return value;
}

void TSettingsStore::checkSettings() const {
    Registry registry;
    if (!openSettings(registry))
        return;
    for (const SettingDef& def : kSettings) {
        if (!def.hasDefault || registry.valueExists(def.name))
            continue;
        registry.writeDword(def.name, def.defaultValue); // a failure leaves it missing
    }
}

std::optional<uint32_t> TSettingsStore::stored(SettingId id) const {
    const SettingDef& def = settingDef(id);
    if (def.type == SettingType::String)
        return std::nullopt;
    Registry registry;
    if (!registry.openKeyReadOnly(kSettingsKey))
        return std::nullopt;
    uint32_t value = 0;
    if (registry.readDword(def.name, value) != RegistryStatus::Ok)
        return std::nullopt;
    return clamp(def, value);
}

uint32_t TSettingsStore::number(SettingId id) const {
    return stored(id).value_or(settingDef(id).defaultValue);
}

bool TSettingsStore::setNumber(SettingId id, uint32_t value) const {
    const SettingDef& def = settingDef(id);
    if (def.type == SettingType::String)
        return false;
    Registry registry;
    if (!openSettings(registry))
        return false;
    return registry.writeDword(def.name, clamp(def, value)) == RegistryStatus::Ok;
}

std::string TSettingsStore::mediaDrive() const {
    Registry registry;
    if (!registry.openKeyReadOnly(kSettingsKey))
        return {};
    std::string value;
    if (registry.readString(settingDef(SettingId::MediaDrive).name, value) != RegistryStatus::Ok)
        return {};
    for (char& c : value)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return value;
}

bool TSettingsStore::setMediaDriveFromCaption(const std::string& caption) const {
    if (caption.size() < 2)
        return false;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(caption[1])));
    Registry registry;
    if (!openSettings(registry))
        return false;
    return registry.writeString(settingDef(SettingId::MediaDrive).name, std::string(1, letter)) ==
           RegistryStatus::Ok;
}

} // namespace qm
