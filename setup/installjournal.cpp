#include "setup/installjournal.h"

#include "platform/actingas.h"
#include "platform/dospath.h"
#include "platform/fileio.h"
#include "platform/registry.h"

#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

namespace qm {

namespace {

constexpr std::string_view kAsideSuffix = ".qmsetup-previous";

// Whether anything but a folder is at the host path (a dangling link counts).
bool entryAt(const std::string& host) {
    struct stat info {};
    return ::lstat(host.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

// The hidden name a file `name` is set aside under, beside it.
std::string asideName(const std::string& name) {
    return "." + name + std::string(kAsideSuffix);
}

// The name a set-aside file stands for; empty when `entry` is no such name.
std::string setAsideFor(const std::string& entry) {
    if (entry.size() <= 1 + kAsideSuffix.size() || entry.front() != '.' ||
        !entry.ends_with(kAsideSuffix))
        return {};
    return entry.substr(1, entry.size() - 1 - kAsideSuffix.size());
}

// Moves a set-aside file or link back to `host`; anything else at the aside name is not
// of this journal's making and stays.
void putBack(const std::string& aside, const std::string& host) {
    struct stat info {};
    if (::lstat(aside.c_str(), &info) == 0 && (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)))
        ::rename(aside.c_str(), host.c_str());
}

// A key with everything below it: each key's path and values, parents first.
struct KeyCopy {
    std::string path;
    std::vector<HiveValue> values;
};

bool readValue(const Registry& key, HiveValue& value) {
    switch (value.type) {
    case RegistryValueType::String:
        return key.readString(value.name, value.data) == RegistryStatus::Ok;
    case RegistryValueType::Binary:
        return key.readBinary(value.name, value.data) == RegistryStatus::Ok;
    case RegistryValueType::DWord:
        return key.readDword(value.name, value.number) == RegistryStatus::Ok;
    case RegistryValueType::None:
        break;
    }
    return false;
}

void writeValue(Registry& key, const HiveValue& value) {
    if (value.type == RegistryValueType::DWord)
        key.writeDword(value.name, value.number);
    else if (value.type == RegistryValueType::Binary)
        key.writeBinary(value.name, value.data);
    else
        key.writeString(value.name, value.data);
}

void copyKey(const HiveKey& key, const std::string& path, std::vector<KeyCopy>& out) {
    out.push_back({path, key.values});
    for (const auto& sub : key.subKeys)
        copyKey(*sub, path + "\\" + sub->name, out);
}

// The key at `path` with everything below it, as stored now, from one read of the hive;
// empty when the key is missing.
RegistryStatus copyKey(RegistryRoot root, const std::string& path, std::vector<KeyCopy>& out) {
    return HiveStore::read(root, [&](const HiveKey& hive) {
        const HiveKey* key = &hive;
        for (const std::string& name : splitKeyPath(path))
            if (!(key = key->findSubKey(name)))
                return RegistryStatus::Ok;
        copyKey(*key, path, out);
        return RegistryStatus::Ok;
    });
}

} // namespace

void TInstallJournal::FileWritten(std::string dosPath) {
    record([path = std::move(dosPath)] { deleteFile(path); });
}

void TInstallJournal::FolderCreated(std::string dosPath) {
    record([path = std::move(dosPath)] { removeFolder(path); });
}

bool TInstallJournal::CreateFolders(const std::string& dosPath, std::vector<std::string>* made) {
    const std::string folder = excludeTrailingBackslash(dosPath);
    if (folderExists(folder))
        return true;
    const std::string parent = extractFileDir(folder);
    if (parent == folder || !CreateFolders(parent, made))
        return false;
    if (!createFolderChain(folder))
        return false;
    FolderCreated(folder);
    if (made)
        made->push_back(folder);
    return true;
}

void TInstallJournal::noteValue(RegistryRoot root, std::string_view key, std::string_view name) {
    // The highest key on the way that does not exist yet goes with everything below it.
    std::string path;
    const std::string full(key);
    for (size_t at = 1; at <= full.size(); ++at) {
        if (at != full.size() && full[at] != '\\')
            continue;
        path = full.substr(0, at);
        const Registry probe(root);
        if (probe.keyExists(path))
            continue;
        // A hive that could not be read says nothing of which keys are new: taking them
        // as missing would have a rollback delete keys that were there before.
        if (probe.lastStatus() != RegistryStatus::Ok)
            return;
        record([root, path] { Registry(root).deleteKey(path); });
        return;
    }
    Registry registry(root);
    if (!registry.openKeyReadOnly(key))
        return;
    const std::string valueName(name);
    std::string text;
    uint32_t number = 0;
    if (registry.readString(name, text) == RegistryStatus::Ok) {
        record([root, full, valueName, text] {
            Registry r(root);
            if (r.openKey(full, false))
                r.writeString(valueName, text);
        });
    } else if (registry.readDword(name, number) == RegistryStatus::Ok) {
        record([root, full, valueName, number] {
            Registry r(root);
            if (r.openKey(full, false))
                r.writeDword(valueName, number);
        });
    } else {
        record([root, full, valueName] {
            Registry r(root);
            if (r.openKey(full, false))
                r.deleteValue(valueName);
        });
    }
}

RegistryStatus TInstallJournal::writeNoted(RegistryRoot root, std::string_view key,
                                           std::string_view name,
                                           const std::function<RegistryStatus(Registry&)>& write) {
    if (!HiveStore::writable(root))
        return RegistryStatus::AccessDenied;
    noteValue(root, key, name);
    Registry registry(root);
    if (!registry.openKey(key, true))
        return registry.lastStatus();
    return write(registry);
}

RegistryStatus TInstallJournal::WriteString(RegistryRoot root, std::string_view key,
                                            std::string_view name, std::string_view value) {
    return writeNoted(root, key, name, [&](Registry& r) { return r.writeString(name, value); });
}

RegistryStatus TInstallJournal::WriteDword(RegistryRoot root, std::string_view key,
                                           std::string_view name, uint32_t value) {
    return writeNoted(root, key, name, [&](Registry& r) { return r.writeDword(name, value); });
}

bool TInstallJournal::DeleteValue(RegistryRoot root, std::string_view key, std::string_view name) {
    if (!HiveStore::writable(root))
        return false;
    Registry registry(root);
    if (!registry.openKey(key, false))
        return registry.lastStatus() == RegistryStatus::KeyMissing;
    HiveValue saved;
    saved.name = std::string(name);
    saved.type = registry.valueType(name);
    if (saved.type == RegistryValueType::None)
        return registry.lastStatus() == RegistryStatus::ValueMissing;
    if (!readValue(registry, saved) || !registry.deleteValue(name))
        return false;
    record([root, path = std::string(key), saved] {
        Registry r(root);
        if (r.openKey(path, true))
            writeValue(r, saved);
    });
    return true;
}

bool TInstallJournal::DeleteKey(RegistryRoot root, std::string_view key) {
    if (!HiveStore::writable(root))
        return false;
    std::vector<KeyCopy> copy;
    if (copyKey(root, std::string(key), copy) != RegistryStatus::Ok)
        return false;
    Registry registry(root);
    if (copy.empty() || !registry.deleteKey(key))
        return copy.empty() || registry.lastStatus() == RegistryStatus::KeyMissing;
    record([root, copy = std::move(copy)] {
        Registry r(root);
        r.beginBatch();
        for (const KeyCopy& k : copy)
            r.replaceKey(k.path, k.values);
        r.commit();
    });
    return true;
}

bool TInstallJournal::SetAside(const std::string& dosPath) {
    const std::optional<std::string> host = toHostPath(dosPath);
    if (!host || !entryAt(*host))
        return !folderExists(dosPath);
    const std::string aside =
        includeTrailingBackslash(extractFileDir(dosPath)) + asideName(extractFileName(dosPath));
    if (!renameFile(dosPath, aside))
        return false;
    record([dosPath, aside] { renameFile(aside, dosPath); });
    onCommit([aside] { deleteFile(aside); });
    return true;
}

bool TInstallJournal::SetAsideHost(const std::string& hostPath) {
    if (!entryAt(hostPath))
        return true;
    const std::filesystem::path path(hostPath);
    const std::string aside = (path.parent_path() / asideName(path.filename().string())).string();
    if (::rename(hostPath.c_str(), aside.c_str()) != 0)
        return false;
    record([hostPath, aside] { ::rename(aside.c_str(), hostPath.c_str()); });
    onCommit([aside] { ::unlink(aside.c_str()); });
    return true;
}

void TInstallJournal::PutBack(const std::string& hostPath) {
    const std::filesystem::path path(hostPath);
    putBack((path.parent_path() / asideName(path.filename().string())).string(), hostPath);
}

void TInstallJournal::PutBackBelow(const std::string& hostFolder) {
    // The folder is read whole first: it changes as files are put back.
    std::vector<std::filesystem::directory_entry> entries;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(hostFolder, error))
        entries.push_back(entry);
    for (const auto& entry : entries) {
        if (entry.is_directory(error) && !entry.is_symlink(error)) {
            PutBackBelow(entry.path().string());
            continue;
        }
        const std::string original = setAsideFor(entry.path().filename().string());
        if (!original.empty())
            putBack(entry.path().string(), (entry.path().parent_path() / original).string());
    }
}

void TInstallJournal::Undo(std::function<void()> undo) {
    record(std::move(undo));
}

void TInstallJournal::record(std::function<void()> undo) {
    undo_.push_back(withCurrentRights(std::move(undo)));
}

void TInstallJournal::onCommit(std::function<void()> step) {
    commit_.push_back(withCurrentRights(std::move(step)));
}

void TInstallJournal::RollBack() {
    while (!undo_.empty()) {
        undo_.back()();
        undo_.pop_back();
    }
    commit_.clear();
}

void TInstallJournal::Commit() {
    for (const auto& step : commit_)
        step();
    commit_.clear();
    undo_.clear();
}

} // namespace qm
