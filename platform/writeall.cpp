#include "platform/writeall.h"

#include <unistd.h>

namespace qm {

bool writeAll(int fd, std::string_view bytes) {
    return putEveryByte(bytes,
                        [fd](const char* data, size_t size) { return ::write(fd, data, size); });
}

bool writeAll(int fd, const void* bytes, size_t size) {
    return writeAll(fd, std::string_view(static_cast<const char*>(bytes), size));
}

} // namespace qm
