#pragma once
// uninst.ini: what was put below the install folder, one full DOS path a line, lines
// ended by CR LF, the entries of a folder before the folder, and the list's own path
// last; the uninstaller deletes the lines in file order. Setup writes the list with
// exactly what it installed, and the updater adds what a release brought. The reader
// keeps only absolute paths strictly below the folder, without ".." and each once, so a
// damaged or foreign list can never name anything else for deletion. Every write goes
// to a new file beside the list that is renamed over it when complete.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class TUninstList {
  public:
    static constexpr std::string_view kFileName = "uninst.ini";
    static constexpr std::string_view kLineEnd = "\r\n";
    // Thousands of lines; a larger file is not a list of ours and is not read.
    static constexpr int64_t kMaxBytes = 1 << 20;

    // The list's own path in `folder` (DOS path).
    static std::string PathIn(const std::string& folder);
    // Writes `entries` and then the list's own path. False when the write failed.
    static bool Write(const std::string& folder, const std::vector<std::string>& entries);
    // The usable lines of folder\uninst.ini; nothing when the file is missing or
    // unreadable.
    static std::optional<std::vector<std::string>> Read(const std::string& folder);

    enum class AddOutcome { Added, NoList, Failed };
    // Puts the paths of `added` that the list does not hold yet in front of its lines
    // (so every folder it lists still comes after what is in it) and writes it again.
    // `added` must itself hold a new folder's entries before the folder. Paths that are
    // not below the folder are dropped. NoList when there is no readable list (nothing
    // is written); Failed, with `error`, when the write failed (the list stays as it was).
    static AddOutcome Add(const std::string& folder, const std::vector<std::string>& added,
                          std::string& error);

    // Whether `path` is an absolute DOS path strictly below `folder` without "..".
    static bool IsBelow(const std::string& path, const std::string& folder);
};

} // namespace qm
