#pragma once
// Who the program works for. A program started elevated through sudo or pkexec runs
// as root, yet its per-user data (registry hive, window titles, user name) belongs to
// the user who asked for the elevation: a program run as administrator still keeps
// its settings in its user's registry.

#include <string>
#include <sys/types.h>

namespace qm {

struct RealUser {
    uid_t uid = 0;
    gid_t gid = 0;
    std::string name; // login name from the account database; may be empty (see below)
    std::string home; // home folder, may be empty
    // True when running as root on behalf of another user (SUDO_UID / PKEXEC_UID).
    bool elevatedForOther = false;
};

// The user the program works for: with euid 0 and SUDO_UID (or PKEXEC_UID) naming
// another account, that account, with its home from the account database; otherwise the
// real uid and gid of the process with $HOME (the account database only when $HOME is
// unset, so `name` is then empty: GetUserName looks it up).
RealUser realUser();

// Test seam: the home of the account a process elevated for another user works for, in
// place of the account database's, so a test that plays sudo never reaches a real home.
// Set by the process itself, never by its environment (which under sudo may be that
// user's); empty gives the account database back.
void setElevatedUserHome(std::string home);

// That user's desktop folders: $XDG_CONFIG_HOME and $XDG_DATA_HOME, else ~/.config and
// ~/.local/share. Elevated for another user, always below that user's home: the
// environment is root's then and says nothing about the user's folders.
std::string userConfigFolder();
std::string userDataFolder();

// The login name of that user, honouring SUDO_USER when elevated through sudo.
std::string GetUserName();

} // namespace qm
