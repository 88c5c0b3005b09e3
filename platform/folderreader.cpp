#include "platform/folderreader.h"

#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace qm {

FolderReader::FolderReader(const std::string& hostFolder) : dir_(::opendir(hostFolder.c_str())) {}

FolderReader FolderReader::at(int folderFd) {
    const int own = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    if (own < 0)
        return FolderReader(nullptr);
    DIR* dir = ::fdopendir(own);
    if (!dir) {
        const int error = errno;
        ::close(own);
        errno = error;
        return FolderReader(nullptr);
    }
    // A duplicate shares the read position: start from the first entry whatever the
    // caller read before.
    ::rewinddir(dir);
    return FolderReader(dir);
}

FolderReader::FolderReader(FolderReader&& other) noexcept : dir_(other.dir_), error_(other.error_) {
    other.dir_ = nullptr;
}

FolderReader::~FolderReader() {
    if (dir_)
        ::closedir(dir_);
}

const dirent* FolderReader::next() {
    if (!dir_ || error_ != 0)
        return nullptr;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir_);
        if (!entry) {
            error_ = errno;
            return nullptr;
        }
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            return entry;
    }
}

} // namespace qm
