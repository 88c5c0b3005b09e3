#pragma once
// uninstdirs.ini: the folders setup made for an installation, beside uninst.ini in the
// install folder: the install folder itself when setup made it and every folder above it
// that setup made on the way, one full DOS path a line, the deepest first, lines ended by
// CR LF. A folder that was there before is never listed, so the uninstaller, which
// removes the listed folders last and each only when empty, never removes a folder
// setup did not make. A reinstall keeps the lines of the record it finds. The reader
// keeps only the install folder and folders above it (never a drive root), each once,
// the deepest first, so a damaged or foreign record can name nothing else. A record of
// its own, not lines of uninst.ini: that list only ever names paths below the folder,
// and readers that keep to that rule (the updater rewrites it) would drop these.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class TCreatedFolders {
  public:
    static constexpr std::string_view kFileName = "uninstdirs.ini";
    // A few dozen lines; a larger file is not a record of ours and is not read.
    static constexpr int64_t kMaxBytes = 64 * 1024;

    // The record's path in the install folder `folder` (DOS path).
    static std::string PathIn(const std::string& folder);
    // Writes the usable paths of `folders`, the deepest first. False when the write
    // failed (an existing record then stays as it was).
    static bool Write(const std::string& folder, const std::vector<std::string>& folders);
    // The usable lines of the record in `folder`; nothing when it is missing or
    // unreadable (an installation made before the record existed).
    static std::optional<std::vector<std::string>> Read(const std::string& folder);

    // Whether `path` is the install folder `folder` or a folder above it, below a drive
    // root, without "..".
    static bool IsAtOrAbove(const std::string& path, const std::string& folder);
};

} // namespace qm
