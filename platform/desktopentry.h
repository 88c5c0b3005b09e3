#pragma once
// Desktop entry files ("*.desktop"): the form our shortcuts and our start-at-login
// entries take, because that is what the Linux desktops read. One writer for the
// autostart entries and the shortcuts, so every path reaches the desktop's Exec line
// unharmed.

#include <string>

namespace qm {

// One argument of an Exec key: quoted and escaped for the three layers a desktop reads
// (the key file's string escapes, the argument quoting, the "%" field codes), so any
// path, blanks, "%", "$" and backslashes included, comes back as it is.
std::string desktopExecArgument(const std::string& path);

// Writes `contents` to `hostPath` through a temporary file made exclusively beside it
// and a rename, with `mode` set on the open file. The folder must exist; it is opened
// without following a link another user could have put on the way (folderchain.h).
// False when anything failed (no half file is left).
bool writeDesktopEntry(const std::string& hostPath, const std::string& contents,
                       unsigned mode = 0644);

// The unescaped program path of the entry's Exec line (its first argument), empty when
// the file cannot be read or has none. Only a regular file of at most 64 KiB is read,
// and a named pipe is never waited for.
std::string desktopEntryProgram(const std::string& hostPath);

} // namespace qm
