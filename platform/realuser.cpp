#include "platform/realuser.h"

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace qm {

namespace {

constexpr gid_t kNoGroup = 65534;

std::string gElevatedUserHome;

std::optional<uid_t> uidFromEnv(const char* name) {
    const char* text = std::getenv(name);
    if (!text || !*text)
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    unsigned long value = std::strtoul(text, &end, 10);
    if (errno != 0 || *end != '\0' || value == 0 || value > 0x7fffffffUL)
        return std::nullopt;
    return static_cast<uid_t>(value);
}

// Root's process, also while a thread of it acts as the user (ActingAsUser changes only
// the thread's effective ids).
bool runsAsRoot() {
    return geteuid() == 0 || getuid() == 0;
}

std::optional<uid_t> elevatingUid() {
    if (!runsAsRoot())
        return std::nullopt;
    if (auto uid = uidFromEnv("SUDO_UID"))
        return uid;
    return uidFromEnv("PKEXEC_UID");
}

void fillFromPasswd(RealUser& user) {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(user.uid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return;
    user.gid = found->pw_gid;
    user.name = found->pw_name ? found->pw_name : "";
    user.home = found->pw_dir ? found->pw_dir : "";
}

} // namespace

RealUser realUser() {
    RealUser user;
    user.uid = getuid();
    user.gid = getgid();
    if (auto other = elevatingUid()) {
        user.uid = *other;
        user.elevatedForOther = true;
        // Never root's group for another user, even when the account database has no
        // entry for the account.
        user.gid = static_cast<gid_t>(uidFromEnv("SUDO_GID").value_or(kNoGroup));
    }
    if (user.elevatedForOther) {
        fillFromPasswd(user);
        if (!gElevatedUserHome.empty())
            user.home = gElevatedUserHome;
        return user;
    }
    // Every registry call asks who the user is: the account database is read only where
    // the environment does not say.
    if (const char* home = std::getenv("HOME"); home && *home) {
        user.home = home;
        return user;
    }
    fillFromPasswd(user);
    return user;
}

void setElevatedUserHome(std::string home) {
    gElevatedUserHome = std::move(home);
}

namespace {

std::string desktopFolder(const char* variable, const char* belowHome) {
    const RealUser user = realUser();
    if (!user.elevatedForOther)
        if (const char* value = std::getenv(variable); value && *value == '/')
            return value;
    return user.home + belowHome;
}

} // namespace

std::string userConfigFolder() {
    return desktopFolder("XDG_CONFIG_HOME", "/.config");
}

std::string userDataFolder() {
    return desktopFolder("XDG_DATA_HOME", "/.local/share");
}

std::string GetUserName() {
    if (runsAsRoot()) {
        if (const char* sudoUser = std::getenv("SUDO_USER"); sudoUser && *sudoUser)
            return sudoUser;
    }
    RealUser user = realUser();
    if (user.name.empty())
        fillFromPasswd(user);
    if (!user.name.empty())
        return user.name;
    for (const char* name : {"LOGNAME", "USER"}) {
        if (const char* value = std::getenv(name); value && *value)
            return value;
    }
    return {};
}

} // namespace qm
