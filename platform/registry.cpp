#include "platform/registry.h"

namespace qm {

namespace {

using Names = std::vector<std::string>;

HiveKey* walk(const HiveKey& root, const Names& names) {
    auto* key = const_cast<HiveKey*>(&root);
    for (const auto& name : names) {
        key = key->findSubKey(name);
        if (!key)
            return nullptr;
    }
    return key;
}

bool validKeyNames(const Names& names) {
    if (names.size() > kMaxKeyDepth)
        return false;
    for (const auto& name : names) {
        if (name.size() > kMaxKeyNameBytes)
            return false;
    }
    return true;
}

std::string joinNames(const Names& names) {
    std::string path;
    for (const auto& name : names)
        path += (path.empty() ? "" : "\\") + name;
    return path;
}

bool sameValue(const HiveValue& a, const HiveValue& b) {
    return a.type == b.type && a.data == b.data && a.number == b.number;
}

} // namespace

Registry::~Registry() = default;
Registry::Registry(Registry&&) noexcept = default;
Registry& Registry::operator=(Registry&&) noexcept = default;

RegistryStatus Registry::readHive(const Reader& reader) const {
    if (batch_)
        return reader(*batch_);
    return HiveStore::read(root_, reader);
}

RegistryStatus Registry::changeHive(Change change) {
    if (!HiveStore::writable(root_))
        return RegistryStatus::AccessDenied;
    // A look at the hive as stored first: most changes store what is there already
    // (keys opened with create, settings written back), and those need neither the
    // lock nor a write.
    std::unique_ptr<HiveKey> look;
    HiveKey* hive = batch_.get();
    if (!hive) {
        if (RegistryStatus status = HiveStore::load(root_, look); status != RegistryStatus::Ok)
            return status;
        hive = look.get();
    }
    bool changed = false;
    RegistryStatus status = change(*hive, changed);
    if (status != RegistryStatus::Ok || !changed)
        return status;
    if (batch_) {
        pending_.push_back(std::move(change));
        return RegistryStatus::Ok;
    }
    return HiveStore::update(root_, change);
}

RegistryStatus Registry::beginBatch() {
    discard();
    std::unique_ptr<HiveKey> hive;
    RegistryStatus status = HiveStore::load(root_, hive);
    if (status == RegistryStatus::Ok)
        batch_ = std::move(hive);
    remember(status);
    return status;
}

RegistryStatus Registry::commit() {
    if (!batch_)
        return RegistryStatus::Ok;
    std::vector<Change> changes = std::move(pending_);
    discard();
    if (changes.empty()) {
        remember(RegistryStatus::Ok);
        return RegistryStatus::Ok;
    }
    RegistryStatus status = HiveStore::update(root_, [&](HiveKey& hive, bool& changed) {
        for (const Change& change : changes) {
            bool one = false;
            if (RegistryStatus s = change(hive, one); s != RegistryStatus::Ok)
                return s;
            changed = changed || one;
        }
        return RegistryStatus::Ok;
    });
    remember(status);
    return status;
}

void Registry::discard() {
    batch_.reset();
    pending_.clear();
}

std::vector<std::string> Registry::resolve(std::string_view path) const {
    Names names = path.starts_with('\\') ? Names() : key_;
    for (auto& name : splitKeyPath(path))
        names.push_back(std::move(name));
    return names;
}

bool Registry::remember(RegistryStatus status) const {
    lastStatus_ = status;
    return status == RegistryStatus::Ok;
}

bool Registry::openKey(std::string_view path, bool canCreate) {
    Names names = resolve(path);
    if (!validKeyNames(names))
        return remember(RegistryStatus::InvalidName);
    if (!HiveStore::writable(root_))
        return remember(RegistryStatus::AccessDenied);
    RegistryStatus status = RegistryStatus::Ok;
    if (canCreate)
        status = makeKey(names) ? RegistryStatus::Ok : lastStatus_;
    else if (!keyExists(path))
        status = lastStatus_ == RegistryStatus::Ok ? RegistryStatus::KeyMissing : lastStatus_;
    if (status != RegistryStatus::Ok)
        return remember(status);
    key_ = std::move(names);
    readOnly_ = false;
    return remember(RegistryStatus::Ok);
}

bool Registry::openKeyReadOnly(std::string_view path) {
    Names names = resolve(path);
    if (!keyExists(path))
        return remember(lastStatus_ == RegistryStatus::Ok ? RegistryStatus::KeyMissing
                                                          : lastStatus_);
    key_ = std::move(names);
    readOnly_ = true;
    return remember(RegistryStatus::Ok);
}

void Registry::closeKey() {
    key_.clear();
    readOnly_ = false;
}

std::string Registry::currentPath() const {
    return joinNames(key_);
}

bool Registry::keyExists(std::string_view path) const {
    Names names = resolve(path);
    bool found = false;
    RegistryStatus status = readHive([&](const HiveKey& hive) {
        found = walk(hive, names) != nullptr;
        return RegistryStatus::Ok;
    });
    remember(status);
    return status == RegistryStatus::Ok && found;
}

bool Registry::createKey(std::string_view path) {
    // A reader opened read-only changes nothing, keys included.
    if (readOnly_)
        return remember(RegistryStatus::AccessDenied);
    return makeKey(resolve(path));
}

bool Registry::makeKey(const std::vector<std::string>& names) {
    if (names.empty() || !validKeyNames(names))
        return remember(RegistryStatus::InvalidName);
    return remember(changeHive([names](HiveKey& hive, bool& changed) {
        HiveKey* key = &hive;
        for (const auto& name : names) {
            changed = changed || !key->findSubKey(name);
            key = &key->subKeyOrCreate(name);
        }
        return RegistryStatus::Ok;
    }));
}

bool Registry::deleteKey(std::string_view path) {
    if (readOnly_)
        return remember(RegistryStatus::AccessDenied);
    Names names = resolve(path);
    if (names.empty())
        return remember(RegistryStatus::InvalidName);
    std::string last = names.back();
    names.pop_back();
    return remember(changeHive([names, last](HiveKey& hive, bool& changed) {
        HiveKey* parent = walk(hive, names);
        changed = parent && parent->removeSubKey(last);
        return changed ? RegistryStatus::Ok : RegistryStatus::KeyMissing;
    }));
}

bool Registry::replaceKey(std::string_view path, const std::vector<HiveValue>& values) {
    if (readOnly_)
        return remember(RegistryStatus::AccessDenied);
    const Names names = resolve(path);
    if (names.empty() || !validKeyNames(names))
        return remember(RegistryStatus::InvalidName);
    for (const HiveValue& value : values)
        if (value.name.size() > kMaxValueNameBytes)
            return remember(RegistryStatus::InvalidName);
    return remember(changeHive([names, values](HiveKey& hive, bool& changed) {
        HiveKey* key = &hive;
        for (const auto& name : names)
            key = &key->subKeyOrCreate(name);
        key->values.clear();
        key->subKeys.clear();
        for (const HiveValue& value : values) {
            if (HiveValue* same = key->findValue(value.name)) {
                const std::string first = same->name; // the first spelling stays
                *same = value;
                same->name = first;
            } else {
                key->values.push_back(value);
            }
        }
        changed = true;
        return RegistryStatus::Ok;
    }));
}

bool Registry::valueExists(std::string_view name) const {
    return valueType(name) != RegistryValueType::None;
}

RegistryValueType Registry::valueType(std::string_view name) const {
    RegistryValueType type = RegistryValueType::None;
    readOpenKey([&](const HiveKey& key) {
        const HiveValue* value = key.findValue(name);
        if (!value)
            return RegistryStatus::ValueMissing;
        type = value->type;
        return RegistryStatus::Ok;
    });
    return type;
}

std::vector<std::string> Registry::valueNames() const {
    Names names;
    readOpenKey([&](const HiveKey& key) {
        for (const auto& value : key.values)
            names.push_back(value.name);
        return RegistryStatus::Ok;
    });
    return names;
}

std::vector<std::string> Registry::valueNames(std::string_view path) const {
    const Names keyNames = resolve(path);
    Names names;
    remember(readHive([&](const HiveKey& hive) {
        const HiveKey* key = walk(hive, keyNames);
        if (!key)
            return RegistryStatus::KeyMissing;
        for (const auto& value : key->values)
            names.push_back(value.name);
        return RegistryStatus::Ok;
    }));
    return names;
}

std::vector<std::string> Registry::subKeyNames() const {
    Names names;
    readOpenKey([&](const HiveKey& key) {
        for (const auto& sub : key.subKeys)
            names.push_back(sub->name);
        return RegistryStatus::Ok;
    });
    return names;
}

RegistryStatus Registry::readValue(std::string_view name, RegistryValueType type,
                                   HiveValue& out) const {
    return readOpenKey([&](const HiveKey& key) {
        const HiveValue* value = key.findValue(name);
        if (!value)
            return RegistryStatus::ValueMissing;
        if (value->type != type)
            return RegistryStatus::WrongType;
        out = *value;
        return RegistryStatus::Ok;
    });
}

RegistryStatus Registry::readOpenKey(const Reader& reader) const {
    RegistryStatus status = readHive([&](const HiveKey& hive) {
        const HiveKey* key = walk(hive, key_);
        return key ? reader(*key) : RegistryStatus::KeyMissing;
    });
    remember(status);
    return status;
}

RegistryStatus Registry::readString(std::string_view name, std::string& out) const {
    HiveValue value;
    RegistryStatus status = readValue(name, RegistryValueType::String, value);
    if (status == RegistryStatus::Ok)
        out = std::move(value.data);
    return status;
}

RegistryStatus Registry::readDword(std::string_view name, uint32_t& out) const {
    HiveValue value;
    RegistryStatus status = readValue(name, RegistryValueType::DWord, value);
    if (status == RegistryStatus::Ok)
        out = value.number;
    return status;
}

RegistryStatus Registry::readBinary(std::string_view name, std::string& out) const {
    HiveValue value;
    RegistryStatus status = readValue(name, RegistryValueType::Binary, value);
    if (status == RegistryStatus::Ok)
        out = std::move(value.data);
    return status;
}

RegistryStatus Registry::writeValue(HiveValue value) {
    if (readOnly_) {
        remember(RegistryStatus::AccessDenied);
        return lastStatus_;
    }
    if (value.name.size() > kMaxValueNameBytes) {
        remember(RegistryStatus::InvalidName);
        return lastStatus_;
    }
    remember(changeHive([path = key_, value = std::move(value)](HiveKey& hive, bool& changed) {
        HiveKey* key = walk(hive, path);
        if (!key)
            return RegistryStatus::KeyMissing;
        if (HiveValue* existing = key->findValue(value.name)) {
            changed = !sameValue(*existing, value);
            const std::string spelling = existing->name; // the first spelling stays
            *existing = value;
            existing->name = spelling;
            return RegistryStatus::Ok;
        }
        key->values.push_back(value);
        changed = true;
        return RegistryStatus::Ok;
    }));
    return lastStatus_;
}

RegistryStatus Registry::writeString(std::string_view name, std::string_view text) {
    return writeValue({std::string(name), RegistryValueType::String, std::string(text), 0});
}

RegistryStatus Registry::writeDword(std::string_view name, uint32_t number) {
    return writeValue({std::string(name), RegistryValueType::DWord, {}, number});
}

RegistryStatus Registry::writeBinary(std::string_view name, std::string_view bytes) {
    return writeValue({std::string(name), RegistryValueType::Binary, std::string(bytes), 0});
}

bool Registry::deleteValue(std::string_view name) {
    if (readOnly_)
        return remember(RegistryStatus::AccessDenied);
    return remember(
        changeHive([path = key_, name = std::string(name)](HiveKey& hive, bool& changed) {
            HiveKey* key = walk(hive, path);
            if (!key)
                return RegistryStatus::KeyMissing;
            changed = key->removeValue(name);
            return changed ? RegistryStatus::Ok : RegistryStatus::ValueMissing;
        }));
}

bool IsAdmin() {
    Registry registry(RegistryRoot::LocalMachine);
    const std::string_view probe = "\\Software\\Quill_Moor_Tmp";
    if (registry.keyExists(probe) ? registry.deleteKey(probe)
                                  : registry.createKey(probe) && registry.deleteKey(probe))
        return true;
    // Only a refusal tells that the user may not change the machine's hive. A hive that is
    // busy (another program of root's holds its lock) or cannot be written just now says
    // nothing about the user's rights: the write that needs it fails and is reported.
    return registry.lastStatus() != RegistryStatus::AccessDenied;
}

} // namespace qm
