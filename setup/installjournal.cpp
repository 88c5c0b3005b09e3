#include "setup/installjournal.h"

#include "platform/dospath.h"
#include "platform/fileio.h"
#include "platform/registry.h"

namespace qm {

void TInstallJournal::FileWritten(std::string dosPath) {
    undo_.push_back([path = std::move(dosPath)] { deleteFile(path); });
}

void TInstallJournal::FolderCreated(std::string dosPath) {
    undo_.push_back([path = std::move(dosPath)] { removeFolder(path); });
}

bool TInstallJournal::CreateFolders(const std::string& dosPath) {
    const std::string folder = excludeTrailingBackslash(dosPath);
    if (folderExists(folder))
        return true;
    const std::string parent = extractFileDir(folder);
    if (parent == folder || !CreateFolders(parent))
        return false;
    if (!createFolderChain(folder))
        return false;
    FolderCreated(folder);
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
        if (Registry(root).keyExists(path))
            continue;
        undo_.push_back([root, path] { Registry(root).deleteKey(path); });
        return;
    }
    Registry registry(root);
    if (!registry.openKeyReadOnly(key))
        return;
    const std::string valueName(name);
    std::string text;
    uint32_t number = 0;
    if (registry.readString(name, text) == RegistryStatus::Ok) {
        undo_.push_back([root, full, valueName, text] {
            Registry r(root);
            if (r.openKey(full, false))
                r.writeString(valueName, text);
        });
    } else if (registry.readDword(name, number) == RegistryStatus::Ok) {
        undo_.push_back([root, full, valueName, number] {
            Registry r(root);
            if (r.openKey(full, false))
                r.writeDword(valueName, number);
        });
    } else {
        undo_.push_back([root, full, valueName] {
            Registry r(root);
            if (r.openKey(full, false))
                r.deleteValue(valueName);
        });
    }
}

RegistryStatus TInstallJournal::WriteString(RegistryRoot root, std::string_view key,
                                            std::string_view name, std::string_view value) {
    if (!HiveStore::writable(root))
        return RegistryStatus::AccessDenied;
    noteValue(root, key, name);
    Registry registry(root);
    if (!registry.openKey(key, true))
        return registry.lastStatus();
    return registry.writeString(name, value);
}

RegistryStatus TInstallJournal::WriteDword(RegistryRoot root, std::string_view key,
                                           std::string_view name, uint32_t value) {
    if (!HiveStore::writable(root))
        return RegistryStatus::AccessDenied;
    noteValue(root, key, name);
    Registry registry(root);
    if (!registry.openKey(key, true))
        return registry.lastStatus();
    return registry.writeDword(name, value);
}

void TInstallJournal::Undo(std::function<void()> undo) {
    undo_.push_back(std::move(undo));
}

void TInstallJournal::RollBack() {
    while (!undo_.empty()) {
        undo_.back()();
        undo_.pop_back();
    }
}

} // namespace qm
