#pragma once
// The free-space test before a backup and the recursive folder deletion of the Reports
// page, on DOS paths.

#include <cstdint>
#include <string_view>

namespace qm {

// What the free-space test found; anything but Enough is "no room" to a backup.
enum class FreeSpace {
    Enough,
    TooLittle,  // the drive has less free space than asked for
    Unreadable, // no such drive, an empty letter, or its free space cannot be read
};

FreeSpace CheckFreeSpace(std::string_view driveLetter, int64_t neededBytes);

// Deletes the files of `path` and, with `withSubfolders`, its sub-folders the same way,
// then the folder itself; true when the folder is gone. A file that cannot be deleted,
// or a read-only one (no owner write permission), stays and keeps the folder. Links are
// never followed: with `withSubfolders` a link to a folder is removed as a link, its
// target untouched. A drive root is refused (false) and nothing is deleted.
bool DeleteFolder(std::string_view path, bool withSubfolders);

} // namespace qm
