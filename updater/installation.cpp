#include "updater/installation.h"

#include "platform/dospath.h"
#include "platform/fileio.h"
#include "platform/productkeys.h"
#include "platform/programfiles.h"
#include "platform/registry.h"
#include "updater/release.h"

#include <sys/stat.h>

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

std::optional<TInstallation> findInstallation() {
    std::string command = uninstallString(RegistryRoot::LocalMachine);
    if (command.empty())
        command = uninstallString(RegistryRoot::CurrentUser);
    const std::string folder = extractFilePath(command);
    if (folder.empty())
        return std::nullopt;
    const std::optional<std::string> host = toHostPath(folder);
    struct stat info {};
    if (!host || ::stat(host->c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::nullopt;
    TInstallation installation;
    installation.folder = includeTrailingBackslash(folder);
    installation.hostFolder = *host + (host->back() == '/' ? "" : "/");
    return installation;
}

} // namespace qm
