#include "setup/uninstaller.h"

#include "platform/actingas.h"
#include "platform/autostartentry.h"
#include "platform/createdfolders.h"
#include "platform/dospath.h"
#include "platform/fileio.h"
#include "platform/fileoperations.h"
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
    // A reinstall killed half way is taken back first, so its leftovers go too.
    TidyAfterKilledRun(folder_, env_.isAdmin());
    // Read before the files go: the record is one of them.
    const std::optional<std::vector<std::string>> made = TCreatedFolders::Read(folder_);
    DeleteInstalledFiles();
    RemoveShortcutsAndKeys();
    RemoveProgramGroup();
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
        ::rmdir(host->c_str()); // only when empty: what else is there is not ours
        return;
    }
    // A file or a link (removed as a link, never followed).
    if (::unlink(host->c_str()) != 0)
        leftOver_.push_back(path);
}

void TUninstaller::DeleteInstalledFiles() {
    if (const auto host = toHostPath(folder_))
        updatestaging::RemoveStaleUpdateFolders(*host);
    const auto listed = TUninstList::Read(folder_);
    if (listed)
        for (const std::string& path : *listed)
            removeEntry(path, folder_);
    for (std::string_view name : kKnownFiles)
        removeEntry(folder_ + hostProgramFile(name), folder_);
    if (!listed) {
        // No list: the known files of an installation, the help pages with them.
        const std::string help = folder_ + std::string(kHelpFolderName);
        if (folderExists(help) && !deleteFolderTree(help))
            leftOver_.push_back(help);
    }
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

void TUninstaller::RemoveShortcutsAndKeys() {
    const std::string group(setupkeys::kProgramGroup);
    DeleteLinks(group, "Quillmoor.lnk", 1);
    DeleteLinks(group, "Uninstall.lnk", 1);
    DeleteLinks(group, "Quillmoor Updater.lnk", 1);
    DeleteLinks({}, "Quillmoor.lnk", 2);
    RemoveProgramGroup();
    const std::string qmoor =
        toHostPath(folder_ + hostProgramFile(kMainProgramName)).value_or(std::string());
    const bool admin = env_.isAdmin();
    for (RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser}) {
        if (root == RegistryRoot::LocalMachine && !admin)
            continue;
        Registry run(root);
        if (run.openKey(kRunKey, false))
            run.deleteValue(kMainProgramName);
        Registry keys(root);
        keys.deleteKey(kUninstallKey);
        keys.deleteKey(setupkeys::kProductKey);
        if (root == RegistryRoot::LocalMachine)
            removeAutostartEntry(machineAutostartFolder(), qmoor);
        else
            asRealUser([&] { removeAutostartEntry(userAutostartFolder(), qmoor); });
    }
    Registry classes(RegistryRoot::ClassesRoot);
    classes.deleteKey(setupkeys::kBpaKey);
    classes.deleteKey(setupkeys::kBpaClassKey);
}

} // namespace qm
