#include "platform/autostartentry.h"

#include "platform/desktopentry.h"
#include "platform/folderchain.h"
#include "platform/realuser.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <sys/stat.h>

namespace qm {

std::string userAutostartFolder() {
    return userConfigFolder() + "/autostart";
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
    // Every user's desktop reads the system folder; a user's own stays private.
    const mode_t folderMode = folder == machineAutostartFolder() ? 0755 : 0700;
    if (openFolderChain(folder, true, folderMode).get() < 0)
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
