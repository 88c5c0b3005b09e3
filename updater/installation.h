#pragma once
// TInstallation: where the system is installed, as setup recorded it: the folder of
// `UninstallString` under setup's Uninstall key (HKEY_LOCAL_MACHINE first, then
// HKEY_CURRENT_USER). Run as root, only HKEY_LOCAL_MACHINE counts, and only a folder
// that no user but root may change (nor any folder above it): root never installs into
// or starts a program from a place another user controls. The installed release is known by nothing
// but the date of the installed main program.

#include <optional>
#include <string>
#include <string_view>

namespace qm {

struct TInstallation {
    std::string folder;     // DOS path with a trailing backslash
    std::string hostFolder; // the same folder on the host, with a trailing '/'

    // The main program's file date as "yyyy-dd-mm"; empty when it is missing.
    std::string GetInstalledProgramDate() const;
    // The host path of a file of the installation, named as the programs name it.
    std::string hostProgram(std::string_view windowsName) const;
    // Whether the program may be started from the installation: always for a user; for
    // root only a regular file of root's that no one else may change, in a folder only
    // root may change. Asked right before the start.
    bool MayStart(std::string_view windowsName) const;
};

// Nothing when no Uninstall key names an existing folder.
std::optional<TInstallation> findInstallation();

} // namespace qm
