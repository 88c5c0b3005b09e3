#include "updater/installation.h"

#include "platform/dospath.h"
#include "platform/fileio.h"
#include "platform/folderchain.h"
#include "platform/productkeys.h"
#include "platform/programfiles.h"
#include "platform/registry.h"
#include "updater/release.h"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

std::string uninstallString(RegistryRoot root) {
    Registry registry(root);
    std::string value;
    if (!registry.openKeyReadOnly(kUninstallKey) ||
        registry.readString(kUninstallStringValue, value) != RegistryStatus::Ok)
        return {};
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return value;
}

} // namespace

std::string TInstallation::GetInstalledProgramDate() const {
    const std::optional<double> date = fileDateTime(folder + hostProgramFile(kMainProgramName));
    return date ? formatReleaseDate(*date) : std::string();
}

std::string TInstallation::hostProgram(std::string_view windowsName) const {
    return hostProgramPath(hostFolder, windowsName);
}

bool TInstallation::MayStart(std::string_view windowsName) const {
    if (::geteuid() != 0)
        return true;
    struct stat info {};
    const std::string path = hostProgram(windowsName);
    return changeableOnlyByRoot(hostFolder) && ::lstat(path.c_str(), &info) == 0 &&
           S_ISREG(info.st_mode) && info.st_uid == 0 && (info.st_mode & 022) == 0;
}

std::optional<TInstallation> findInstallation() {
    // Run by root, only the machine's own registry says where the program lives: a
    // user's registry (where an administrator's own install through sudo is recorded)
    // could name any folder, and root would install into it and start a program from it.
    const bool root = ::geteuid() == 0;
    std::string command = uninstallString(RegistryRoot::LocalMachine);
    if (command.empty() && !root)
        command = uninstallString(RegistryRoot::CurrentUser);
    if (command.empty() && root && !uninstallString(RegistryRoot::CurrentUser).empty())
        std::fprintf(stderr, "updater: the installation recorded for one user is not updated "
                             "by root; run setup again to update it\n");
    const std::string folder = extractFilePath(command);
    if (folder.empty())
        return std::nullopt;
    const std::optional<std::string> host = toHostPath(folder);
    struct stat info {};
    if (!host || ::stat(host->c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::nullopt;
    if (root && !changeableOnlyByRoot(*host)) {
        std::fprintf(stderr,
                     "updater: %s or a folder above it may be changed by another user than "
                     "root; root does not update it\n",
                     host->c_str());
        return std::nullopt;
    }
    TInstallation installation;
    installation.folder = includeTrailingBackslash(folder);
    installation.hostFolder = *host + (host->back() == '/' ? "" : "/");
    return installation;
}

} // namespace qm
