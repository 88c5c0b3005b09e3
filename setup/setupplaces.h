#pragma once
// The places setup writes outside the install folder, and the tidying after a setup run
// that was killed before its end.

#include "platform/hivestore.h"

#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The folder inside the install folder where a run prepares the files it installs.
inline constexpr std::string_view kStagingFolderName = ".qmsetup";

// Setup's shortcuts as DOS paths: the program group's three and the desktop's one, in
// the special folders of `root` (where the desktop knows the folder).
std::vector<std::string> SetupShortcutPathsOf(RegistryRoot root);
// Those of the user and, for an administrator, those for all users.
std::vector<std::string> SetupShortcutPaths(bool admin);

// What a run killed before its end left: the files it had set aside go back under their
// names, as its rollback would have put them (in the install folder and its subfolders
// when it holds an installation, beside setup's shortcuts and autostart entries); its
// staging folder and the temporaries of the files it writes beside the programs
// (User.dat, uninst.ini, uninstdirs.ini) go; what its placing record names and its
// staging folder no longer holds goes too (setup/placingrecord.h), and an update cut
// short is taken back. Only setup's own names in setup's own places; links
// are never followed. The installer runs it before it looks at the folder, the uninstaller before
// it removes anything. Run as root for another user, it touches that user's places with
// the user's rights.
void TidyAfterKilledRun(const std::string& installFolder, bool admin);

} // namespace qm
