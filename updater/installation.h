#pragma once
// TInstallation: where the system is installed, as setup recorded it: the folder of
// `UninstallString` under setup's Uninstall key (HKEY_LOCAL_MACHINE first, then
// HKEY_CURRENT_USER). The installed release is known by nothing but the date of the
// installed main program.

#include <optional>
#include <string>

namespace qm {

struct TInstallation {
    std::string folder;     // DOS path with a trailing backslash
    std::string hostFolder; // the same folder on the host, with a trailing '/'

    // The main program's file date as "yyyy-dd-mm"; empty when it is missing.
    std::string GetInstalledProgramDate() const;
    // The host path of a file of the installation, named as the programs name it.
    std::string hostProgram(std::string_view windowsName) const;
};

// Nothing when no Uninstall key names an existing folder.
std::optional<TInstallation> findInstallation();

} // namespace qm
