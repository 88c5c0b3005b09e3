#pragma once
// lockFileWithin: takes an advisory lock (flock) on an open file, waiting at most a
// given time. The one thread that runs the windows takes these locks, so another
// process that hangs while holding one must never freeze it for good.

namespace qm {

// True once the lock is held; false when it was not free within `timeoutMs` (errno
// EWOULDBLOCK) or cannot be taken at all (errno as flock left it).
bool lockFileWithin(int fd, bool exclusive, int timeoutMs);

} // namespace qm
