#include "platform/fileio.h"

#include "platform/datetime.h"
#include "platform/dospath.h"
#include "platform/drivetable.h"
#include "platform/folderreader.h"
#include "platform/linkfreepath.h"
#include "platform/mounttable.h"
#include "platform/writeall.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <iterator>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace qm {

namespace {

FileChangeGate& changeGate() {
    static FileChangeGate gate;
    return gate;
}

bool& gateSeesReads() {
    static bool sees = false;
    return sees;
}

// False (errno set) when a gate that looks at opens and reads refuses this one.
bool accessAllowed(FileChange Access, std::string_view DosPath) {
    if (!gateSeesReads() || !changeGate() || changeGate()(Access, DosPath))
        return true;
    errno = Access == FileChange::Open ? EMFILE : EIO;
    return false;
}

std::vector<std::string>& linkFreeFolders() {
    static std::vector<std::string> folders;
    return folders;
}

// Whether the host path Host is Folder's or lies below it, the letters compared without
// regard to case, as a case-folding medium finds them.
bool liesBelow(std::string_view Host, std::string_view Folder) {
    if (Host.size() < Folder.size() || !sameTextDos(Host.substr(0, Folder.size()), Folder))
        return false;
    return Host.size() == Folder.size() || Folder.back() == '/' || Host[Folder.size()] == '/';
}

// The place of dosPath when it lies below a LinkFreeFolder, to be reached and acted on
// without following a link; none for any other path (and for one that does not
// translate, which fails on its own). Host paths are compared, so no spelling of the
// path ("/" for "\", doubled separators, ".") leads around the guard.
std::optional<LinkFreePath> guardedPath(std::string_view dosPath) {
    if (linkFreeFolders().empty() || dosPath.size() < 2)
        return std::nullopt;
    std::optional<std::string> host;
    for (const std::string& folder : linkFreeFolders()) {
        if (folder.empty() || std::toupper(static_cast<unsigned char>(folder[0])) !=
                                  std::toupper(static_cast<unsigned char>(dosPath[0])))
            continue;
        if (!host && !(host = toHostPath(dosPath)))
            return std::nullopt;
        std::optional<std::string> guarded = toHostPath(folder);
        if (!guarded || !liesBelow(*host, *guarded))
            continue;
        std::optional<std::string> root = toHostPath(folder.substr(0, 2));
        if (!root)
            return std::nullopt;
        return LinkFreePath(std::move(*root), std::move(*host));
    }
    return std::nullopt;
}

// False (errno set) when the test seam refuses the change.
bool changeAllowed(FileChange change, std::string_view dosPath) {
    const FileChangeGate& gate = changeGate();
    if (!gate || gate(change, dosPath))
        return true;
    errno = change == FileChange::Write ? ENOSPC : EIO;
    return false;
}

// Opens dosPath with Flags. Below a LinkFreeFolder the file is opened in its folder,
// reached without links, and is no link itself: a read must not hand a restore (or the
// catalogue's reader) a file from outside, nor a write change one. A file opened for
// writing is written through this handle only, so its path is not looked at again.
int openIn(std::string_view dosPath, int flags, mode_t mode) {
    const bool creating = (flags & O_CREAT) != 0;
    if (!creating && !accessAllowed(FileChange::Open, dosPath))
        return -1;
    int fd;
    if (std::optional<LinkFreePath> place = guardedPath(dosPath)) {
        if (!place->OpenHolder() || (creating && !changeAllowed(FileChange::Create, dosPath)))
            return -1;
        do {
            fd = ::openat(place->Folder(), place->Name(), flags | O_NOFOLLOW, mode);
        } while (fd < 0 && errno == EINTR);
        return fd;
    }
    std::optional<std::string> host = toHostPath(dosPath);
    if (!host) {
        errno = ENOENT;
        return -1;
    }
    if (creating && !changeAllowed(FileChange::Create, dosPath))
        return -1;
    do {
        fd = ::open(host->c_str(), flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int openHost(std::string_view dosPath, int flags, mode_t mode = 0644) {
    // Without O_NONBLOCK opening a named pipe would wait for a writer, maybe forever.
    const int fd = openIn(dosPath, flags | O_CLOEXEC | O_NONBLOCK, mode);
    if (fd < 0)
        return -1;
    struct stat st {};
    int error = 0;
    if (fstat(fd, &st) != 0)
        error = errno;
    else if (S_ISDIR(st.st_mode))
        error = EISDIR;
    else if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))
        error = EINVAL;
    // Reads and writes of a regular file never wait on O_NONBLOCK; other files (devices)
    // get blocking reads back.
    else if (!S_ISREG(st.st_mode) && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        error = errno;
    if (error != 0) {
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

// The file at dosPath (or, outside the LinkFreeFolders, the file a link there names).
bool statHost(std::string_view dosPath, struct stat& st) {
    if (std::optional<LinkFreePath> place = guardedPath(dosPath)) {
        if (!place->OpenHolder() ||
            ::fstatat(place->Folder(), place->Name(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
        if (!S_ISLNK(st.st_mode))
            return true;
        errno = ELOOP;
        return false;
    }
    std::optional<std::string> host = toHostPath(dosPath);
    return host && ::stat(host->c_str(), &st) == 0;
}

FileIdentity identityOf(const struct stat& st) {
    auto ns = [](const timespec& t) { return int64_t{t.tv_sec} * 1000000000 + t.tv_nsec; };
    return FileIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
                        static_cast<int64_t>(st.st_size), ns(st.st_mtim), ns(st.st_ctim)};
}

TDateTime modifiedOf(const struct stat& st) {
    return dateTimeFromUnix(st.st_mtim.tv_sec, static_cast<int32_t>(st.st_mtim.tv_nsec));
}

// The times of the open file fd, else of path (relative to the open folder Folder, a link
// itself and never what it names).
bool setHostTimes(int fd, const char* path, uint32_t dosDateTime, int Folder = AT_FDCWD) {
    TDateTime value = dosToDateTime(dosDateTime);
    if (value == 0)
        return false;
    timespec times[2];
    times[0].tv_sec = static_cast<time_t>(unixFromDateTime(value));
    times[0].tv_nsec = 0;
    times[1] = times[0];
    if (fd >= 0)
        return futimens(fd, times) == 0;
    const int flags = Folder == AT_FDCWD ? 0 : AT_SYMLINK_NOFOLLOW;
    return path && utimensat(Folder, path, times, flags) == 0;
}

// The folder that holds `path` on the host ("/" above a top-level name).
std::string hostParent(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

// True unless an entry is seen: a folder that cannot be opened or read is not known to
// hold anything, so nothing below it is taken for certainly gone.
bool isEmptyFolder(const std::string& path) {
    FolderReader folder(path);
    return folder.next() == nullptr;
}

// Whether a file system is mounted on a folder directly inside `folder`.
bool holdsMountPoint(const std::string& folder) {
    for (const MountEntry& entry : readMountTable({}))
        if (entry.mountPoint != folder && hostParent(entry.mountPoint) == folder)
            return true;
    return false;
}

// A missing file on a drive that is there is certainly gone only where nothing could
// have been unmounted from under it. The nearest folder on its way that exists decides:
// it must be reachable without a link that points to nothing, hold something (a share's
// mount point is an empty folder once it is unmounted) and, when whole folders are gone,
// hold no mount point of its own (the folder in which media come and go).
bool certainlyGone(const std::string& host, std::string root) {
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    std::string path = host;
    int missingLevels = 0;
    for (;;) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode))
                return false; // a file where a folder was
            break;
        }
        if (errno != ENOENT && errno != ENOTDIR)
            return false;
        if (::lstat(path.c_str(), &st) == 0 || (errno != ENOENT && errno != ENOTDIR))
            return false; // the name is there: a link that points to nothing
        if (path == root || path.size() <= root.size())
            return false;
        path = hostParent(path);
        ++missingLevels;
    }
    if (::access(path.c_str(), R_OK | X_OK) != 0 || isEmptyFolder(path))
        return false;
    return missingLevels == 1 || !holdsMountPoint(path);
}

} // namespace

bool allowFileChange(FileChange Change, std::string_view Path) {
    return changeAllowed(Change, Path);
}

void setFileChangeGate(FileChangeGate Gate, GateScope Scope) {
    gateSeesReads() = Gate && Scope == GateScope::WithOpensAndReads;
    changeGate() = std::move(Gate);
}

FileHandle::~FileHandle() {
    close();
}

FileHandle::FileHandle(FileHandle&& other) noexcept
    : fd_(other.fd_), error_(other.error_), path_(std::move(other.path_)) {
    other.fd_ = -1;
    other.error_ = 0;
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        error_ = other.error_;
        path_ = std::move(other.path_);
        other.fd_ = -1;
        other.error_ = 0;
    }
    return *this;
}

FileHandle FileHandle::open(std::string_view dosPath, OpenMode mode) {
    return FileHandle(openHost(dosPath, mode == OpenMode::Read ? O_RDONLY : O_RDWR), dosPath);
}

FileHandle FileHandle::create(std::string_view dosPath) {
    return FileHandle(openHost(dosPath, O_RDWR | O_CREAT | O_TRUNC), dosPath);
}

FileHandle FileHandle::createNew(std::string_view dosPath, uint32_t mode) {
    return FileHandle(openHost(dosPath, O_RDWR | O_CREAT | O_EXCL, mode), dosPath);
}

bool FileHandle::fail() {
    if (error_ == 0)
        error_ = errno != 0 ? errno : EIO;
    return false;
}

int64_t FileHandle::read(void* buffer, int64_t count) {
    if (fd_ < 0 || error_ != 0 || count < 0)
        return -1;
    if (!accessAllowed(FileChange::Read, path_)) {
        fail();
        return -1;
    }
    int64_t done = 0;
    char* out = static_cast<char*>(buffer);
    while (done < count) {
        ssize_t n = ::read(fd_, out + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            fail();
            return -1;
        }
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

bool FileHandle::readExact(void* buffer, int64_t count) {
    return read(buffer, count) == count;
}

bool FileHandle::write(const void* buffer, int64_t count) {
    if (fd_ < 0 || error_ != 0 || count < 0)
        return false;
    if (!changeAllowed(FileChange::Write, path_))
        return fail();
    if (!writeAll(fd_, buffer, static_cast<size_t>(count)))
        return fail();
    return true;
}

bool FileHandle::writeAt(int64_t offset, const void* buffer, int64_t count) {
    if (fd_ < 0 || error_ != 0 || count < 0 || offset < 0)
        return false;
    if (!changeAllowed(FileChange::Write, path_))
        return fail();
    const char* start = static_cast<const char*>(buffer);
    auto put = [this, start, offset](const char* data, size_t size) {
        return ::pwrite(fd_, data, size, static_cast<off_t>(offset + (data - start)));
    };
    if (!putEveryByte({start, static_cast<size_t>(count)}, put))
        return fail();
    return true;
}

int64_t FileHandle::seek(int64_t offset, SeekOrigin origin) {
    if (fd_ < 0 || error_ != 0)
        return -1;
    int whence = origin == SeekOrigin::Begin     ? SEEK_SET
                 : origin == SeekOrigin::Current ? SEEK_CUR
                                                 : SEEK_END;
    off_t pos = ::lseek(fd_, static_cast<off_t>(offset), whence);
    if (pos < 0) {
        fail();
        return -1;
    }
    return pos;
}

int64_t FileHandle::position() {
    return seek(0, SeekOrigin::Current);
}

int64_t FileHandle::size() {
    if (fd_ < 0)
        return -1;
    struct stat st {};
    if (fstat(fd_, &st) != 0)
        return -1;
    return st.st_size;
}

bool FileHandle::truncate() {
    int64_t pos = position();
    if (pos < 0)
        return false;
    if (!changeAllowed(FileChange::Truncate, path_))
        return fail();
    if (ftruncate(fd_, static_cast<off_t>(pos)) != 0)
        return fail();
    return true;
}

bool FileHandle::flush() {
    if (fd_ < 0 || error_ != 0)
        return false;
    if (!changeAllowed(FileChange::Sync, path_))
        return fail();
    if (fdatasync(fd_) != 0 && errno != EINVAL && errno != EROFS)
        return fail();
    return true;
}

bool FileHandle::close() {
    if (fd_ < 0)
        return false;
    // The descriptor is gone whatever close() says, so it is never retried.
    const bool closed = ::close(fd_) == 0 || errno == EINTR;
    fd_ = -1;
    if (!closed)
        fail();
    return error_ == 0;
}

namespace {

FileAccess accessOf(const struct stat& st) {
    return {static_cast<uint32_t>(st.st_mode & 07777), static_cast<uint32_t>(st.st_uid),
            static_cast<uint32_t>(st.st_gid)};
}

} // namespace

std::optional<FileAccess> FileHandle::access() {
    struct stat st {};
    if (fd_ < 0 || fstat(fd_, &st) != 0)
        return std::nullopt;
    return accessOf(st);
}

bool FileHandle::setMode(uint32_t Mode) {
    return fd_ >= 0 && changeAllowed(FileChange::SetDate, path_) && fchmod(fd_, Mode & 07777) == 0;
}

bool FileHandle::shareAccessOf(const FileAccess& Source, uint32_t Mask) {
    std::optional<FileAccess> own = access();
    if (!own || !changeAllowed(FileChange::SetDate, path_))
        return false;
    mode_t mode = Source.mode & Mask & 0777;
    // Only the source's group may have the group's rights: the file is given that group,
    // or the rights go.
    if (own->group != Source.group && (mode & 070) != 0 &&
        fchown(fd_, static_cast<uid_t>(-1), Source.group) != 0)
        mode &= ~static_cast<mode_t>(070);
    return fchmod(fd_, mode) == 0;
}

bool FileHandle::narrowAccessTo(const FileAccess& Source) {
    std::optional<FileAccess> own = access();
    if (!own || !changeAllowed(FileChange::SetDate, path_))
        return false;
    mode_t mode = own->mode & Source.mode & 0777;
    if (own->group != Source.group)
        mode &= ~static_cast<mode_t>(070);
    return mode == own->mode || fchmod(fd_, mode) == 0;
}

bool FileHandle::takeAccessOf(const FileAccess& Existing) {
    std::optional<FileAccess> own = access();
    if (!own || !changeAllowed(FileChange::SetDate, path_))
        return false;
    // The owner first: a change of owner clears set-id bits, which the mode then restores.
    bool ownerKept = own->owner == Existing.owner;
    bool groupKept = own->group == Existing.group;
    if ((!ownerKept || !groupKept) && fchown(fd_, Existing.owner, Existing.group) == 0)
        ownerKept = groupKept = true;
    if (!groupKept && fchown(fd_, static_cast<uid_t>(-1), Existing.group) == 0)
        groupKept = true;
    // Rights that belonged to another owner or group are not handed to this process's.
    mode_t mode = Existing.mode;
    if (!ownerKept)
        mode &= ~static_cast<mode_t>(04000);
    if (!groupKept)
        mode &= ~static_cast<mode_t>(02070);
    return fchmod(fd_, mode) == 0;
}

std::optional<uint32_t> FileHandle::dosDateTime() {
    struct stat st {};
    if (fd_ < 0 || fstat(fd_, &st) != 0)
        return std::nullopt;
    uint32_t dos = dateTimeToDos(modifiedOf(st));
    if (dos == 0)
        return std::nullopt;
    return dos;
}

std::optional<FileIdentity> FileHandle::identity() {
    struct stat st {};
    if (fd_ < 0 || fstat(fd_, &st) != 0)
        return std::nullopt;
    return identityOf(st);
}

bool FileHandle::setDosDateTime(uint32_t dosDateTime) {
    return fd_ >= 0 && changeAllowed(FileChange::SetDate, path_) &&
           setHostTimes(fd_, nullptr, dosDateTime);
}

bool fileExists(std::string_view dosPath) {
    struct stat st {};
    return statHost(dosPath, st) && !S_ISDIR(st.st_mode);
}

std::optional<FileAccess> fileAccess(std::string_view dosPath) {
    struct stat st {};
    if (!statHost(dosPath, st))
        return std::nullopt;
    return accessOf(st);
}

uint32_t creationMask() {
    // The umask can only be read by setting it: set back at once (one thread changes files).
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask & 0777;
}

FileIdentity fileIdentityOf(const struct ::stat& info) {
    return identityOf(info);
}

std::optional<FileIdentity> fileIdentity(std::string_view dosPath) {
    struct stat st {};
    if (!statHost(dosPath, st) || S_ISDIR(st.st_mode))
        return std::nullopt;
    return identityOf(st);
}

bool folderExists(std::string_view dosPath) {
    struct stat st {};
    return statHost(dosPath, st) && S_ISDIR(st.st_mode);
}

bool deleteFile(std::string_view dosPath) {
    if (std::optional<LinkFreePath> place = guardedPath(dosPath))
        return place->OpenHolder() && place->NameIsNoLink() &&
               changeAllowed(FileChange::Delete, dosPath) &&
               ::unlinkat(place->Folder(), place->Name(), 0) == 0;
    std::optional<std::string> host = toHostPath(dosPath);
    return host && changeAllowed(FileChange::Delete, dosPath) && ::unlink(host->c_str()) == 0;
}

bool renameFile(std::string_view fromDosPath, std::string_view toDosPath) {
    std::optional<std::string> from = toHostPath(fromDosPath);
    std::optional<std::string> to = toHostPath(toDosPath);
    if (!from || !to)
        return false;
    // A side below a LinkFreeFolder is renamed in its folder, reached without links, and
    // neither name may be a link.
    std::optional<LinkFreePath> source = guardedPath(fromDosPath);
    std::optional<LinkFreePath> target = guardedPath(toDosPath);
    if ((source && !(source->OpenHolder() && source->NameIsNoLink())) ||
        (target && !(target->OpenHolder() && target->NameIsNoLink())) ||
        !changeAllowed(FileChange::Rename, fromDosPath))
        return false;
    if (::renameat(source ? source->Folder() : AT_FDCWD, source ? source->Name() : from->c_str(),
                   target ? target->Folder() : AT_FDCWD,
                   target ? target->Name() : to->c_str()) != 0)
        return false;
    // A folder kept open under its old name must not be found under that name again.
    if (source)
        LinkFreePath::Forget(source->Host());
    return true;
}

bool createFolderChain(std::string_view dosPath) {
    if (std::optional<LinkFreePath> place = guardedPath(dosPath))
        return place->OpenAsFolder(
            [dosPath] { return changeAllowed(FileChange::MakeFolder, dosPath); });
    std::optional<std::string> host = toHostPath(dosPath);
    if (!host)
        return false;
    const std::string& full = *host;
    // Usually the folder is there already: one look instead of a mkdir per level.
    struct stat existing {};
    if (::stat(full.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode))
        return true;
    if (!changeAllowed(FileChange::MakeFolder, dosPath))
        return false;
    std::string path;
    size_t pos = 0;
    while (pos < full.size()) {
        size_t end = full.find('/', pos + 1);
        if (end == std::string::npos)
            end = full.size();
        path = full.substr(0, end);
        pos = end;
        if (path.empty())
            continue;
        if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st {};
    return ::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool removeFolder(std::string_view dosPath) {
    if (std::optional<LinkFreePath> place = guardedPath(dosPath)) {
        if (!place->OpenHolder() || !changeAllowed(FileChange::RemoveFolder, dosPath) ||
            ::unlinkat(place->Folder(), place->Name(), AT_REMOVEDIR) != 0)
            return false;
        LinkFreePath::Forget(place->Host());
        return true;
    }
    std::optional<std::string> host = toHostPath(dosPath);
    return host && changeAllowed(FileChange::RemoveFolder, dosPath) && ::rmdir(host->c_str()) == 0;
}

int64_t fileSize(std::string_view dosPath) {
    struct stat st {};
    if (!statHost(dosPath, st) || S_ISDIR(st.st_mode))
        return -1;
    return st.st_size;
}

std::optional<std::string> readWholeFile(std::string_view dosPath, int64_t maxBytes) {
    FileHandle file = FileHandle::open(dosPath, OpenMode::Read);
    const int64_t size = file ? file.size() : -1;
    if (size < 0 || size > maxBytes)
        return std::nullopt;
    std::string bytes(static_cast<size_t>(size), '\0');
    if (size > 0 && !file.readExact(bytes.data(), size))
        return std::nullopt;
    return bytes;
}

std::optional<std::string> readFileStart(std::string_view dosPath, int64_t maxBytes, bool* cut) {
    if (maxBytes < 0)
        return std::nullopt;
    // Opened without waiting and never through a link by its own name; a regular file's
    // reads never wait either.
    const int fd = openHost(dosPath, O_RDONLY | O_NOFOLLOW);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    std::string bytes;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    // One byte past the limit tells whether there is more.
    const int64_t want = maxBytes + 1;
    while (ok && static_cast<int64_t>(bytes.size()) < want) {
        char buffer[65536];
        const int64_t room = want - static_cast<int64_t>(bytes.size());
        const ssize_t n =
            ::read(fd, buffer, static_cast<size_t>(std::min<int64_t>(room, sizeof buffer)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    if (!ok)
        return std::nullopt;
    const bool more = static_cast<int64_t>(bytes.size()) > maxBytes;
    if (more)
        bytes.resize(static_cast<size_t>(maxBytes));
    if (cut)
        *cut = more;
    return bytes;
}

std::optional<uint32_t> fileDosDateTime(std::string_view dosPath) {
    struct stat st {};
    if (!statHost(dosPath, st))
        return std::nullopt;
    uint32_t dos = dateTimeToDos(modifiedOf(st));
    if (dos == 0)
        return std::nullopt;
    return dos;
}

bool setFileDosDateTime(std::string_view dosPath, uint32_t dosDateTime) {
    if (std::optional<LinkFreePath> place = guardedPath(dosPath))
        return place->OpenHolder() && place->NameIsNoLink() &&
               changeAllowed(FileChange::SetDate, dosPath) &&
               setHostTimes(-1, place->Name(), dosDateTime, place->Folder());
    std::optional<std::string> host = toHostPath(dosPath);
    return host && changeAllowed(FileChange::SetDate, dosPath) &&
           setHostTimes(-1, host->c_str(), dosDateTime);
}

std::optional<double> fileDateTime(std::string_view dosPath) {
    struct stat st {};
    if (!statHost(dosPath, st))
        return std::nullopt;
    return modifiedOf(st);
}

FileStatus fileStatus(std::string_view dosPath) {
    FileStatus status;
    std::optional<std::string> host = toHostPath(dosPath);
    if (!host)
        return status; // no such drive, or not a path a drive can hold
    struct stat st {};
    if (::stat(host->c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode) || ::access(host->c_str(), R_OK) != 0)
            return status;
        status.dosDateTime = dateTimeToDos(modifiedOf(st));
        if (status.dosDateTime != 0)
            status.kind = FileStatus::Kind::Present;
        return status;
    }
    if (errno != ENOENT && errno != ENOTDIR)
        return status;
    // A name is gone only from a drive that is there to look at.
    const std::optional<DriveEntry> drive =
        dosPath.empty() ? std::nullopt : DriveTable::instance().find(dosPath[0]);
    struct stat root {};
    if (!drive || ::stat(drive->hostRoot.c_str(), &root) != 0 || !S_ISDIR(root.st_mode) ||
        ::access(drive->hostRoot.c_str(), R_OK | X_OK) != 0)
        return status;
    // A medium from the mount table that was pulled out may leave its empty mount
    // folder behind: that folder is no longer a file system of its own.
    struct stat above {};
    if (drive->source == DriveTable::kMountSource &&
        (::stat((drive->hostRoot + "/..").c_str(), &above) != 0 || above.st_dev == root.st_dev))
        return status;
    if (!certainlyGone(*host, drive->hostRoot))
        return status;
    status.kind = FileStatus::Kind::Missing;
    return status;
}

namespace {

// The folder dosFolder (at Host) opened for reading its names; below a LinkFreeFolder it
// is reached without links and is no link itself.
int openFolderToRead(std::string_view dosFolder, const std::string& Host) {
    std::optional<LinkFreePath> place = guardedPath(dosFolder);
    int fd;
    do {
        fd = !place ? ::open(Host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
             : place->OpenAsFolder()
                 ? ::openat(place->Folder(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                 : -1;
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// The folder dosFolder to list: below a LinkFreeFolder reached through folders opened
// without following links.
FolderReader openListing(std::string_view dosFolder, const std::string& Host) {
    const int fd = openFolderToRead(dosFolder, Host);
    FolderReader reader = FolderReader::at(fd);
    if (fd >= 0)
        ::close(fd);
    return reader;
}

} // namespace

FolderListing listFolder(std::string_view dosFolder) {
    FolderListing listing;
    std::optional<std::string> host = toHostPath(dosFolder);
    if (!host)
        return listing;
    // Below a LinkFreeFolder a link is listed as one and never followed.
    const bool guarded = guardedPath(dosFolder).has_value();
    FolderReader folder = openListing(dosFolder, *host);
    if (!folder.isOpen())
        return listing;
    std::string base = *host;
    if (base.back() != '/')
        base += '/';
    while (const dirent* de = folder.next()) {
        std::string name = de->d_name;
        if (!isValidDosName(name)) {
            listing.skippedNames.push_back(base + name);
            continue;
        }
        std::string full = base + name;
        struct stat lst {};
        if (::fstatat(folder.fd(), name.c_str(), &lst, AT_SYMLINK_NOFOLLOW) != 0) {
            // Gone since it was listed is nothing lost; anything else is.
            if (errno != ENOENT)
                listing.whole = false;
            continue;
        }
        FolderEntry e;
        e.name = name;
        e.isLink = S_ISLNK(lst.st_mode);
        struct stat st = lst;
        if (e.isLink && !guarded && ::stat(full.c_str(), &st) != 0)
            continue; // a dangling link names nothing to back up
        e.isFolder = S_ISDIR(st.st_mode);
        if (!e.isFolder && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
            continue; // devices, sockets and pipes are not files to copy
        e.isHidden = name[0] == '.';
        e.size = e.isFolder || S_ISLNK(st.st_mode) ? 0 : st.st_size;
        e.modified = modifiedOf(st);
        listing.entries.push_back(std::move(e));
    }
    listing.ok = !folder.failed();
    std::sort(listing.entries.begin(), listing.entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return listing;
}

SubfolderListing listSubfolders(std::string_view dosFolder, size_t limit) {
    SubfolderListing listing;
    std::optional<std::string> host = toHostPath(dosFolder);
    if (!host)
        return listing;
    FolderReader folder = openListing(dosFolder, *host);
    if (!folder.isOpen())
        return listing;
    while (listing.names.size() < limit) {
        const dirent* de = folder.next();
        if (!de)
            break;
        std::string name = de->d_name;
        if (!isValidDosName(name))
            continue;
        bool isFolder = de->d_type == DT_DIR;
        if (de->d_type == DT_UNKNOWN) { // some file systems leave the type to lstat
            struct stat st {};
            isFolder = ::fstatat(folder.fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                       S_ISDIR(st.st_mode);
        }
        if (isFolder)
            listing.names.push_back(std::move(name));
    }
    listing.ok = !folder.failed();
    return listing;
}

size_t countFolderEntries(std::string_view dosFolder) {
    std::optional<std::string> host = toHostPath(dosFolder);
    if (!host)
        return 0;
    FolderReader folder = openListing(dosFolder, *host);
    size_t count = 0;
    while (folder.next())
        ++count;
    return count;
}

bool syncFileSystem(std::string_view dosPath) {
    std::optional<std::string> host = toHostPath(dosPath);
    if (!host)
        return false;
    if (!changeAllowed(FileChange::SyncFileSystem, dosPath))
        return false;
    // Below a LinkFreeFolder the folder holding the path stands for its file system.
    std::optional<LinkFreePath> place = guardedPath(dosPath);
    int fd = !place ? ::open(host->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)
             : place->OpenHolder()
                 ? ::openat(place->Folder(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                 : -1;
    if (fd < 0)
        return false;
    const bool ok = ::syncfs(fd) == 0;
    ::close(fd);
    return ok;
}

bool syncFolder(std::string_view dosFolder) {
    std::optional<std::string> host = toHostPath(dosFolder);
    if (!host) {
        errno = ENOENT;
        return false;
    }
    if (!changeAllowed(FileChange::SyncFolder, dosFolder))
        return false;
    const int fd = openFolderToRead(dosFolder, *host);
    // A folder that may be written but not read (a mount's mask) cannot be synced alone.
    if (fd < 0)
        return errno == EACCES || errno == EPERM;
    // Some file systems (and some FAT drivers) refuse to sync a folder on its own.
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL || errno == EBADF || errno == EROFS;
    ::close(fd);
    return ok;
}

bool syncFile(std::string_view dosPath) {
    FileHandle file = FileHandle::open(dosPath, OpenMode::Read);
    return file.flush() && file.close();
}

bool foldsCase(std::string_view dosFolder) {
    std::optional<std::string> host = toHostPath(dosFolder);
    if (!host)
        return false;
    while (host->size() > 1 && host->back() == '/')
        host->pop_back();
    std::string swapped = *host;
    bool letters = false;
    for (size_t i = swapped.rfind('/') + 1; i < swapped.size(); ++i) {
        char& c = swapped[i];
        if (std::isalpha(static_cast<unsigned char>(c))) {
            c = static_cast<char>(std::islower(static_cast<unsigned char>(c)) ? std::toupper(c)
                                                                              : std::tolower(c));
            letters = true;
        }
    }
    struct stat a {
    }, b{};
    return letters && ::stat(host->c_str(), &a) == 0 && ::stat(swapped.c_str(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool keepsPermissions(std::string_view dosFolder) {
    // The kernel's numbers for the kinds of file system that keep no modes of their own;
    // NTFS has two drivers, each with its own.
    constexpr unsigned long kNoModes[] = {
        0x4d44,     // FAT
        0x2011BAB0, // exFAT
        0x5346544e, // NTFS (ntfs)
        0x7366746e, // NTFS (ntfs3)
        0x65735546, // in user space (ntfs-3g, exfat-fuse and others)
        0x517B,     // SMB
        0xFF534D42, // CIFS
        0xFE534D42, // SMB2
    };
    std::optional<std::string> host = toHostPath(dosFolder);
    struct statfs fs {};
    if (!host || ::statfs(host->c_str(), &fs) != 0)
        return false;
    const auto type = static_cast<unsigned long>(fs.f_type) & 0xFFFFFFFFul;
    return std::find(std::begin(kNoModes), std::end(kNoModes), type) == std::end(kNoModes);
}

bool diskSpace(std::string_view dosPath, int64_t& freeBytes, int64_t& totalBytes) {
    std::optional<std::string> host = toHostPath(dosPath);
    struct statvfs vfs {};
    if (!host || ::statvfs(host->c_str(), &vfs) != 0)
        return false;
    freeBytes = static_cast<int64_t>(vfs.f_bavail) * static_cast<int64_t>(vfs.f_frsize);
    totalBytes = static_cast<int64_t>(vfs.f_blocks) * static_cast<int64_t>(vfs.f_frsize);
    return true;
}

bool reachedWithoutLinks(std::string_view dosPath) {
    std::optional<std::string> root = toHostPath(dosPath.substr(0, 3));
    std::optional<std::string> host = toHostPath(dosPath);
    return root && host && LinkFreePath::ReachedWithoutLinks(*root, *host);
}

LinkFreeFolder::LinkFreeFolder(std::string DosFolder) : fFolder(std::move(DosFolder)) {
    linkFreeFolders().push_back(fFolder);
    LinkFreePath::ForgetAll();
}

void LinkFreeFolder::Recheck() {
    LinkFreePath::ForgetAll();
}

LinkFreeFolder::~LinkFreeFolder() {
    std::vector<std::string>& folders = linkFreeFolders();
    auto it = std::find(folders.begin(), folders.end(), fFolder);
    if (it != folders.end())
        folders.erase(it);
    LinkFreePath::ForgetAll();
}

} // namespace qm
