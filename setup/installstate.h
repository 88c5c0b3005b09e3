#pragma once
// Whether the product is installed, and so which window setup shows. Installed means:
// the Uninstall key (HKEY_LOCAL_MACHINE first, else HKEY_CURRENT_USER) names an
// "UninstallString" whose folder exists. The program's own folder must be that folder to
// uninstall: a copy anywhere else (the medium's "setup" or a renamed copy) never
// uninstalls, it asks for the installed copy to be removed first; only when the installed
// uninstaller is missing, from a folder that still holds the main program or uninst.ini,
// does any copy show the uninstall window for the installed folder. Run as root for a
// user (sudo, pkexec), the user's HKEY_CURRENT_USER counts only for an installation
// whose User.dat names that user: the user's hive may name another account's.

#include <string>
#include <string_view>

namespace qm {

// True when installed; `folder` gets the folder of "UninstallString" (trailing "\").
bool IsProductInstalled(std::string& folder);

enum class TSetupMode { Install, Uninstall, RefuseWhileInstalled, UninstallWithoutUninstaller };

// `programFile`: the running program's file name; `ownFolder`: its folder (DOS path).
TSetupMode ChooseSetupMode(std::string_view programFile, std::string_view ownFolder);

// The same folder, compared by where the paths lead on this machine.
bool SameFolder(std::string_view a, std::string_view b);

} // namespace qm
