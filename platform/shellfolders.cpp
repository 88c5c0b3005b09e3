#include "platform/shellfolders.h"

#include "platform/autostartentry.h"
#include "platform/dospath.h"
#include "platform/realuser.h"
#include "platform/registry.h"
#include "platform/userfiles.h"

#include <array>
#include <cstdio>
#include <sstream>

namespace qm {

namespace {

constexpr std::array<const char*, 5> kValueNames = {"Desktop", "Start Menu", "Programs", "Startup",
                                                    "Personal"};

// The home of the user the program works for (under sudo that user's, not root's).
std::string home() {
    return realUser().home;
}

// user-dirs.dirs is a few lines; anything larger is not the desktop's.
constexpr size_t kMaxUserDirsBytes = 64 * 1024;

// A folder of user-dirs.dirs ("XDG_DESKTOP_DIR="$HOME/Desktop""), else `fallback` when
// the file or the key is not there; nothing (unknown) when the file cannot be read. Run
// as root for a user, the file is the user's: read with the user's rights, never waited
// for, never past its cap.
std::optional<std::string> userDir(const std::string& key, const std::string& fallback) {
    const std::string path = userConfigFolder() + "/user-dirs.dirs";
    const SmallFile file = readUserFile(path, kMaxUserDirsBytes);
    if (file.status == SmallFile::Status::Refused) {
        std::fprintf(stderr, "quillmoor: %s is not read (%s), so %s is unknown\n", path.c_str(),
                     file.problem.c_str(), key.c_str());
        return std::nullopt;
    }
    std::istringstream in(file.bytes);
    for (std::string line; std::getline(in, line);) {
        if (!line.starts_with(key + "=\""))
            continue;
        std::string value = line.substr(key.size() + 2);
        value = value.substr(0, value.find('"'));
        if (value.starts_with("$HOME"))
            value = home() + value.substr(5);
        if (value.starts_with('/'))
            return value;
    }
    return fallback;
}

std::optional<std::string> desktopFolder(RegistryRoot root, ShellFolderKind kind) {
    const bool user = root == RegistryRoot::CurrentUser;
    switch (kind) {
    case ShellFolderKind::Desktop:
        if (user)
            return userDir("XDG_DESKTOP_DIR", home() + "/Desktop");
        return std::nullopt;
    case ShellFolderKind::StartMenu:
    case ShellFolderKind::Programs:
        return (user ? userDataFolder() : systemRoot() + "/usr/share") + "/applications";
    case ShellFolderKind::Startup:
        return user ? userAutostartFolder() : machineAutostartFolder();
    case ShellFolderKind::Personal:
        if (user)
            return userDir("XDG_DOCUMENTS_DIR", home());
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> ShellFolder(RegistryRoot root, ShellFolderKind kind) {
    const std::string name = kValueNames[static_cast<size_t>(kind)];
    Registry registry(root);
    if (registry.openKeyReadOnly(kShellFoldersKey)) {
        std::string folder;
        if (registry.readString(name, folder) == RegistryStatus::Ok ||
            registry.readString("Common " + name, folder) == RegistryStatus::Ok)
            return folder.empty() ? std::nullopt
                                  : std::optional<std::string>(excludeTrailingBackslash(folder));
    }
    const std::optional<std::string> host = desktopFolder(root, kind);
    if (!host || host->empty() || host->front() != '/')
        return std::nullopt;
    const std::optional<std::string> dos = toDosPath(*host);
    if (!dos)
        return std::nullopt;
    return excludeTrailingBackslash(*dos);
}

} // namespace qm
