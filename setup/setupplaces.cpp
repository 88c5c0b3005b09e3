#include "setup/setupplaces.h"

#include "platform/actingas.h"
#include "platform/autostartentry.h"
#include "platform/createdfolders.h"
#include "platform/dospath.h"
#include "platform/fileio.h"
#include "platform/fileoperations.h"
#include "platform/programfiles.h"
#include "platform/registry.h"
#include "platform/shellfolders.h"
#include "platform/shelllink.h"
#include "platform/stagedfile.h"
#include "platform/uninstlist.h"
#include "platform/updatestaging.h"
#include "setup/installjournal.h"
#include "setup/placingrecord.h"
#include "setup/setupkeys.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

bool realFolder(const std::string& dosPath) {
    const auto host = toHostPath(dosPath);
    struct stat info {};
    return host && ::lstat(host->c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The folder holds an installation, or what a killed install or reinstall left.
bool holdsInstallation(const std::string& folder) {
    return fileExists(TUninstList::PathIn(folder)) ||
           realFolder(folder + std::string(kHelpFolderName)) ||
           fileExists(folder + std::string(TPlacingRecord::kFileName));
}

// Deletes the temporaries a killed run left of the files setup writes beside its
// programs (the target's name + ".qmpart", then an optional number): no other file, and a
// link as a link.
void removeStagedTemporaries(const std::string& hostFolder) {
    const std::string_view targets[] = {kUserFileName, TUninstList::kFileName,
                                        TCreatedFolders::kFileName, TPlacingRecord::kFileName};
    std::error_code error;
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(hostFolder, error)) {
        const std::string name = entry.path().filename().string();
        for (std::string_view target : targets) {
            const std::string prefix = std::string(target) + StagedFile::kSuffix;
            if (name.starts_with(prefix) &&
                name.find_first_not_of("0123456789", prefix.size()) == std::string::npos &&
                !entry.is_directory(error))
                found.push_back(entry.path());
        }
    }
    for (const auto& path : found)
        ::unlink(path.c_str());
}

} // namespace

std::vector<std::string> SetupShortcutPathsOf(RegistryRoot root) {
    std::vector<std::string> paths;
    if (auto programs = ShellFolder(root, ShellFolderKind::Programs)) {
        const std::string group = *programs + "\\" + std::string(setupkeys::kProgramGroup);
        for (const char* link : {"Quillmoor.lnk", "Uninstall.lnk", "Quillmoor Updater.lnk"})
            paths.push_back(shellLinkPath(group, link));
    }
    if (auto desktop = ShellFolder(root, ShellFolderKind::Desktop))
        paths.push_back(shellLinkPath(*desktop, "Quillmoor.lnk"));
    return paths;
}

std::vector<std::string> SetupShortcutPaths(bool admin) {
    std::vector<std::string> paths = SetupShortcutPathsOf(RegistryRoot::CurrentUser);
    if (admin)
        for (std::string& path : SetupShortcutPathsOf(RegistryRoot::LocalMachine))
            paths.push_back(std::move(path));
    return paths;
}

void TidyAfterKilledRun(const std::string& installFolder, bool admin) {
    // The user's own places with the user's rights (see asRealUser).
    asRealUser([] {
        for (const std::string& link : SetupShortcutPathsOf(RegistryRoot::CurrentUser))
            if (auto host = toHostPath(link))
                TInstallJournal::PutBack(*host);
        TInstallJournal::PutBack(userAutostartFolder() + "/" + kAutostartFileName);
    });
    if (admin) {
        for (const std::string& link : SetupShortcutPathsOf(RegistryRoot::LocalMachine))
            if (auto host = toHostPath(link))
                TInstallJournal::PutBack(*host);
        TInstallJournal::PutBack(machineAutostartFolder() + "/" + kAutostartFileName);
    }
    const std::string folder = includeTrailingBackslash(installFolder);
    if (!realFolder(excludeTrailingBackslash(folder)) || !holdsInstallation(folder))
        return;
    if (auto host = toHostPath(folder)) {
        TInstallJournal::PutBackBelow(*host);
        removeStagedTemporaries(*host);
        // An update killed half way is taken back too (platform/updateswap.h).
        updatestaging::RemoveStaleUpdateFolders(*host);
    }
    const std::string staging = folder + std::string(kStagingFolderName);
    TPlacingRecord::TakeBack(folder, staging + "\\");
    if (realFolder(staging))
        deleteFolderTree(staging);
}

} // namespace qm
