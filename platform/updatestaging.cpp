#include "platform/updatestaging.h"

#include "platform/fileoperations.h"
#include "platform/updateswap.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <vector>

namespace qm::updatestaging {

namespace {

constexpr size_t kRandomLength = 6; // mkdtemp's "XXXXXX"
constexpr int kMakeAttempts = 3;

// Whether the folder open as `fd` holds nothing but the areas (real folders), the write
// test and the swap record (files): what a staging folder may hold at any moment of its
// life.
bool holdsOnlyStagingEntries(int fd) {
    DIR* dir = ::fdopendir(::dup(fd));
    if (!dir)
        return false;
    bool ours = true;
    while (dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat info {};
        if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            ours = false;
            break;
        }
        const bool area = std::find(kAreas.begin(), kAreas.end(), name) != kAreas.end();
        if (!(area && S_ISDIR(info.st_mode)) &&
            !((name == kWriteTestFile || name == kSwapRecordFile) && S_ISREG(info.st_mode))) {
            ours = false;
            break;
        }
    }
    ::closedir(dir);
    return ours;
}

// Removes the entry `name` of the folder open as `tempFd` when it is a staging folder
// that no running updater holds. The lock is kept until it is gone, so an updater that
// has just made a folder of that name either waits for it or sees it removed. A swap the
// run left unfinished is taken back first; a folder whose swap cannot be taken back stays,
// since it may hold the only copy of an installed file.
bool removeWhenStale(int installFd, int tempFd, const char* name) {
    UniqueFd fd(::openat(tempFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || info.st_uid != ::geteuid() ||
        !holdsOnlyStagingEntries(fd.get()))
        return false;
    // Held by a running updater, or a file system without locks: not ours to judge.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return false;
    if (!RollBackSwapAt(installFd, fd.get()))
        return false;
    return deleteFolderTreeAt(tempFd, name);
}

} // namespace

bool IsStagingName(std::string_view name) {
    if (name.size() != kPrefix.size() + kRandomLength || !name.starts_with(kPrefix))
        return false;
    return std::all_of(name.begin() + static_cast<long>(kPrefix.size()), name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

UniqueFd MakeStagingFolder(const std::string& temp, std::string& path) {
    for (int attempt = 0; attempt < kMakeAttempts; ++attempt) {
        std::string pattern = temp + "/" + std::string(kPrefix) + std::string(kRandomLength, 'X');
        if (!::mkdtemp(pattern.data()))
            return UniqueFd();
        UniqueFd fd(::open(pattern.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (fd.get() < 0)
            continue;
        // Another updater's clean-up may take the new folder for a stale one before it
        // is locked: then its lock is busy, or the folder is gone once the lock is ours.
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
            continue;
        struct stat info {};
        if (::fstat(fd.get(), &info) != 0 || info.st_nlink == 0)
            continue;
        path = pattern;
        return fd;
    }
    errno = EAGAIN;
    return UniqueFd();
}

int RemoveStaleUpdateFolders(const std::string& installHost) {
    UniqueFd install(::open(installHost.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (install.get() < 0)
        return 0;
    const std::string tempName(kTempFolder);
    UniqueFd temp(
        ::openat(install.get(), tempName.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (temp.get() < 0)
        return 0; // none, or a link: never followed
    DIR* dir = ::fdopendir(::dup(temp.get()));
    if (!dir)
        return 0;
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir))
        if (IsStagingName(entry->d_name))
            names.emplace_back(entry->d_name);
    ::closedir(dir);
    int removed = 0;
    for (const std::string& name : names)
        removed += removeWhenStale(install.get(), temp.get(), name.c_str()) ? 1 : 0;
    ::unlinkat(install.get(), tempName.c_str(), AT_REMOVEDIR); // only when empty
    return removed;
}

} // namespace qm::updatestaging
