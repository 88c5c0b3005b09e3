#include "platform/updateswap.h"

#include "platform/fileio.h"
#include "platform/stagedfile.h"
#include "platform/uninstlist.h"
#include "platform/uniquefd.h"
#include "platform/updatestaging.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace qm::updatestaging {

namespace {

constexpr std::string_view kHeader = "quillmoor swap 1";
constexpr std::string_view kFileLine = "file ";
constexpr std::string_view kFolderLine = "folder ";
constexpr off_t kMaxRecordBytes = 4 << 20;

// A path below a folder: "/" between parts, no empty, "." or ".." part.
bool isRelativePath(std::string_view path) {
    if (path.empty())
        return false;
    size_t from = 0;
    while (true) {
        const size_t slash = path.find('/', from);
        const std::string_view part = path.substr(from, slash - from);
        if (part.empty() || part == "." || part == ".." ||
            part.find('\0') != std::string_view::npos)
            return false;
        if (slash == std::string_view::npos)
            return true;
        from = slash + 1;
    }
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// Opens the folder `relative` below the folder open as `base`, one real folder at a time
// (a link on the way fails). An empty `relative` is `base` itself.
UniqueFd openBelow(int base, const std::string& relative) {
    UniqueFd folder(::fcntl(base, F_DUPFD_CLOEXEC, 0));
    size_t from = 0;
    while (folder.get() >= 0 && from < relative.size()) {
        size_t slash = relative.find('/', from);
        if (slash == std::string::npos)
            slash = relative.size();
        const std::string part = relative.substr(from, slash - from);
        folder = UniqueFd(
            ::openat(folder.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        from = slash + 1;
    }
    return folder;
}

// Whether `name` in the folder is a file or a link (what the swap moves).
bool holdsFile(int folder, const std::string& name) {
    struct stat info {};
    return folder >= 0 && ::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           !S_ISDIR(info.st_mode);
}

bool moveAt(int fromFolder, int toFolder, const std::string& name, const std::string& path) {
    return allowFileChange(FileChange::Rename, path) &&
           ::renameat(fromFolder, name.c_str(), toFolder, name.c_str()) == 0;
}

// The record, or nothing when it is not one. A line without its end was being written
// when the run ended: the record was never synced whole, so no file had moved yet, and
// the lines before it are taken as they are (each file they name is found untouched).
std::optional<SwapRecord> readRecord(int stagingFd) {
    UniqueFd fd(::openat(stagingFd, std::string(kSwapRecordFile).c_str(),
                         O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size > kMaxRecordBytes)
        return std::nullopt;
    std::string text(static_cast<size_t>(info.st_size), '\0');
    if (::read(fd.get(), text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        return std::nullopt;
    SwapRecord record;
    for (size_t from = 0, end; (end = text.find('\n', from)) != std::string::npos; from = end + 1) {
        const std::string_view line = std::string_view(text).substr(from, end - from);
        if (from == 0) {
            if (line != kHeader)
                return std::nullopt;
        } else if (line.starts_with(kFileLine) && isRelativePath(line.substr(kFileLine.size()))) {
            record.files.emplace_back(line.substr(kFileLine.size()));
        } else if (line.starts_with(kFolderLine) &&
                   isRelativePath(line.substr(kFolderLine.size()))) {
            record.folders.emplace_back(line.substr(kFolderLine.size()));
        } else {
            return std::nullopt;
        }
    }
    return record;
}

// Takes one file back; can be cut short and repeated (see the header).
bool rollBackFile(int installFd, int stagingFd, const std::string& path) {
    const std::string folder = folderOf(path);
    const std::string name = nameOf(path);
    const std::string below = folder.empty() ? std::string() : "/" + folder;
    const UniqueFd ready = openBelow(stagingFd, std::string(kReadyArea) + below);
    const UniqueFd previous = openBelow(stagingFd, std::string(kPreviousArea) + below);
    const UniqueFd target = openBelow(installFd, folder);
    if (ready.get() < 0)
        return false; // the run made it before it recorded anything
    const bool hasPrevious = holdsFile(previous.get(), name);
    if (target.get() < 0)
        return !hasPrevious; // nothing was put in place there
    if (!holdsFile(ready.get(), name) && holdsFile(target.get(), name) &&
        !moveAt(target.get(), ready.get(), name, path))
        return false;
    if (hasPrevious && !moveAt(previous.get(), target.get(), name, path))
        return false;
    return ::fsync(target.get()) == 0 || errno == EINVAL;
}

void removeFolderIfEmpty(int installFd, const std::string& path) {
    const UniqueFd parent = openBelow(installFd, folderOf(path));
    if (parent.get() >= 0 && allowFileChange(FileChange::RemoveFolder, path))
        ::unlinkat(parent.get(), nameOf(path).c_str(), AT_REMOVEDIR);
}

// The temporaries of uninst.ini ("uninst.ini.qmpart", then an optional number) that a run
// killed while it recorded the release's files left in the install folder.
void removeListTemporaries(int installFd) {
    const std::string prefix = std::string(TUninstList::kFileName) + StagedFile::kSuffix;
    DIR* dir = ::fdopendir(::fcntl(installFd, F_DUPFD_CLOEXEC, 0));
    if (!dir)
        return;
    std::vector<std::string> found;
    while (dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.starts_with(prefix) &&
            name.find_first_not_of("0123456789", prefix.size()) == std::string_view::npos)
            found.emplace_back(name);
    }
    ::closedir(dir);
    for (const std::string& name : found) {
        struct stat info {};
        if (::fstatat(installFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            !S_ISDIR(info.st_mode) && allowFileChange(FileChange::Delete, name))
            ::unlinkat(installFd, name.c_str(), 0);
    }
}

bool syncFolder(int fd) {
    return ::fsync(fd) == 0 || errno == EINVAL;
}

} // namespace

bool WriteSwapRecord(const std::string& stagingHost, const SwapRecord& record) {
    std::string text = std::string(kHeader) + "\n";
    for (const std::string& file : record.files)
        text += std::string(kFileLine) + file + "\n";
    for (const std::string& folder : record.folders)
        text += std::string(kFolderLine) + folder + "\n";
    const std::string path = stagingHost + "/" + std::string(kSwapRecordFile);
    if (!allowFileChange(FileChange::Create, path))
        return false;
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd.get() < 0)
        return false;
    if (!allowFileChange(FileChange::Write, path) ||
        ::write(fd.get(), text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
        ::fsync(fd.get()) != 0 || ::close(fd.release()) != 0)
        return false;
    // The staging folder and "Temp" were made by this run: their names too are on the
    // disk before a file moves, or the record could not be found after a power cut.
    for (const char* folderOfRecord : {"", "/..", "/../.."}) {
        const UniqueFd folder(
            ::open((stagingHost + folderOfRecord).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folder.get() < 0 || !syncFolder(folder.get()))
            return false;
    }
    return true;
}

bool EndSwap(const std::string& stagingHost) {
    const UniqueFd folder(
        ::open(stagingHost.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    const std::string name(kSwapRecordFile);
    return folder.get() >= 0 && allowFileChange(FileChange::Delete, stagingHost + "/" + name) &&
           ::unlinkat(folder.get(), name.c_str(), 0) == 0 && syncFolder(folder.get());
}

bool RollBackSwapAt(int installFd, int stagingFd) {
    struct stat info {};
    const std::string name(kSwapRecordFile);
    if (::fstatat(stagingFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    const std::optional<SwapRecord> record = readRecord(stagingFd);
    if (!record) {
        std::fprintf(stderr, "quillmoor: an update's swap record is unreadable; its staging "
                             "folder is kept\n");
        return false;
    }
    bool back = true;
    for (auto file = record->files.rbegin(); file != record->files.rend(); ++file)
        if (!rollBackFile(installFd, stagingFd, *file)) {
            std::fprintf(stderr, "quillmoor: cannot put back %s: %s\n", file->c_str(),
                         std::strerror(errno));
            back = false;
        }
    if (!back)
        return false;
    for (auto folder = record->folders.rbegin(); folder != record->folders.rend(); ++folder)
        removeFolderIfEmpty(installFd, *folder);
    removeListTemporaries(installFd);
    return allowFileChange(FileChange::Delete, name) &&
           ::unlinkat(stagingFd, name.c_str(), 0) == 0 && syncFolder(stagingFd);
}

bool RollBackSwap(const std::string& installHost, const std::string& stagingHost) {
    const UniqueFd install(::open(installHost.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const UniqueFd staging(
        ::open(stagingHost.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    return install.get() >= 0 && staging.get() >= 0 && RollBackSwapAt(install.get(), staging.get());
}

} // namespace qm::updatestaging
