#include "platform/actingas.h"

#include <cstdlib>
#include <sys/syscall.h>
#include <unistd.h>

namespace qm {

namespace {

// The user this thread acts as; uid 0 when it acts as itself.
struct ThreadRights {
    uid_t uid = 0;
    gid_t gid = 0;
};
thread_local ThreadRights gActing;

// The system calls themselves change only the calling thread's rights (the C library's
// wrappers change every thread's).
bool setThreadRights(uid_t uid, gid_t gid, size_t groupCount, const gid_t* groups) {
    if (uid != 0) {
        return ::syscall(SYS_setgroups, groupCount, groups) == 0 &&
               ::syscall(SYS_setresgid, -1, gid, -1) == 0 &&
               ::syscall(SYS_setresuid, -1, uid, -1) == 0;
    }
    return ::syscall(SYS_setresuid, -1, 0, -1) == 0 && ::syscall(SYS_setresgid, -1, gid, -1) == 0 &&
           ::syscall(SYS_setgroups, groupCount, groups) == 0;
}

} // namespace

ActingAsUser::ActingAsUser(const RealUser& user) {
    if (gActing.uid == user.uid)
        return;             // acting as that user already (or as itself, for root)
    if (gActing.uid != 0) { // acting as a third user
        ok_ = false;
        return;
    }
    if (::geteuid() != 0)
        return;
    ownGid_ = ::getegid();
    const int count = ::getgroups(0, nullptr);
    ownGroups_.resize(count > 0 ? static_cast<size_t>(count) : 0);
    if (count < 0 || ::getgroups(count, ownGroups_.data()) != count) {
        ok_ = false;
        return;
    }
    if (!setThreadRights(user.uid, user.gid, 1, &user.gid)) {
        // Half taken rights are given back before anything else happens.
        if (!setThreadRights(0, ownGid_, ownGroups_.size(), ownGroups_.data()))
            std::abort();
        ok_ = false;
        return;
    }
    gActing = {user.uid, user.gid};
    switched_ = true;
}

ActingAsUser::~ActingAsUser() {
    if (!switched_)
        return;
    gActing = {};
    // A thread that cannot become itself again must not go on with another's rights.
    if (!setThreadRights(0, ownGid_, ownGroups_.size(), ownGroups_.data()))
        std::abort();
}

bool asRealUser(const std::function<void()>& work) {
    const RealUser user = realUser();
    if (!user.elevatedForOther) {
        work();
        return true;
    }
    ActingAsUser acting(user);
    if (!acting.ok())
        return false;
    work();
    return true;
}

std::function<void()> withCurrentRights(std::function<void()> step) {
    if (gActing.uid == 0)
        return step;
    RealUser user;
    user.uid = gActing.uid;
    user.gid = gActing.gid;
    return [user, step = std::move(step)] {
        ActingAsUser acting(user);
        if (acting.ok())
            step();
    };
}

} // namespace qm
