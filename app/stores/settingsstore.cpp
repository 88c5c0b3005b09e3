#include "app/stores/settingsstore.h"

#include "platform/registry.h"

#include <cctype>

namespace qm {

TSettingsStore::TSettingsStore() = default;
TSettingsStore::~TSettingsStore() = default;

TSettingsStore::Batch::Batch(const TSettingsStore& store) : store_(store), outer_(!store.batch_) {
    if (!outer_)
        return;
    store_.batch_ = std::make_unique<Registry>();
    store_.batch_->beginBatch();
    // Created in the batch's copy only: a batch that only reads writes nothing.
    store_.batch_->openKey(kSettingsKey, true);
}

TSettingsStore::Batch::~Batch() {
    if (outer_)
        store_.batch_.reset();
}

bool TSettingsStore::Batch::commit() {
    if (!outer_)
        return true; // the outer batch writes
    if (!store_.batch_)
        return false;
    const bool ok = store_.batch_->commit() == RegistryStatus::Ok;
    store_.batch_.reset();
    return ok;
}

Registry* TSettingsStore::settingsKey(std::unique_ptr<Registry>& own, bool forWriting) const {
    if (batch_)
        return batch_->currentPath().empty() ? nullptr : batch_.get();
    own = std::make_unique<Registry>();
    const bool open =
        forWriting ? own->openKey(kSettingsKey, true) : own->openKeyReadOnly(kSettingsKey);
    return open ? own.get() : nullptr;
}

std::vector<std::string> TSettingsStore::valueNames(std::string_view subKey) const {
    std::unique_ptr<Registry> own;
    Registry* registry = settingsKey(own, false);
    return registry ? registry->valueNames(subKey) : std::vector<std::string>();
}

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
    if (!batch_) {
        Batch batch(*this); // a first start writes every default in one go
        checkSettings();
        batch.commit();
        return;
    }
    std::unique_ptr<Registry> own;
    Registry* registry = settingsKey(own, true);
    if (!registry)
        return;
    for (const SettingDef& def : kSettings) {
        if (!def.hasDefault || registry->valueExists(def.name))
            continue;
        registry->writeDword(def.name, def.defaultValue); // a failure leaves it missing
    }
}

std::optional<uint32_t> TSettingsStore::stored(SettingId id) const {
    const SettingDef& def = settingDef(id);
    if (def.type == SettingType::String)
        return std::nullopt;
    std::unique_ptr<Registry> own;
    Registry* registry = settingsKey(own, false);
    uint32_t value = 0;
    if (!registry || registry->readDword(def.name, value) != RegistryStatus::Ok)
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
    std::unique_ptr<Registry> own;
    Registry* registry = settingsKey(own, true);
    return registry && registry->writeDword(def.name, clamp(def, value)) == RegistryStatus::Ok;
}

std::string TSettingsStore::mediaDrive() const {
    std::unique_ptr<Registry> own;
    Registry* registry = settingsKey(own, false);
    std::string value;
    if (!registry ||
        registry->readString(settingDef(SettingId::MediaDrive).name, value) != RegistryStatus::Ok)
        return {};
    for (char& c : value)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return value;
}

bool TSettingsStore::setMediaDriveFromCaption(const std::string& caption) const {
    if (caption.size() < 2)
        return false;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(caption[1])));
    std::unique_ptr<Registry> own;
    Registry* registry = settingsKey(own, true);
    return registry && registry->writeString(settingDef(SettingId::MediaDrive).name,
                                             std::string(1, letter)) == RegistryStatus::Ok;
}

} // namespace qm
