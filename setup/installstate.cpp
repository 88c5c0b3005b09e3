#include "setup/installstate.h"

#include "platform/dospath.h"
#include "platform/fileio.h"
#include "platform/productkeys.h"
#include "platform/programfiles.h"
#include "platform/registry.h"
#include "platform/uninstlist.h"

#include <filesystem>

namespace qm {

namespace {

// The registered "UninstallString" (HKEY_LOCAL_MACHINE first); empty when no key.
std::string uninstallCommand() {
    for (RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser}) {
        Registry registry(root);
        if (!registry.openKeyReadOnly(kUninstallKey))
            continue;
        std::string command;
        registry.readString(kUninstallStringValue, command);
        return command;
    }
    return {};
}

} // namespace

bool IsProductInstalled(std::string& folder) {
    folder = extractFilePath(uninstallCommand());
    return !folder.empty() && folderExists(folder);
}

bool SameFolder(std::string_view a, std::string_view b) {
    const auto hostA = toHostPath(excludeTrailingBackslash(a));
    const auto hostB = toHostPath(excludeTrailingBackslash(b));
    if (!hostA || !hostB)
        return false;
    std::error_code ec;
    return std::filesystem::equivalent(*hostA, *hostB, ec);
}

TSetupMode ChooseSetupMode(std::string_view programFile, std::string_view ownFolder) {
    std::string installed;
    if (!IsProductInstalled(installed))
        return TSetupMode::Install;
    // Its uninstaller is gone (an uninstall cut short, a file deleted): any copy of setup
    // removes the installation, so it can be installed again. Only a folder that holds
    // one: a registry entry (a user's, read by root through sudo) may name any folder, and
    // the removal takes files by the names the programs use.
    const std::string command = uninstallCommand();
    if (!fileExists(installed + hostProgramFile(extractFileName(command))))
        return fileExists(installed + hostProgramFile(kMainProgramName)) ||
                       fileExists(TUninstList::PathIn(installed))
                   ? TSetupMode::UninstallWithoutUninstaller
                   : TSetupMode::Install;
    if (lowerCaseDos(programFile) == hostProgramFile("setup.exe"))
        return TSetupMode::RefuseWhileInstalled;
    return SameFolder(ownFolder, installed) ? TSetupMode::Uninstall
                                            : TSetupMode::RefuseWhileInstalled;
}

} // namespace qm
