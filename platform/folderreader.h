#pragma once
// Reads the entries of one host folder, "." and ".." left out, and closes the folder
// when it goes out of scope. It owns its own descriptor: opened by path, or on a
// duplicate of a folder descriptor the caller keeps. A read that fails ends the listing
// with failed() set, so a caller never takes half a folder for all of it.

#include <dirent.h>
#include <string>

namespace qm {

class FolderReader {
  public:
    // Opens `hostFolder`, following links like opendir(3).
    explicit FolderReader(const std::string& hostFolder);
    // Reads the folder open as `folderFd` from its start; `folderFd` stays the caller's.
    static FolderReader at(int folderFd);
    ~FolderReader();
    FolderReader(FolderReader&& other) noexcept;
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;
    FolderReader& operator=(FolderReader&&) = delete;

    // False (errno set) when the folder could not be opened.
    bool isOpen() const { return dir_ != nullptr; }
    // The next entry, valid until the next call; nullptr at the end or on an error.
    const dirent* next();
    // Whether reading stopped on an error rather than at the end (errno kept in error()).
    bool failed() const { return error_ != 0; }
    int error() const { return error_; }
    // The open folder's descriptor, for the *at calls on its entries (-1 when not open).
    int fd() const { return dir_ ? ::dirfd(dir_) : -1; }

  private:
    explicit FolderReader(DIR* dir) : dir_(dir) {}
    DIR* dir_ = nullptr;
    int error_ = 0;
};

} // namespace qm
