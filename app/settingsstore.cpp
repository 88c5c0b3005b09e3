#include "app/settingsstore.h"

#include "platform/registry.h"

#include <cctype>

namespace qm {

namespace {

bool openSettings(Registry& registry) {
    return registry.openKey(kSettingsKey, true);
}

} // namespace

uint32_t TSettingsStore::clamp(const SettingSpec& spec, uint32_t value) {
    if (spec.type == SettingType::Bool)
        return value != 0 ? 1 : 0;
    if (value < spec.minValue)
        return spec.minValue;
    if (value > spec.maxValue)
        return spec.maxValue;
    return value;
}

void TSettingsStore::checkSettings() const {
    Registry registry;
    if (!openSettings(registry))
        return;
    for (const SettingSpec& spec : kSettings) {
        if (!spec.hasDefault || registry.valueExists(spec.name))
            continue;
        registry.writeDword(spec.name, spec.defaultValue); // a failure leaves it missing
    }
}

std::optional<uint32_t> TSettingsStore::stored(SettingId id) const {
    const SettingSpec& spec = settingSpec(id);
    if (spec.type == SettingType::String)
        return std::nullopt;
    Registry registry;
    if (!registry.openKeyReadOnly(kSettingsKey))
        return std::nullopt;
    uint32_t value = 0;
    if (registry.readDword(spec.name, value) != RegistryStatus::Ok)
        return std::nullopt;
    return clamp(spec, value);
}

uint32_t TSettingsStore::number(SettingId id) const {
    return stored(id).value_or(settingSpec(id).defaultValue);
}

bool TSettingsStore::setNumber(SettingId id, uint32_t value) const {
    const SettingSpec& spec = settingSpec(id);
    if (spec.type == SettingType::String)
        return false;
    Registry registry;
    if (!openSettings(registry))
        return false;
    return registry.writeDword(spec.name, clamp(spec, value)) == RegistryStatus::Ok;
}

std::string TSettingsStore::mediaDrive() const {
    Registry registry;
    if (!registry.openKeyReadOnly(kSettingsKey))
        return {};
    std::string value;
    if (registry.readString(settingSpec(SettingId::MediaDrive).name, value) != RegistryStatus::Ok)
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
    return registry.writeString(settingSpec(SettingId::MediaDrive).name, std::string(1, letter)) ==
           RegistryStatus::Ok;
}

} // namespace qm
