#pragma once
// The free-space test before a backup and the recursive folder deletion of the Reports
// page, on DOS paths.

#include <cstdint>
#include <string_view>

namespace qm {

// 0 when the drive has room for `neededBytes`, 2 when it has not, 3 when its free space
// cannot be read (no such drive, empty letter). Callers treat 2 and above as "no room".
int CheckFreeSpace(std::string_view driveLetter, int64_t neededBytes);

// Deletes the files of `path` and, with `withSubfolders`, its sub-folders the same way,
// then the folder itself; true when the folder is gone. A file that cannot be deleted,
// or a read-only one (no owner write permission), stays and keeps the folder. Links are
// never followed: with `withSubfolders` a link to a folder is removed as a link, its
// target untouched. A drive root is refused (false) and nothing is deleted.
bool DeleteFolder(std::string_view path, bool withSubfolders);

} // namespace qm
