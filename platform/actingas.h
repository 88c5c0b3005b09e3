#pragma once
// ActingAsUser: while it lives, the calling thread touches files with another user's
// rights (that user's uid and gid, no other groups). A program run as root on behalf of
// a user (sudo, pkexec) writes that user's registry file, menu entries and autostart
// entry this way, so that they belong to the user and a link the user planted leads
// nowhere the user could not go anyway. Other threads keep their rights; the guard
// gives the thread its own rights back when it ends. Nothing changes when the process
// does not run as root or the user is root.

#include "platform/realuser.h"

#include <functional>
#include <sys/types.h>
#include <vector>

namespace qm {

class ActingAsUser {
  public:
    explicit ActingAsUser(const RealUser& user);
    ~ActingAsUser();
    ActingAsUser(const ActingAsUser&) = delete;
    ActingAsUser& operator=(const ActingAsUser&) = delete;

    // False when the rights could not be taken: then nothing may be written.
    bool ok() const { return ok_; }

  private:
    bool ok_ = true;
    bool switched_ = false;
    gid_t ownGid_ = 0;
    std::vector<gid_t> ownGroups_;
};

// Runs `work` with the rights of the user the program works for when it runs as root
// for another user, else simply runs it. False (and `work` not run) when those rights
// could not be taken.
bool asRealUser(const std::function<void()>& work);

// Wraps `step` so that, whenever it runs, it runs with the rights the calling thread
// has now (for undo steps recorded while acting as a user).
std::function<void()> withCurrentRights(std::function<void()> step);

} // namespace qm
