#pragma once
// The one loop that puts every byte of a buffer out through a descriptor: a short write
// goes on where it stopped and an interrupted one (EINTR) is tried again. Every writer
// of raw descriptors uses it, so none stops early or fails on a signal; those that write
// by another call (send, pwrite) hand it that call.

#include <cerrno>
#include <cstddef>
#include <string_view>
#include <sys/types.h>

namespace qm {

// Calls `put(data, size)`, a write(2)-like call that returns the bytes it took or -1 with
// errno, until all of `bytes` is out. False at the first failure, with errno as `put`
// left it; a call that takes nothing fails with ENOSPC.
template <typename Put> bool putEveryByte(std::string_view bytes, Put&& put) {
    while (!bytes.empty()) {
        const ssize_t done = put(bytes.data(), bytes.size());
        if (done < 0 && errno == EINTR)
            continue;
        if (done < 0)
            return false;
        if (done == 0) {
            errno = ENOSPC;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(done));
    }
    return true;
}

// write(2) of all of `bytes` to `fd`, as above.
bool writeAll(int fd, std::string_view bytes);
bool writeAll(int fd, const void* bytes, size_t size);

} // namespace qm
