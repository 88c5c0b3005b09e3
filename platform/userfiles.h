#pragma once
// Small files another account may have put where a program run as root reads: the
// user's desktop settings (user-dirs.dirs, autostart entries) read through sudo or
// pkexec. The user may have put anything at such a name: a named pipe that would block
// the read for ever, a link to a device that never ends (/dev/zero), a file of any size.
// These readers take a regular file only, open it without waiting, and read no more than
// the caller's cap.

#include <cstddef>
#include <string>

namespace qm {

struct SmallFile {
    enum class Status { Read, Missing, Refused };
    Status status = Status::Missing;
    std::string bytes;   // the whole file when Read
    std::string problem; // why it was Refused (for a log line)
};

// The file at `hostPath`: Missing when no such name exists (the only case a caller may
// take as "not there"), Refused when it is no regular file, holds more than `maxBytes`
// or cannot be read.
SmallFile readRegularFile(const std::string& hostPath, size_t maxBytes);

// The same with the rights of the user the program works for (asRealUser), for a file in
// that user's home: root reads there nothing the user could not.
SmallFile readUserFile(const std::string& hostPath, size_t maxBytes);

} // namespace qm
