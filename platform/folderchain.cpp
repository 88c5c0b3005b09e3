#include "platform/folderchain.h"

#include "platform/writeall.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <deque>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

constexpr int kMaxLinks = 40;

std::deque<std::string> components(std::string_view path) {
    std::deque<std::string> parts;
    size_t at = 0;
    while (at < path.size()) {
        const size_t slash = std::min(path.find('/', at), path.size());
        if (slash > at)
            parts.emplace_back(path.substr(at, slash - at));
        at = slash + 1;
    }
    return parts;
}

// Only root may change the folder, or (a sticky folder such as /tmp, with `sticky`) only
// root may change what root put in it.
bool rootOnly(const struct stat& info, bool sticky) {
    return info.st_uid == 0 && ((info.st_mode & 022) == 0 || (sticky && (info.st_mode & S_ISVTX)));
}

// The link `link` in the open folder was put there by root or by this process's own user:
// the folder is theirs and no one else may write it, or it is sticky and the link theirs.
bool trustedLink(int folderFd, const struct stat& link) {
    struct stat info {};
    if (::fstat(folderFd, &info) != 0)
        return false;
    const auto trusted = [](uid_t uid) { return uid == 0 || uid == ::geteuid(); };
    if (!trusted(info.st_uid))
        return false;
    return (info.st_mode & 022) == 0 || ((info.st_mode & S_ISVTX) && trusted(link.st_uid));
}

bool readLink(int folderFd, const std::string& name, std::string& target) {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlinkat(folderFd, name.c_str(), buffer, sizeof buffer);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer)
        return false;
    target.assign(buffer, static_cast<size_t>(length));
    return true;
}

int openStep(int folderFd, const char* name) {
    return ::openat(folderFd, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Makes the folder `name` with exactly `mode`; true when it exists afterwards (made by
// anyone).
bool makeFolder(int folderFd, const std::string& name, mode_t mode) {
    if (::mkdirat(folderFd, name.c_str(), 0700) != 0)
        return errno == EEXIST;
    UniqueFd made(
        ::openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    return made.get() >= 0 && ::fchmod(made.get(), mode) == 0;
}

// The walk behind openFolderChain and changeableOnlyByRoot. With `rootOnlyChain`, every
// folder on the way must be one only root may change.
UniqueFd walk(const std::string& hostPath, bool create, mode_t mode, bool rootOnlyChain) {
    if (hostPath.empty() || hostPath.front() != '/') {
        errno = EINVAL;
        return UniqueFd();
    }
    const auto acceptable = [rootOnlyChain](int fd, bool last) {
        struct stat info {};
        if (!rootOnlyChain)
            return true;
        return ::fstat(fd, &info) == 0 && rootOnly(info, !last);
    };
    UniqueFd folder(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    std::deque<std::string> parts = components(hostPath);
    if (folder.get() < 0 || !acceptable(folder.get(), parts.empty()))
        return UniqueFd();
    int links = 0;
    while (!parts.empty()) {
        const std::string name = std::move(parts.front());
        parts.pop_front();
        if (name == ".")
            continue;
        UniqueFd next(openStep(folder.get(), name.c_str()));
        if (next.get() >= 0) {
            if (!acceptable(next.get(), parts.empty())) {
                errno = EPERM;
                return UniqueFd();
            }
            folder = std::move(next);
            continue;
        }
        const int error = errno;
        struct stat info {};
        if (::fstatat(folder.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(info.st_mode)) {
            std::string target;
            if (++links > kMaxLinks || !trustedLink(folder.get(), info) ||
                !readLink(folder.get(), name, target)) {
                errno = ELOOP;
                return UniqueFd();
            }
            std::deque<std::string> targetParts = components(target);
            parts.insert(parts.begin(), targetParts.begin(), targetParts.end());
            if (target.front() == '/')
                folder = UniqueFd(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
            continue;
        }
        if (error != ENOENT || !create) {
            errno = error;
            return UniqueFd();
        }
        if (!makeFolder(folder.get(), name, mode))
            return UniqueFd();
        parts.push_front(name); // open what was made (or what another made meanwhile)
    }
    // A folder that may be read is opened for reading, so that it can be synced.
    UniqueFd readable(::openat(folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return readable.get() >= 0 ? std::move(readable) : std::move(folder);
}

std::string temporaryName(const std::string& name) {
    static std::mt19937_64 random{std::random_device{}()};
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string suffix;
    for (int i = 0; i < 10; ++i)
        suffix += digits[random() % 36];
    return "." + name + "." + suffix;
}

} // namespace

UniqueFd openFolderChain(const std::string& hostPath, bool create, mode_t mode) {
    return walk(hostPath, create, mode, false);
}

bool removeEntryBelow(int baseFd, const std::string& relative, bool folder) {
    std::deque<std::string> parts = components(relative);
    if (parts.empty())
        return false;
    const std::string name = parts.back();
    parts.pop_back();
    UniqueFd walked(::fcntl(baseFd, F_DUPFD_CLOEXEC, 0));
    for (const std::string& part : parts) {
        if (part == ".." || walked.get() < 0)
            return false;
        walked = UniqueFd(
            ::openat(walked.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    struct stat info {};
    if (walked.get() < 0 || name == ".." || name == "." ||
        ::fstatat(walked.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        S_ISDIR(info.st_mode) != folder)
        return false;
    return ::unlinkat(walked.get(), name.c_str(), folder ? AT_REMOVEDIR : 0) == 0;
}

bool changeableOnlyByRoot(const std::string& hostPath) {
    return walk(hostPath, false, 0, true).get() >= 0;
}

bool staysRootOnly(const std::string& hostPath) {
    if (hostPath.empty() || hostPath.front() != '/')
        return false;
    std::string path = hostPath;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    struct stat info {};
    while (path.size() > 1 && ::lstat(path.c_str(), &info) != 0 && errno == ENOENT)
        path = path.substr(0, std::max<size_t>(path.rfind('/'), 1));
    return changeableOnlyByRoot(path);
}

bool replaceFileAt(int folderFd, const std::string& name, std::string_view contents, mode_t mode) {
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..")
        return false;
    std::string temp;
    UniqueFd file;
    for (int attempt = 0; attempt < 100 && file.get() < 0; ++attempt) {
        temp = temporaryName(name);
        file = UniqueFd(::openat(folderFd, temp.c_str(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (file.get() < 0 && errno != EEXIST)
            return false;
    }
    if (file.get() < 0)
        return false;
    bool ok = ::fchmod(file.get(), mode) == 0 && writeAll(file.get(), contents) &&
              ::fsync(file.get()) == 0;
    ok = ::close(file.release()) == 0 && ok;
    if (!ok || ::renameat(folderFd, temp.c_str(), folderFd, name.c_str()) != 0) {
        ::unlinkat(folderFd, temp.c_str(), 0);
        return false;
    }
    ::fsync(folderFd);
    return true;
}

} // namespace qm
