#include "setup/installer.h"

#include "platform/actingas.h"
#include "platform/autostartentry.h"
#include "platform/createdfolders.h"
#include "platform/datetime.h"
#include "platform/dospath.h"
#include "platform/fileio.h"
#include "platform/fileoperations.h"
#include "platform/folderchain.h"
#include "platform/lzexpand.h"
#include "platform/machinewideumask.h"
#include "platform/productkeys.h"
#include "platform/programfiles.h"
#include "platform/registry.h"
#include "platform/shellfolders.h"
#include "platform/shelllink.h"
#include "platform/stagedfile.h"
#include "platform/uninstlist.h"
#include "setup/placingrecord.h"
#include "setup/setupkeys.h"
#include "setup/setupplaces.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

constexpr const char* kWrongFolder = "Wrong folder name.";
constexpr const char* kReinstall = "Program already installed. Do you want to reinstall program?";
constexpr int kYes = 6;

bool isLink(const std::string& dosPath) {
    const auto host = toHostPath(dosPath);
    struct stat info {};
    return host && ::lstat(host->c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

} // namespace

TInstaller::TInstaller(TInstallOptions options, TInstallEnvironment env)
    : options_(std::move(options)), env_(std::move(env)) {}

std::string TInstaller::CheckedFolder(const std::string& typed) {
    std::string path = typed;
    while (!path.empty() && std::isspace(static_cast<unsigned char>(path.back())))
        path.pop_back();
    path.erase(0, path.find_first_not_of(" \t"));
    if (path.starts_with('/')) {
        const auto dos = toDosPath(std::filesystem::path(path).lexically_normal().string());
        path = dos ? *dos : std::string();
    }
    path = excludeTrailingBackslash(path);
    if (path.size() < 4 || !std::isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':' ||
        path[2] != '\\' || path.find('/') != std::string::npos)
        return {};
    std::stringstream parts(path.substr(3));
    for (std::string part; std::getline(parts, part, '\\');)
        if (!isValidDosName(part))
            return {};
    if (!toHostPath(path))
        return {};
    return includeTrailingBackslash(path);
}

bool TInstaller::IsAlreadyInstalled(const std::string& folder) {
    const std::string base = includeTrailingBackslash(folder);
    return fileExists(base + hostProgramFile(kMainProgramName)) &&
           folderExists(base + std::string(kHelpFolderName));
}

void TInstaller::progress(int step) const {
    if (env_.stepProgress)
        env_.stepProgress(step);
}

std::string TInstaller::stagingFolder() const {
    return folder_ + std::string(kStagingFolderName);
}

std::string TInstaller::program(std::string_view windowsName) const {
    return folder_ + hostProgramFile(windowsName);
}

TInstallOutcome TInstaller::fail(const std::string& error, const char* next) {
    const bool diskFull = errno == ENOSPC; // what stopped the step that failed
    if (!staging_.empty())
        deleteFolderTree(staging_);
    journal_.RollBack();
    TPlacingRecord::Remove(folder_); // what it names went with the rollback
    entries_.clear();
    if (diskFull) {
        env_.message(0, "The installation failed: " + error + ". The disk of " + folder_ +
                            " is full; nothing was installed. Please free some space on it, "
                            "or choose a folder on another disk, and try again.");
        return TInstallOutcome::StayOnOptions;
    }
    env_.message(0, "The installation failed: " + error + ". Nothing was installed; " + next);
    return TInstallOutcome::StayOnOptions;
}

TInstallOutcome TInstaller::failInRegistry() {
    return fail(registryError_, "please close any other Quillmoor program (another program may "
                                "be changing the registry) and try again.");
}

bool TInstaller::registryStep(RegistryRoot root, bool done) {
    if (!done && registryError_.empty())
        registryError_ = "the registry hive " + HiveStore::hivePath(root) + " could not be changed";
    return done;
}

bool TInstaller::registryStep(RegistryRoot root, RegistryStatus status) {
    return registryStep(root, status == RegistryStatus::Ok);
}

TInstallOutcome TInstaller::Install() {
    folder_ = CheckedFolder(options_.installFolder);
    const std::string folder = excludeTrailingBackslash(folder_);
    if (folder_.empty() || isLink(folder) || (!folderExists(folder) && fileExists(folder))) {
        env_.message(0, kWrongFolder);
        return TInstallOutcome::StayOnOptions;
    }
    // Run by root, every step below goes through the folder by path: a folder another
    // user may change (or whose parent they may change) could lead root's writes and
    // deletes anywhere, so root installs only where no one else can change a thing.
    const std::optional<std::string> host = toHostPath(folder);
    if (::geteuid() == 0 && (!host || !staysRootOnly(*host))) {
        env_.message(0, "Wrong folder name. " + host.value_or(folder) +
                            " or a folder above it can be changed by another user than root; "
                            "installed by root, Quillmoor needs a folder only root can change.");
        return TInstallOutcome::StayOnOptions;
    }
    // Root installs for the machine's users: what it makes is theirs to read and run.
    const MachineWideUmask readableByAll;
    // An earlier run killed half way is taken back before anything else looks at it.
    TidyAfterKilledRun(folder_, env_.isAdmin());
    if (folderExists(folder)) {
        const bool earlier = IsAlreadyInstalled(folder);
        // What an earlier installation (or an uninstall cut short) listed is setup's own;
        // anything else the install would overwrite is not, and refuses the folder. The
        // user's other files may stay beside the installation.
        const std::optional<std::vector<std::string>> listed = TUninstList::Read(folder_);
        if (!listFolder(folder).ok || (!earlier && wouldOverwrite(listed))) {
            env_.message(0, kWrongFolder);
            return TInstallOutcome::StayOnOptions;
        }
        if (earlier && env_.message(2, kReinstall) != kYes)
            return TInstallOutcome::StayOnOptions;
        oldEntries_ = listed.value_or(std::vector<std::string>());
        madeFolders_ = TCreatedFolders::Read(folder_).value_or(std::vector<std::string>());
    }
    if (!journal_.CreateFolders(folder, &madeFolders_)) {
        env_.message(0, kWrongFolder);
        return TInstallOutcome::StayOnOptions;
    }
    if (env_.showProgressPage)
        env_.showProgressPage();
    std::string error;
    if (!stage(error))
        return fail(error);
    // On the disk before the first file moves in: a run killed while it places them is
    // taken back by the next (TidyAfterKilledRun).
    std::vector<std::string> freshFiles, freshFolders;
    freshTargets(includeTrailingBackslash(staging_), {}, freshFiles, freshFolders);
    if (!TPlacingRecord::Write(folder_, freshFiles, freshFolders))
        return fail("cannot write " + folder_ + std::string(TPlacingRecord::kFileName));
    if (!placeFiles(staging_, folder, error))
        return fail(error);
    if (!TPlacingRecord::Remove(folder_))
        return fail("cannot delete " + folder_ + std::string(TPlacingRecord::kFileName));
    deleteFolderTree(staging_);
    staging_.clear();
    // From here on the earlier installation is taken apart only in ways the journal
    // puts back, so a failure leaves it working as it was.
    RemoveOldShortcuts();
    if (!CleanRegistry())
        return failInRegistry();
    if (!writeUserFile(error))
        return fail(error);
    // Every registry entry of the installation is written, or the install fails: the
    // machine's hives included (the file type too), which no other account can block.
    if (!CreateShortcutsAndKeys() || !RegisterFileAssociation())
        return failInRegistry();
    Registry uninstall(options_.allUsers ? RegistryRoot::LocalMachine : RegistryRoot::CurrentUser);
    if (!uninstall.keyExists(kUninstallKey))
        return fail("the Uninstall key could not be written");
    if (!writeFolderRecord(error))
        return fail(error);
    if (!TUninstList::Write(folder_, entries_))
        return fail("cannot write " + TUninstList::PathIn(folder_));
    journal_.Commit();
    RemoveOldFiles();
    return TInstallOutcome::Installed;
}

bool TInstaller::stage(std::string& error) {
    staging_ = stagingFolder();
    // A link under the staging folder's name is removed as a link, never followed: what
    // it points to must not be taken into the installation.
    if (isLink(staging_))
        deleteFile(staging_);
    if (folderExists(staging_))
        deleteFolderTree(staging_); // left by a run that was killed
    if (!createFolderChain(staging_) || isLink(staging_)) {
        error = "cannot create " + staging_;
        return false;
    }
    const std::string stage = includeTrailingBackslash(staging_);
    const std::string install = includeTrailingBackslash(options_.mediumFolder) + "Install\\";
    if (!DecompressAndCopy(install + "Qmoor.ex_", stage + hostProgramFile(kMainProgramName), true,
                           error) ||
        !DecompressAndCopy(install + "Updater.ex_", stage + hostProgramFile(kUpdaterName), false,
                           error))
        return false;
    progress(1);
    const std::string uninstaller = stage + hostProgramFile(kUninstallerName);
    if (!copyFileKeepingDate(options_.setupProgram, uninstaller)) {
        error = "cannot copy " + options_.setupProgram;
        return false;
    }
    progress(2);
    // The uninstaller's icon stays setup's: executables carry no icon resources here.
    progress(3);
    // The install stamp: the uninstaller's date is the moment of the install.
    if (!setFileDosDateTime(uninstaller, dateTimeToDos(now()))) {
        error = "cannot date " + uninstaller;
        return false;
    }
    progress(4);
    const std::string help = install + std::string(kHelpFolderName);
    if (folderExists(help) && !CopyFolder(stage + std::string(kHelpFolderName), help, error))
        return false;
    progress(5);
    progress(6);
    return true;
}

bool TInstaller::DecompressAndCopy(const std::string& source, const std::string& target,
                                   bool required, std::string& error) {
    if (!fileExists(source)) {
        if (required)
            error = "the install medium has no " + source;
        return !required;
    }
    const LzExpandResult result = LzExpandFile(source, target, {0755, std::nullopt});
    if (!result.ok)
        error = result.error;
    return result.ok;
}

bool TInstaller::CopyFolder(const std::string& target, const std::string& source,
                            std::string& error) {
    const FolderListing listing = listFolder(source);
    if (!listing.ok || !createFolderChain(target)) {
        error = "cannot copy " + source;
        return false;
    }
    for (const FolderEntry& entry : listing.entries) {
        if (entry.isLink)
            continue;
        const std::string from = includeTrailingBackslash(source) + entry.name;
        const std::string to = includeTrailingBackslash(target) + entry.name;
        if (entry.isFolder) {
            if (!CopyFolder(to, from, error))
                return false;
            continue;
        }
        if (!copyFileKeepingDate(from, to) || fileSize(to) != fileSize(from)) {
            error = "cannot copy " + from;
            return false;
        }
    }
    return true;
}

bool TInstaller::placeFiles(const std::string& from, const std::string& to, std::string& error) {
    const FolderListing listing = listFolder(from);
    if (!listing.ok) {
        error = "cannot read " + from;
        return false;
    }
    for (const FolderEntry& entry : listing.entries) {
        const std::string source = includeTrailingBackslash(from) + entry.name;
        const std::string target = includeTrailingBackslash(to) + entry.name;
        if (entry.isFolder) {
            if (isLink(target) || !journal_.CreateFolders(target) ||
                !placeFiles(source, target, error)) {
                if (error.empty())
                    error = "cannot create " + target;
                return false;
            }
            entries_.push_back(target);
            continue;
        }
        if (folderExists(target) || !journal_.SetAside(target) || !renameFile(source, target)) {
            error = "cannot write " + target;
            return false;
        }
        journal_.FileWritten(target);
        entries_.push_back(target);
    }
    return true;
}

// The files the install writes in the folder, relative to it: the programs, the
// bookkeeping files and the medium's help pages.
std::vector<std::string> TInstaller::installedFiles() const {
    std::vector<std::string> files;
    for (std::string_view name : {kMainProgramName, kUpdaterName, kUninstallerName, kUserFileName,
                                  TUninstList::kFileName, TCreatedFolders::kFileName})
        files.push_back(hostProgramFile(name));
    std::vector<std::string> folders = {std::string(kHelpFolderName)};
    const std::string help = includeTrailingBackslash(options_.mediumFolder) + "Install\\";
    while (!folders.empty()) {
        const std::string relative = folders.back();
        folders.pop_back();
        const FolderListing listing = listFolder(help + relative);
        for (const FolderEntry& entry : listing.entries) {
            if (entry.isLink)
                continue;
            (entry.isFolder ? folders : files).push_back(relative + "\\" + entry.name);
        }
    }
    return files;
}

bool TInstaller::wouldOverwrite(const std::optional<std::vector<std::string>>& listed) const {
    const auto isListed = [&](const std::string& path) {
        return listed && std::any_of(listed->begin(), listed->end(), [&](const std::string& line) {
                   return sameTextDos(line, path);
               });
    };
    for (const std::string& relative : installedFiles()) {
        // Setup's own records: what they hold is read, never lost.
        if (relative == TUninstList::kFileName || relative == TCreatedFolders::kFileName)
            continue;
        const std::string path = folder_ + relative;
        if ((isLink(path) || fileExists(path) || folderExists(path)) && !isListed(path))
            return true;
    }
    return false;
}

void TInstaller::freshTargets(const std::string& from, const std::string& relative,
                              std::vector<std::string>& files,
                              std::vector<std::string>& folders) const {
    for (const FolderEntry& entry : listFolder(from + relative).entries) {
        const std::string path = relative + entry.name;
        const std::string target = folder_ + path;
        const bool there = isLink(target) || fileExists(target) || folderExists(target);
        if (entry.isFolder) {
            if (!there)
                folders.push_back(path);
            freshTargets(from, path + "\\", files, folders);
        } else if (!there) {
            files.push_back(path);
        }
    }
}

void TInstaller::RemoveOldShortcuts() {
    // The user's own with the user's rights (see CreateShortcut).
    asRealUser([this] {
        for (const std::string& link : SetupShortcutPathsOf(RegistryRoot::CurrentUser))
            journal_.SetAside(link);
    });
    if (env_.isAdmin())
        for (const std::string& link : SetupShortcutPathsOf(RegistryRoot::LocalMachine))
            journal_.SetAside(link);
}

void TInstaller::RemoveOldFiles() {
    // What the earlier installation listed and this one did not put back: files first
    // (a link is removed as a link), then the folders that are empty now. Each is reached
    // from the install folder one real folder at a time: a folder of the installation that
    // became a link never carries a delete elsewhere.
    const std::optional<std::string> host = toHostPath(folder_);
    const UniqueFd base = host ? openFolderChain(*host) : UniqueFd();
    if (base.get() < 0)
        return;
    const std::string prefix = *host + (host->ends_with('/') ? "" : "/");
    const auto kept = [this](const std::string& path) {
        return path == TUninstList::PathIn(folder_) ||
               std::find(entries_.begin(), entries_.end(), path) != entries_.end();
    };
    for (const bool folders : {false, true}) {
        for (const std::string& path : oldEntries_) {
            const std::optional<std::string> entry = toHostPath(path);
            if (!kept(path) && entry && entry->starts_with(prefix))
                removeEntryBelow(base.get(), entry->substr(prefix.size()), folders);
        }
    }
}

bool TInstaller::CleanRegistry() {
    const bool admin = env_.isAdmin();
    std::vector<RegistryRoot> roots = {RegistryRoot::CurrentUser};
    if (admin)
        roots.push_back(RegistryRoot::LocalMachine);
    for (RegistryRoot root : roots) {
        if (!registryStep(root, journal_.DeleteValue(root, kRunKey, kMainProgramName)) ||
            !registryStep(root, journal_.DeleteKey(root, kUninstallKey)) ||
            (root == RegistryRoot::CurrentUser &&
             !registryStep(root, journal_.DeleteKey(root, setupkeys::kProductKey))))
            return false;
    }
    // The file type is the administrator's: an ordinary user's install leaves it alone.
    const RegistryRoot classes = RegistryRoot::ClassesRoot;
    return !admin || (registryStep(classes, journal_.DeleteKey(classes, setupkeys::kBpaKey)) &&
                      registryStep(classes, journal_.DeleteKey(classes, setupkeys::kBpaClassKey)));
}

bool TInstaller::writeUserFile(std::string& error) {
    if (options_.allUsers || !env_.isAdmin())
        return true;
    const std::string path = folder_ + std::string(kUserFileName);
    if (!journal_.SetAside(path) || !StagedFile::Replace(path, env_.userName)) {
        error = "cannot write " + path;
        return false;
    }
    journal_.FileWritten(path);
    entries_.push_back(path);
    return true;
}

bool TInstaller::writeFolderRecord(std::string& error) {
    const std::string path = TCreatedFolders::PathIn(folder_);
    if (!journal_.SetAside(path) || !TCreatedFolders::Write(folder_, madeFolders_)) {
        error = "cannot write " + path;
        return false;
    }
    journal_.FileWritten(path);
    entries_.push_back(path);
    return true;
}

bool TInstaller::CreateShortcutsAndKeys() {
    const uint32_t stamp = fileDosDateTime(program(kUninstallerName)).value_or(0);
    const RegistryRoot user = RegistryRoot::CurrentUser;
    if (!options_.autoStart &&
        !registryStep(user, journal_.WriteString(user, kProductRunKey, kAutoStartValue, "OFF")))
        return false;
    if (!registryStep(user, journal_.WriteDword(user, kProductRunKey, kInstallStampValue, stamp)))
        return false;
    const RegistryRoot root = options_.allUsers && env_.isAdmin() ? RegistryRoot::LocalMachine
                                                                  : RegistryRoot::CurrentUser;
    const std::string group(setupkeys::kProgramGroup);
    CreateShortcut(root, "Quillmoor.lnk", 2, group, kMainProgramName);
    CreateShortcut(root, "Uninstall.lnk", 2, group, kUninstallerName);
    CreateShortcut(root, "Quillmoor Updater.lnk", 2, group, kUpdaterName);
    CreateShortcut(root, "Quillmoor.lnk", 0, {}, kMainProgramName);
    return WriteRunKey(root == RegistryRoot::LocalMachine) &&
           WriteUninstallKey(root == RegistryRoot::LocalMachine);
}

void TInstaller::CreateShortcut(RegistryRoot root, std::string_view linkFile, int kind,
                                std::string_view subfolder, std::string_view target) {
    // One install belongs to one account: run by root for a user (sudo), the user's menu
    // and desktop entries go into that user's folders, written with the user's rights,
    // so they are the user's and nothing the user put there leads root's writes astray.
    if (root == RegistryRoot::CurrentUser) {
        asRealUser([&] { createShortcut(root, linkFile, kind, subfolder, target); });
        return;
    }
    createShortcut(root, linkFile, kind, subfolder, target);
}

void TInstaller::createShortcut(RegistryRoot root, std::string_view linkFile, int kind,
                                std::string_view subfolder, std::string_view target) {
    const std::string targetPath = program(target);
    if (!fileExists(targetPath))
        return;
    // An unknown special folder gets no shortcut: nothing lands at a drive root or in a
    // folder the desktop does not read. The menu's folder is made when a fresh account
    // has none yet (the desktop reads it once it is there); a missing desktop folder is
    // the user's choice.
    const auto special = ShellFolder(root, static_cast<ShellFolderKind>(kind));
    if (!special)
        return;
    const bool menu = static_cast<ShellFolderKind>(kind) == ShellFolderKind::Programs;
    if (!folderExists(*special) && !(menu && journal_.CreateFolders(*special)))
        return;
    std::string folder = *special;
    if (!subfolder.empty())
        folder += "\\" + std::string(subfolder);
    // A shortcut that cannot be set aside stays as it is rather than be lost on a rollback.
    if (!journal_.CreateFolders(folder) || !journal_.SetAside(shellLinkPath(folder, linkFile)))
        return;
    if (auto link = CreateShellLink(folder, linkFile, targetPath, folder_))
        journal_.FileWritten(*link);
}

bool TInstaller::WriteRunKey(bool allUsers) {
    // The Run value holds the command as Qmoor itself writes it: the program's host path.
    const std::string qmoor = toHostPath(program(kMainProgramName)).value_or(std::string());
    const std::string command = qmoor + " -w";
    // An entry there already (an earlier installation's) is set aside first, so that a
    // rollback puts it back.
    const auto entryPath = [](const std::string& folder) {
        return folder + "/" + kAutostartFileName;
    };
    const RegistryRoot root = allUsers ? RegistryRoot::LocalMachine : RegistryRoot::CurrentUser;
    if (!registryStep(root, journal_.WriteString(root, kRunKey, kMainProgramName, command)))
        return false;
    if (allUsers) {
        if (journal_.SetAsideHost(entryPath(machineAutostartFolder())) &&
            writeAutostartEntry(machineAutostartFolder(), qmoor, true))
            journal_.Undo([qmoor] { removeAutostartEntry(machineAutostartFolder(), qmoor); });
    } else {
        asRealUser([&] {
            if (journal_.SetAsideHost(entryPath(userAutostartFolder())) &&
                writeAutostartEntry(userAutostartFolder(), qmoor, options_.autoStart))
                journal_.Undo([qmoor] { removeAutostartEntry(userAutostartFolder(), qmoor); });
        });
    }
    const RegistryRoot user = RegistryRoot::CurrentUser;
    return registryStep(user, journal_.WriteString(user, kProductRunKey, kAutoStartValue,
                                                   options_.autoStart ? "ON" : "OFF"));
}

bool TInstaller::WriteUninstallKey(bool allUsers) {
    const RegistryRoot root = allUsers ? RegistryRoot::LocalMachine : RegistryRoot::CurrentUser;
    const std::string_view key = kUninstallKey;
    return registryStep(root, journal_.WriteString(root, key, "DisplayIcon",
                                                   folder_ + std::string(kMainProgramName))) &&
           registryStep(root,
                        journal_.WriteString(root, key, "DisplayName", setupkeys::kDisplayName)) &&
           registryStep(root, journal_.WriteString(root, key, "Version", setupkeys::kVersion)) &&
           registryStep(root, journal_.WriteString(root, key, kUninstallStringValue,
                                                   folder_ + std::string(kUninstallerName))) &&
           registryStep(root, journal_.WriteDword(root, key, "AllUsers", allUsers ? 1 : 0));
}

bool TInstaller::RegisterFileAssociation() {
    // The file type is the administrator's: an ordinary user's install leaves it alone.
    if (!env_.isAdmin())
        return true;
    const RegistryRoot root = RegistryRoot::ClassesRoot;
    const std::string qmoor = folder_ + std::string(kMainProgramName);
    const std::string classKey(setupkeys::kBpaClassKey);
    return registryStep(root,
                        journal_.WriteString(root, setupkeys::kBpaKey, "", "BackupArchive.1")) &&
           registryStep(root,
                        journal_.WriteString(root, classKey, "", "Quillmoor Backup Archive")) &&
           registryStep(
               root, journal_.WriteString(root, classKey + "\\DefaultIcon", "", qmoor + ", 1")) &&
           registryStep(root,
                        journal_.WriteString(root, classKey + "\\Shell\\Open\\Command", "", qmoor));
}

} // namespace qm
