#pragma once
// Shortcuts ("*.lnk" shell links on Windows) are desktop entries here:
// "Quillmoor.lnk" in a folder is the file "Quillmoor.desktop" there, starting its target
// in its working folder. Paths are DOS paths; the entry holds their host paths.

#include <optional>
#include <string>
#include <string_view>

namespace qm {

// The file name that stands for a link file name: "Quillmoor.lnk" -> "Quillmoor.desktop".
std::string hostLinkFileName(std::string_view linkFile);
// `folderDos` + "\" + the host name of `linkFile`.
std::string shellLinkPath(std::string_view folderDos, std::string_view linkFile);

// Writes the shortcut `linkFile` (e.g. "Quillmoor.lnk") into the existing folder
// `folderDos`; the desktop shows `linkFile` without its extension as its name. Returns
// the DOS path written, nothing when a path does not translate or the write failed.
std::optional<std::string> CreateShellLink(std::string_view folderDos, std::string_view linkFile,
                                           std::string_view targetDos,
                                           std::string_view workingFolderDos,
                                           std::string_view arguments = {});

} // namespace qm
