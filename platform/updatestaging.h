#pragma once
// The updater's staging folders: "Temp\update-XXXXXX" in the install folder, each made
// new by one run of the updater and holding only the areas below. The run keeps an
// exclusive lock (flock) on its folder while it lives, so a folder nobody holds was left
// by an updater that ended without cleaning up (killed, crashed, power lost).
// RemoveStaleUpdateFolders removes exactly those: a real folder (never a link) named
// "update-" and six letters or digits, owned by this user, holding nothing but the
// areas, the write test and the swap record, and not locked; a swap the run left
// unfinished is first taken back (platform/updateswap.h), and a folder whose swap cannot
// be taken back stays. Anything else in "Temp" stays. The updater calls it at each
// check, setup before it looks at the install folder, and the uninstaller before it
// removes anything.

#include "platform/uniquefd.h"

#include <array>
#include <string>
#include <string_view>

namespace qm::updatestaging {

inline constexpr std::string_view kTempFolder = "Temp";
inline constexpr std::string_view kPrefix = "update-"; // then mkdtemp's six characters
inline constexpr std::string_view kFilesArea = "files";
inline constexpr std::string_view kReadyArea = "ready";
inline constexpr std::string_view kPreviousArea = "previous";
inline constexpr std::array<std::string_view, 3> kAreas = {kFilesArea, kReadyArea, kPreviousArea};
inline constexpr std::string_view kWriteTestFile = "~000.tmp";

// Whether `name` is the name of a staging folder ("update-" and six letters or digits).
bool IsStagingName(std::string_view name);

// Makes a new staging folder in `temp` (a host folder) and locks it; the handle holds
// the lock for as long as it is open. `path` gets its host path. An invalid handle
// (errno set) when no folder could be made.
UniqueFd MakeStagingFolder(const std::string& temp, std::string& path);

// Removes the stale staging folders of the install folder `installHost` (a host path)
// and then "Temp" when it is empty. Returns how many it removed.
int RemoveStaleUpdateFolders(const std::string& installHost);

} // namespace qm::updatestaging
