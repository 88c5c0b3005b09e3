#include "setup/uninstaller.h"

#include "platform/actingas.h"
#include "platform/autostartentry.h"
#include "platform/createdfolders.h"
#include "platform/dospath.h"
#include "platform/fileio.h"
#include "platform/fileoperations.h"
#include "platform/folderchain.h"
#include "platform/hivestore.h"
#include "platform/productkeys.h"
#include "platform/programfiles.h"
#include "platform/registry.h"
#include "platform/shellfolders.h"
#include "platform/shelllink.h"
#include "platform/uninstlist.h"
#include "platform/updatestaging.h"
#include "setup/setupkeys.h"
#include "setup/setupplaces.h"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

constexpr const char* kNotAllowed =
    "Quillmoor was installed by Administrator. You can't uninstall software.";
constexpr const char* kConfirm =
    "Uninstalling Quillmoor Program. Any backed up data will be unavailable for restoring on "
    "this computer! Are you sure you want to continue with uninstall?";
constexpr const char* kRunning = "Close \"Quillmoor Backup\" application and rerun uninstall";
constexpr const char* kDone = "Quillmoor has been successfully uninstalled.";
constexpr int kYes = 6;

// The files an installation and its programs keep in the install folder.
constexpr std::string_view kKnownFiles[] = {
    kMainProgramName,       kUpdaterName,       kUninstallerName,
    kUserFileName,          kLogFileName,       kSettingsFileName,
    TUninstList::kFileName, kCommonProgramName, TCreatedFolders::kFileName};

} // namespace

TUninstaller::TUninstaller(std::string installFolder, TUninstallEnvironment env)
    : folder_(includeTrailingBackslash(installFolder)), env_(std::move(env)) {}

bool TUninstaller::MachineUninstallKeyExists() const {
    return Registry(RegistryRoot::LocalMachine).keyExists(kUninstallKey);
}

bool TUninstaller::CanUninstall() const {
    if (MachineUninstallKeyExists() && env_.isAdmin())
        return true;
    return Registry(RegistryRoot::CurrentUser).keyExists(kUninstallKey);
}

bool TUninstaller::bbUninstalClick() {
    if (!CanUninstall()) {
        env_.message(0, kNotAllowed);
        return false;
    }
    if (env_.message(2, kConfirm) != kYes)
        return false;
    if (env_.mainWindowOpen && env_.mainWindowOpen()) {
        env_.message(0, kRunning);
        return false;
    }
    // Run by root, the removal goes through the folder by path: in a folder another user
    // may change, that user could lead root's deletes anywhere (and the folder named in a
    // user's registry may be any folder at all).
    const std::optional<std::string> host = toHostPath(folder_);
    if (::geteuid() == 0 && (!host || !staysRootOnly(*host))) {
        env_.message(0, "Quillmoor was not removed: " + host.value_or(folder_) +
                            " or a folder above it can be changed by another user than root, "
                            "so root removes nothing there. Please run the uninstall as the "
                            "user who installed Quillmoor.");
        return false;
    }
    // A reinstall killed half way is taken back first, so its leftovers go too.
    TidyAfterKilledRun(folder_, env_.isAdmin());
    // The uninstaller and its two records go last, once the registry no longer names the
    // installation: an uninstall cut short before that can be run again.
    const std::optional<std::vector<std::string>> made = TCreatedFolders::Read(folder_);
    DeleteInstalledFiles();
    if (!RemoveShortcutsAndKeys()) {
        env_.message(0, "Quillmoor could not be removed completely: its registry entries could "
                        "not be deleted. The uninstaller was kept; please run it again as the "
                        "user who installed Quillmoor.");
        return false;
    }
    RemoveProgramGroup();
    for (const std::string& path : removedLast())
        removeEntry(path, folder_);
    RemoveCreatedFolders(made);
    if (leftOver_.empty()) {
        env_.message(0, kDone);
        return true;
    }
    const std::string where = toHostPath(folder_).value_or(folder_);
    env_.message(0, "Quillmoor has been uninstalled, but " + std::to_string(leftOver_.size()) +
                        " of its files could not be removed from " + where +
                        ". You may delete them yourself.");
    return true;
}

std::vector<std::string> TUninstaller::removedLast() const {
    // The records after the uninstaller: setup takes a folder holding them for setup's.
    return {folder_ + hostProgramFile(kUninstallerName), TUninstList::PathIn(folder_),
            TCreatedFolders::PathIn(folder_)};
}

bool TUninstaller::isRemovedLast(const std::string& path) const {
    for (const std::string& last : removedLast())
        if (sameTextDos(path, last))
            return true;
    return false;
}

// Whether every folder on the way from `base` down to `path` is a real folder: a linked
// folder would carry the delete somewhere else.
bool TUninstaller::pathStaysBelow(const std::string& path, const std::string& base) {
    std::string walked = includeTrailingBackslash(base);
    const std::string rest = path.substr(std::min(path.size(), walked.size()));
    std::stringstream parts(rest);
    std::vector<std::string> names;
    for (std::string part; std::getline(parts, part, '\\');)
        names.push_back(part);
    for (size_t i = 0; i + 1 < names.size(); ++i) {
        walked += names[i];
        const auto host = toHostPath(walked);
        struct stat info {};
        if (!host || ::lstat(host->c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
            return false;
        walked += "\\";
    }
    return true;
}

void TUninstaller::removeEntry(const std::string& path, const std::string& base) {
    const auto host = toHostPath(path);
    struct stat info {};
    if (!host || !pathStaysBelow(path, base) || ::lstat(host->c_str(), &info) != 0)
        return;
    if (S_ISDIR(info.st_mode)) {
        if (allowFileChange(FileChange::RemoveFolder, path))
            ::rmdir(host->c_str()); // only when empty: what else is there is not ours
        return;
    }
    // A file or a link (removed as a link, never followed).
    if (!allowFileChange(FileChange::Delete, path) || ::unlink(host->c_str()) != 0)
        leftOver_.push_back(path);
}

void TUninstaller::DeleteInstalledFiles() {
    if (const auto host = toHostPath(folder_)) {
        updatestaging::RemoveStaleUpdateFolders(*host);
        // An update that could not be taken back keeps its staging folder (it may hold
        // the only copy of a file): what stays is told, never a plain success.
        struct stat info {};
        const std::string temp = *host + "/" + std::string(updatestaging::kTempFolder);
        if (::lstat(temp.c_str(), &info) == 0)
            leftOver_.push_back(folder_ + std::string(updatestaging::kTempFolder));
    }
    // Without a list nothing tells the installation's help pages from the user's files
    // beside them: only the files the programs are known by go.
    if (const auto listed = TUninstList::Read(folder_))
        for (const std::string& path : *listed)
            if (!isRemovedLast(path))
                removeEntry(path, folder_);
    for (std::string_view name : kKnownFiles)
        if (!isRemovedLast(folder_ + hostProgramFile(name)))
            removeEntry(folder_ + hostProgramFile(name), folder_);
}

void TUninstaller::RemoveCreatedFolders(const std::optional<std::vector<std::string>>& made) {
    // An installation made before setup kept the record: its folder, when empty, as then.
    const std::vector<std::string> folders =
        made ? *made : std::vector<std::string>{excludeTrailingBackslash(folder_)};
    for (const std::string& folder : folders) {
        const auto host = toHostPath(folder);
        struct stat info {};
        // Only a real, empty folder: never through a link, never what is in it.
        if (host && ::lstat(host->c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            ::rmdir(host->c_str());
    }
}

void TUninstaller::DeleteLinks(const std::string& subfolder, const char* linkFile, int kind) {
    const ShellFolderKind which = kind == 1 ? ShellFolderKind::Programs : ShellFolderKind::Desktop;
    for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
        if (root == RegistryRoot::LocalMachine && !env_.isAdmin())
            continue;
        const auto special = ShellFolder(root, which);
        if (!special)
            continue;
        const std::string folder = subfolder.empty() ? *special : *special + "\\" + subfolder;
        // The user's own with the user's rights, as setup wrote them.
        if (root == RegistryRoot::CurrentUser)
            asRealUser([&] { removeEntry(shellLinkPath(folder, linkFile), *special); });
        else
            removeEntry(shellLinkPath(folder, linkFile), *special);
    }
}

void TUninstaller::RemoveProgramGroup() {
    const std::string group = "\\" + std::string(setupkeys::kProgramGroup);
    if (auto programs = ShellFolder(RegistryRoot::CurrentUser, ShellFolderKind::Programs))
        asRealUser([&] { removeFolder(*programs + group); });
    if (MachineUninstallKeyExists() && env_.isAdmin())
        if (auto programs = ShellFolder(RegistryRoot::LocalMachine, ShellFolderKind::Programs))
            removeFolder(*programs + group);
}

bool TUninstaller::RemoveShortcutsAndKeys() {
    const std::string group(setupkeys::kProgramGroup);
    DeleteLinks(group, "Quillmoor.lnk", 1);
    DeleteLinks(group, "Uninstall.lnk", 1);
    DeleteLinks(group, "Quillmoor Updater.lnk", 1);
    DeleteLinks({}, "Quillmoor.lnk", 2);
    RemoveProgramGroup();
    const std::string qmoor =
        toHostPath(folder_ + hostProgramFile(kMainProgramName)).value_or(std::string());
    const bool admin = env_.isAdmin();
    bool removed = true;
    // A hive that cannot be read or changed keeps the entry as surely as a refusal does.
    const auto failed = [&](RegistryRoot root, std::string_view what, const Registry& registry) {
        std::fprintf(stderr, "setup: cannot delete %s in %s (%s)\n", std::string(what).c_str(),
                     HiveStore::rootName(root), registryStatusText(registry.lastStatus()));
        removed = false;
    };
    const auto keyGone = [&](RegistryRoot root, std::string_view key) {
        Registry keys(root);
        const bool there = keys.keyExists(key);
        if (keys.lastStatus() != RegistryStatus::Ok ||
            (there && (!keys.deleteKey(key) || keys.keyExists(key) ||
                       keys.lastStatus() != RegistryStatus::Ok)))
            failed(root, key, keys);
    };
    for (RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser}) {
        if (root == RegistryRoot::LocalMachine && !admin)
            continue;
        Registry run(root);
        const bool there = run.openKey(kRunKey, false) && run.valueExists(kMainProgramName);
        const RegistryStatus looked = run.lastStatus();
        if (there ? !run.deleteValue(kMainProgramName)
                  : looked != RegistryStatus::KeyMissing && looked != RegistryStatus::ValueMissing)
            failed(root, "the Run value", run);
        keyGone(root, setupkeys::kProductKey);
        if (root == RegistryRoot::LocalMachine)
            removeAutostartEntry(machineAutostartFolder(), qmoor);
        else
            asRealUser([&] { removeAutostartEntry(userAutostartFolder(), qmoor); });
    }
    // The file type is the administrator's: an ordinary user never had it written.
    if (admin) {
        keyGone(RegistryRoot::ClassesRoot, setupkeys::kBpaKey);
        keyGone(RegistryRoot::ClassesRoot, setupkeys::kBpaClassKey);
    }
    // The Uninstall keys go last: while the registry still names the installation, an
    // uninstall that failed here can be run again.
    if (!removed)
        return false;
    for (RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser})
        if (root != RegistryRoot::LocalMachine || admin)
            keyGone(root, kUninstallKey);
    return removed;
}

} // namespace qm
