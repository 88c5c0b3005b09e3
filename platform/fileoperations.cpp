#include "platform/fileoperations.h"

#include "platform/dospath.h"
#include "platform/drivetable.h"
#include "platform/folderreader.h"
#include "platform/uniquefd.h"
#include "platform/writeall.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

bool copyContent(int from, int to) {
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(from, buffer, sizeof(buffer));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        if (!writeAll(to, buffer, static_cast<size_t>(got)))
            return false;
    }
}

bool copyHost(const std::string& from, const std::string& to) {
    // O_NONBLOCK keeps a named pipe from stalling the open; only a regular file goes on.
    UniqueFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (in.get() < 0 || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        ::fcntl(in.get(), F_SETFL, 0) != 0)
        return false;
    // A fresh name made exclusively: nothing planted in the target's folder is written.
    std::string temp = to + ".qmcopy.XXXXXX";
    UniqueFd out(::mkostemp(temp.data(), O_CLOEXEC));
    if (out.get() < 0)
        return false;
    if (::fchmod(out.get(), st.st_mode & 07777) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    timespec times[2] = {st.st_atim, st.st_mtim};
    bool ok = copyContent(in.get(), out.get()) && ::fsync(out.get()) == 0 &&
              ::futimens(out.get(), times) == 0;
    ok = ::close(out.release()) == 0 && ok;
    if (ok && ::rename(temp.c_str(), to.c_str()) == 0)
        return true;
    ::unlink(temp.c_str());
    return false;
}

bool isDriveRoot(const std::string& host) {
    if (host == "/")
        return true;
    for (const auto& drive : DriveTable::instance().drives()) {
        if (drive.hostRoot == host)
            return true;
    }
    return false;
}

bool keptAsReadOnly(const struct stat& st, const FolderDeleteRules& rules) {
    return rules.keepReadOnly && !S_ISLNK(st.st_mode) && (st.st_mode & S_IWUSR) == 0;
}

// A link to a folder counts as a folder for the sub-folder rule; it is never followed.
bool isLinkToFolder(int dirFd, const char* name, const struct stat& st) {
    struct stat target {};
    return S_ISLNK(st.st_mode) && ::fstatat(dirFd, name, &target, 0) == 0 &&
           S_ISDIR(target.st_mode);
}

bool emptyFolder(int dirFd, const FolderDeleteRules& rules);

// Deletes one entry of the folder open as `dirFd` under `rules`; true when it is gone.
bool deleteEntry(int dirFd, const char* name, const FolderDeleteRules& rules) {
    struct stat st {};
    if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    if (S_ISDIR(st.st_mode)) {
        if (!rules.withSubfolders)
            return false;
        int sub = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        bool emptied = sub >= 0 && emptyFolder(sub, rules);
        return ::unlinkat(dirFd, name, AT_REMOVEDIR) == 0 && emptied;
    }
    if (keptAsReadOnly(st, rules))
        return false;
    if (!rules.withSubfolders && isLinkToFolder(dirFd, name, st))
        return false;
    return ::unlinkat(dirFd, name, 0) == 0;
}

// Empties the folder open as `dirFd` (which it closes) as far as `rules` allow.
bool emptyFolder(int dirFd, const FolderDeleteRules& rules) {
    const UniqueFd owned(dirFd);
    FolderReader folder = FolderReader::at(dirFd);
    if (!folder.isOpen())
        return false;
    bool ok = true;
    while (const dirent* entry = folder.next()) {
        const std::string name = entry->d_name;
        ok = deleteEntry(dirFd, name.c_str(), rules) && ok;
    }
    return ok && !folder.failed();
}

} // namespace

bool copyFileKeepingDate(std::string_view fromDosPath, std::string_view toDosPath) {
    auto from = toHostPath(fromDosPath);
    auto to = toHostPath(toDosPath);
    return from && to && copyHost(*from, *to);
}

bool moveFile(std::string_view fromDosPath, std::string_view toDosPath) {
    auto from = toHostPath(fromDosPath);
    auto to = toHostPath(toDosPath);
    if (!from || !to)
        return false;
    if (::rename(from->c_str(), to->c_str()) == 0)
        return true;
    if (errno != EXDEV)
        return false;
    return copyHost(*from, *to) && ::unlink(from->c_str()) == 0;
}

bool deleteFolder(std::string_view dosPath, FolderDeleteRules rules) {
    auto host = toHostPath(dosPath);
    if (!host || isDriveRoot(*host)) {
        if (host)
            std::fprintf(stderr, "quillmoor: refusing to delete the drive root %s\n",
                         host->c_str());
        return false;
    }
    int fd = ::open(host->c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool emptied = emptyFolder(fd, rules);
    return ::rmdir(host->c_str()) == 0 && emptied;
}

bool deleteFolderTree(std::string_view dosPath) {
    return deleteFolder(dosPath, FolderDeleteRules{});
}

bool deleteFolderTreeAt(int parentFd, const char* name) {
    struct stat st {};
    if (::fstatat(parentFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode))
        return false;
    return deleteEntry(parentFd, name, FolderDeleteRules{});
}

} // namespace qm
