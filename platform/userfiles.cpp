#include "platform/userfiles.h"

#include "platform/actingas.h"
#include "platform/uniquefd.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

SmallFile refused(std::string problem) {
    SmallFile file;
    file.status = SmallFile::Status::Refused;
    file.problem = std::move(problem);
    return file;
}

} // namespace

SmallFile readRegularFile(const std::string& hostPath, size_t maxBytes) {
    // O_NONBLOCK: opening a named pipe would wait for a writer, maybe for ever.
    UniqueFd fd(::open(hostPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {};
        return refused(std::strerror(errno));
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return refused(std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        return refused("not a regular file");
    if (static_cast<uint64_t>(st.st_size) > maxBytes)
        return refused("larger than " + std::to_string(maxBytes) + " bytes");
    // Read to the cap, not to the size: the file may grow while it is read.
    SmallFile file;
    file.bytes.resize(maxBytes + 1);
    size_t done = 0;
    while (done < file.bytes.size()) {
        const ssize_t got = ::read(fd.get(), file.bytes.data() + done, file.bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return refused(std::strerror(errno));
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    if (done > maxBytes)
        return refused("larger than " + std::to_string(maxBytes) + " bytes");
    file.bytes.resize(done);
    file.status = SmallFile::Status::Read;
    return file;
}

SmallFile readUserFile(const std::string& hostPath, size_t maxBytes) {
    SmallFile file;
    if (!asRealUser([&] { file = readRegularFile(hostPath, maxBytes); }))
        return refused("cannot take the rights of the user the program works for");
    return file;
}

} // namespace qm
