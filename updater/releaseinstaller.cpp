#include "updater/releaseinstaller.h"

#include "platform/dospath.h"
#include "platform/fileio.h"
#include "platform/lzexpand.h"
#include "platform/uninstlist.h"

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

TReleaseInstaller::TReleaseInstaller(const TInstallation& installation,
                                     const TStagingFolder& staging)
    : installation_(installation), staging_(staging) {}

bool TReleaseInstaller::Install(const TRelease& release, std::string& error) {
    for (const TReleaseFile& file : release.files)
        if (!prepare(file, error))
            return false;
    std::vector<Swapped> swapped;
    for (const TReleaseFile& file : release.files) {
        if (swapIn(file, swapped, error))
            continue;
        rollBack(swapped);
        return false;
    }
    if (!record(release, swapped, error)) {
        rollBack(swapped);
        return false;
    }
    std::set<std::string> folders;
    for (const Swapped& s : swapped)
        folders.insert(folderOf(s.target));
    for (const std::string& folder : folders)
        syncFolder(folder);
    return true;
}

bool TReleaseInstaller::prepare(const TReleaseFile& file, std::string& error) {
    const std::optional<std::string> ready = staging_.prepare(Area::Ready, file.installPath);
    if (!ready) {
        error = "cannot prepare " + file.installPath + " in " + staging_.hostPath(Area::Ready, "");
        return false;
    }
    const uint32_t mode = sameTextDos(extractFileExt(file.windowsName), ".exe") ? 0755 : 0644;
    const uint32_t date = dateTimeToDos(file.day);
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
            !setFileDosDateTime(staging_.dosPath(Area::Ready, file.installPath), date)) {
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

bool TReleaseInstaller::swapIn(const TReleaseFile& file, std::vector<Swapped>& swapped,
                               std::string& error) {
    const std::string target = installation_.hostFolder + file.installPath;
    Swapped step{target, std::nullopt, {}};
    const auto failed = [&](const std::string& why) {
        error = why;
        removeFolders(step.folders);
        return false;
    };
    if (!makeFoldersBelow(installation_.hostFolder, file.installPath, &step.folders))
        return failed("cannot make the folder of " + target);
    struct stat info {};
    if (::lstat(target.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            return failed(target + " is a folder");
        const std::optional<std::string> previous =
            staging_.prepare(Area::Previous, file.installPath);
        if (!previous || ::rename(target.c_str(), previous->c_str()) != 0)
            return failed("cannot move " + target + " aside: " + std::strerror(errno));
        step.previous = previous;
    }
    const std::string ready = staging_.hostPath(Area::Ready, file.installPath);
    if (::rename(ready.c_str(), target.c_str()) != 0) {
        const std::string why = "cannot put " + target + " in place: " + std::strerror(errno);
        if (step.previous)
            ::rename(step.previous->c_str(), target.c_str());
        return failed(why);
    }
    swapped.push_back(std::move(step));
    return true;
}

std::string TReleaseInstaller::dosPath(const std::string& installPath) const {
    std::string path = installation_.folder + installPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// The files in release order, then the folders made for them, each after what is in it.
bool TReleaseInstaller::record(const TRelease& release, const std::vector<Swapped>& swapped,
                               std::string& error) {
    std::vector<std::string> added;
    for (const TReleaseFile& file : release.files)
        added.push_back(dosPath(file.installPath));
    for (auto step = swapped.rbegin(); step != swapped.rend(); ++step)
        for (auto folder = step->folders.rbegin(); folder != step->folders.rend(); ++folder)
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

void TReleaseInstaller::rollBack(const std::vector<Swapped>& swapped) const {
    for (auto it = swapped.rbegin(); it != swapped.rend(); ++it) {
        if (it->previous) {
            if (::rename(it->previous->c_str(), it->target.c_str()) != 0)
                std::fprintf(stderr, "updater: cannot put %s back: %s\n", it->target.c_str(),
                             std::strerror(errno));
        } else {
            ::unlink(it->target.c_str());
        }
        removeFolders(it->folders);
    }
}

} // namespace qm
