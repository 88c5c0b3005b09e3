#include "updater/releaseinstaller.h"

#include "platform/dospath.h"
#include "platform/fileio.h"
#include "platform/lzexpand.h"
#include "platform/machinewideumask.h"
#include "platform/uninstlist.h"
#include "platform/updateswap.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

using Area = TStagingFolder::Area;

bool syncFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}

void syncFolder(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

std::string folderOf(const std::string& path) {
    return path.substr(0, path.rfind('/'));
}

} // namespace

TReleaseInstaller::TReleaseInstaller(const TInstallation& installation, TStagingFolder& staging)
    : installation_(installation), staging_(staging) {}

bool TReleaseInstaller::Install(const TRelease& release, std::string& error) {
    // Run by root, the release is for every user: the folders it makes are theirs to read.
    const MachineWideUmask readableByAll;
    for (const TReleaseFile& file : release.files)
        if (!prepare(file, error))
            return false;
    updatestaging::SwapRecord swap;
    for (const TReleaseFile& file : release.files) {
        swap.files.push_back(file.installPath);
        if (!makeFolders(file, swap.folders, error)) {
            removeFolders(swap.folders);
            return false;
        }
    }
    // On the disk before the first installed file moves: whoever finds the staging folder
    // after a crash takes the swap back from it.
    if (!updatestaging::WriteSwapRecord(staging_.hostRoot(), swap)) {
        error = "cannot write into " + staging_.hostRoot() + ": " + std::strerror(errno);
        updatestaging::EndSwap(staging_.hostRoot());
        removeFolders(swap.folders);
        return false;
    }
    for (const TReleaseFile& file : release.files)
        if (!swapIn(file, error))
            return rollBack();
    if (!record(release, swap.folders, error))
        return rollBack();
    std::set<std::string> folders;
    for (const TReleaseFile& file : release.files)
        folders.insert(folderOf(installation_.hostFolder + file.installPath));
    for (const std::string& folder : folders)
        syncFolder(folder);
    if (!updatestaging::EndSwap(staging_.hostRoot())) {
        error = "cannot finish the update in " + staging_.hostRoot() + ": " + std::strerror(errno);
        return rollBack();
    }
    return true;
}

// The mode the installed file has, so that the new one is as readable and as runnable
// as the file it replaces; a new file is readable by all, a program runnable by all.
uint32_t TReleaseInstaller::modeFor(const TReleaseFile& file) const {
    const bool program = sameTextDos(extractFileExt(file.windowsName), ".exe");
    struct stat info {};
    const std::string target = installation_.hostFolder + file.installPath;
    if (::lstat(target.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return program ? 0755 : 0644;
    uint32_t mode = info.st_mode & 0777;
    if (program) // each who may read it may run it
        mode |= (mode & 0444) >> 2;
    return mode;
}

bool TReleaseInstaller::prepare(const TReleaseFile& file, std::string& error) {
    const std::optional<std::string> ready = staging_.prepare(Area::Ready, file.installPath);
    if (!ready) {
        error = "cannot prepare " + file.installPath + " in " + staging_.hostPath(Area::Ready, "");
        return false;
    }
    const uint32_t mode = modeFor(file);
    const std::optional<uint32_t> date =
        file.day ? std::optional<uint32_t>(dateTimeToDos(*file.day)) : std::nullopt;
    if (file.expand) {
        const LzExpandResult expanded =
            LzExpandFile(staging_.dosPath(Area::Files, file.name),
                         staging_.dosPath(Area::Ready, file.installPath), {mode, date});
        if (!expanded.ok) {
            error = "\"" + file.name + "\" is not a valid compressed file (" + expanded.error + ")";
            return false;
        }
    } else {
        const std::string downloaded = staging_.hostPath(Area::Files, file.name);
        if (::rename(downloaded.c_str(), ready->c_str()) != 0 ||
            ::chmod(ready->c_str(), mode) != 0 ||
            (date && !setFileDosDateTime(staging_.dosPath(Area::Ready, file.installPath), *date))) {
            error = "cannot prepare " + file.installPath + ": " + std::strerror(errno);
            return false;
        }
    }
    if (!syncFile(*ready)) {
        error = "cannot write " + *ready + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool TReleaseInstaller::makeFolders(const TReleaseFile& file, std::vector<std::string>& made,
                                    std::string& error) {
    const std::string target = installation_.hostFolder + file.installPath;
    if (!makeFoldersBelow(installation_.hostFolder, file.installPath, &made)) {
        error = "cannot make the folder of " + target;
        return false;
    }
    struct stat info {};
    if (::lstat(target.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        error = target + " is a folder";
        return false;
    }
    return true;
}

bool TReleaseInstaller::swapIn(const TReleaseFile& file, std::string& error) {
    const std::string target = installation_.hostFolder + file.installPath;
    struct stat info {};
    if (::lstat(target.c_str(), &info) == 0) {
        const std::optional<std::string> previous =
            staging_.prepare(Area::Previous, file.installPath);
        if (!previous || !allowFileChange(FileChange::Rename, target) ||
            ::rename(target.c_str(), previous->c_str()) != 0) {
            error = "cannot move " + target + " aside: " + std::strerror(errno);
            return false;
        }
    }
    const std::string ready = staging_.hostPath(Area::Ready, file.installPath);
    if (!allowFileChange(FileChange::Rename, ready) ||
        ::rename(ready.c_str(), target.c_str()) != 0) {
        error = "cannot put " + target + " in place: " + std::strerror(errno);
        return false;
    }
    return true;
}

std::string TReleaseInstaller::dosPath(const std::string& installPath) const {
    std::string path = installation_.folder + installPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// The files in release order, then the folders made for them, each after what is in it.
bool TReleaseInstaller::record(const TRelease& release, const std::vector<std::string>& folders,
                               std::string& error) {
    std::vector<std::string> added;
    for (const TReleaseFile& file : release.files)
        added.push_back(dosPath(file.installPath));
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
        added.push_back(dosPath(*folder));
    switch (TUninstList::Add(installation_.folder, added, error)) {
    case TUninstList::AddOutcome::Added:
        return true;
    case TUninstList::AddOutcome::NoList:
        std::fprintf(stderr,
                     "updater: %s is missing or unreadable; an uninstall will remove only the "
                     "known files of the installation\n",
                     TUninstList::PathIn(installation_.folder).c_str());
        return true;
    case TUninstList::AddOutcome::Failed:
        error = "cannot record the new files: " + error;
        return false;
    }
    return false;
}

void TReleaseInstaller::removeFolders(const std::vector<std::string>& folders) const {
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        ::rmdir((installation_.hostFolder + *it).c_str());
}

bool TReleaseInstaller::rollBack() {
    if (updatestaging::RollBackSwap(installation_.hostFolder, staging_.hostRoot()))
        return false;
    // Some installed files are only in the staging folder now: it stays, and the next
    // run of the updater (or setup, or the uninstaller) puts them back.
    puttingBackFailed_ = true;
    staging_.keep();
    std::fprintf(stderr, "updater: the update in %s could not be taken back; it is kept\n",
                 staging_.hostRoot().c_str());
    return false;
}

} // namespace qm
