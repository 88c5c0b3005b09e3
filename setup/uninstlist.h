#pragma once
// uninst.ini: what an installation wrote below its folder, one full DOS path a line,
// lines ended by CR LF, the entries of a folder before the folder, and the list's own
// path last. The installer writes exactly what it put there; the reader keeps only
// absolute paths strictly below the folder, without ".." and each once, so a damaged
// or foreign list can never name anything else for deletion.

#include <optional>
#include <string>
#include <vector>

namespace qm {

class TUninstList {
  public:
    // The list's own path in `folder` (DOS path).
    static std::string PathIn(const std::string& folder);
    // Writes `entries` and then the list's own path. False when the write failed.
    static bool Write(const std::string& folder, const std::vector<std::string>& entries);
    // The usable lines of folder\uninst.ini; nothing when the file is missing or
    // unreadable.
    static std::optional<std::vector<std::string>> Read(const std::string& folder);
    // Whether `path` is an absolute DOS path strictly below `folder` without "..".
    static bool IsBelow(const std::string& path, const std::string& folder);
};

} // namespace qm
