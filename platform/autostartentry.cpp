#include "platform/autostartentry.h"

#include "platform/desktopentry.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <sys/stat.h>

namespace qm {

namespace {

bool makeFolders(const std::string& folder) {
    std::string path;
    std::stringstream parts(folder);
    for (std::string part; std::getline(parts, part, '/');) {
        path += part + "/";
        if (part.empty())
            continue;
        if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

} // namespace

std::string userAutostartFolder() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        return std::string(config) + "/autostart";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config/autostart";
}

std::string systemRoot() {
    std::string root;
    if (const char* env = std::getenv("QUILLMOOR_SYSTEM_ROOT"); env && *env == '/')
        root = env;
    while (!root.empty() && root.back() == '/')
        root.pop_back();
    return root;
}

std::string machineAutostartFolder() {
    return systemRoot() + "/etc/xdg/autostart";
}

bool writeAutostartEntry(const std::string& folder, const std::string& programPath, bool enabled) {
    if (!makeFolders(folder))
        return false;
    std::ostringstream out;
    out << "[Desktop Entry]\n"
        << "Type=Application\n"
        << "Name=Quillmoor Backup\n"
        << "Exec=" << desktopExecArgument(programPath) << " -w\n"
        << "Terminal=false\n"
        << "X-GNOME-Autostart-enabled=" << (enabled ? "true" : "false") << "\n";
    if (!enabled)
        out << "Hidden=true\n";
    return writeDesktopEntry(folder + "/" + kAutostartFileName, out.str());
}

bool removeAutostartEntry(const std::string& folder, const std::string& programPath) {
    const std::string file = folder + "/" + kAutostartFileName;
    struct stat info {};
    if (::lstat(file.c_str(), &info) != 0)
        return true;
    if (desktopEntryProgram(file) != programPath)
        return false;
    return std::remove(file.c_str()) == 0;
}

} // namespace qm
