#pragma once
// The special folders of the "Shell Folders" key, as DOS paths. The key
// ("\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders") is only read,
// never created: a value by the kind's name, else "Common " + the name. When the hive
// holds neither, the desktop's own folders answer: for HKEY_CURRENT_USER the user's
// XDG folders (desktop and documents from user-dirs.dirs, the applications folder of
// $XDG_DATA_HOME, the autostart folder of $XDG_CONFIG_HOME); for HKEY_LOCAL_MACHINE the
// system-wide ones (/usr/share/applications, /etc/xdg/autostart, below
// QUILLMOOR_SYSTEM_ROOT when set). There is no all-users desktop or documents folder:
// those are unknown, and a caller skips what it would have put there. So are the user's
// when user-dirs.dirs is there but cannot be read: it is read with the user's rights, as
// a regular file of at most 64 KiB, without waiting (userfiles.h).

#include "platform/hivestore.h"

#include <optional>
#include <string>

namespace qm {

enum class ShellFolderKind { Desktop = 0, StartMenu = 1, Programs = 2, Startup = 3, Personal = 4 };

inline constexpr const char* kShellFoldersKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The folder (no trailing backslash) or nothing when unknown.
std::optional<std::string> ShellFolder(RegistryRoot root, ShellFolderKind kind);

} // namespace qm
