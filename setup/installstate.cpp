#include "setup/installstate.h"

#include "platform/dospath.h"
#include "platform/fileio.h"
#include "platform/productkeys.h"
#include "platform/programfiles.h"
#include "platform/realuser.h"
#include "platform/registry.h"
#include "platform/uninstlist.h"
#include "platform/userfiles.h"

#include <cstdio>
#include <filesystem>
#include <optional>

namespace qm {

namespace {

// Whether the installation in `folder` is one root may take as the user's: any, except
// when root runs for a user (sudo, pkexec). Then the user's hive, which the user may
// change at will, could name another account's installation; only one made for this
// user counts, whose User.dat (written when an administrator installs for one user)
// names them. Read with the user's rights: a file the user cannot read is not theirs.
bool takenAsTheUsers(const std::string& folder) {
    if (!realUser().elevatedForOther)
        return true;
    const std::optional<std::string> host = toHostPath(folder + std::string(kUserFileName));
    if (!host)
        return false;
    constexpr size_t kMaxUserFileBytes = 4096;
    const SmallFile file = readUserFile(*host, kMaxUserFileBytes);
    const std::string name = GetUserName();
    if (file.status == SmallFile::Status::Read && !name.empty() && file.bytes == name)
        return true;
    std::fprintf(stderr,
                 "setup: the installation in %s is not taken as %s's: only the machine's "
                 "registry or a User.dat naming the user lets root act on it\n",
                 host->c_str(), name.c_str());
    return false;
}

// The registered "UninstallString" (HKEY_LOCAL_MACHINE first); empty when no key, or when
// only the user's registry names an installation root may not take as the user's.
std::string uninstallCommand() {
    for (RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser}) {
        Registry registry(root);
        if (!registry.openKeyReadOnly(kUninstallKey))
            continue;
        std::string command;
        registry.readString(kUninstallStringValue, command);
        if (root == RegistryRoot::CurrentUser && !takenAsTheUsers(extractFilePath(command)))
            return {};
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
