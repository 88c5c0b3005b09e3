#pragma once
// File operations the windows need beyond fileio.h, on DOS paths: a copy that keeps
// the file's dates, a move that copies and deletes when the target is on another
// device, and a recursive folder delete that never follows a link and refuses the
// roots of drives (and the host's "/").

#include <string_view>

namespace qm {

// Copies a file over an existing target (through a temporary file in the target's
// folder, renamed into place), keeping its modification time and permissions.
bool copyFileKeepingDate(std::string_view fromDosPath, std::string_view toDosPath);
// Renames a file; across devices copies it (keeping dates) and deletes the original.
// The original stays whenever the copy did not complete.
bool moveFile(std::string_view fromDosPath, std::string_view toDosPath);
// Deletes a folder with everything in it. A link inside is removed as a link, never
// followed. Refuses a drive root and "/". True when the folder is gone.
bool deleteFolderTree(std::string_view dosPath);
// The same for the folder `name` inside the folder open as `parentFd`, for callers that
// walk a tree by handles: a `name` that is a link or no folder is refused.
bool deleteFolderTreeAt(int parentFd, const char* name);

// What a folder delete may leave standing. The defaults remove everything.
struct FolderDeleteRules {
    bool withSubfolders = true; // false: sub-folders (and links to folders) stay
    bool keepReadOnly = false;  // true: files their owner may not write stay
};
// The one recursive delete behind deleteFolderTree and DeleteFolder. The folder itself
// must not be a link (refused), nor a drive root or "/". Links inside are removed as
// links, never followed. True when the folder itself is gone.
bool deleteFolder(std::string_view dosPath, FolderDeleteRules rules);

} // namespace qm
