#include "platform/lzcompress.h"

#include "platform/dospath.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

extern char** environ;

namespace fs = std::filesystem;

namespace qm {

namespace {

LzExpandResult failure(std::string error) {
    return LzExpandResult{false, 0, std::move(error)};
}

// Removes the work folder on every way out.
struct WorkFolder {
    std::string path;
    ~WorkFolder() {
        std::error_code ec;
        if (!path.empty())
            fs::remove_all(path, ec);
    }
};

bool runCompressor(const std::string& compressor, const std::string& file, std::string& error) {
    std::array<char*, 3> argv = {const_cast<char*>(compressor.c_str()),
                                 const_cast<char*>(file.c_str()), nullptr};
    pid_t pid = 0;
    if (const int failed =
            posix_spawnp(&pid, compressor.c_str(), nullptr, nullptr, argv.data(), environ)) {
        error = "cannot start " + compressor + ": " + std::strerror(failed);
        return false;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) {
            error = "lost the compressor process";
            return false;
        }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return true;
    error = compressor + " failed on " + file;
    return false;
}

bool sameBytes(const std::string& a, const std::string& b) {
    std::ifstream left(a, std::ios::binary);
    std::ifstream right(b, std::ios::binary);
    if (!left || !right)
        return false;
    std::array<char, 65536> x{};
    std::array<char, 65536> y{};
    while (true) {
        left.read(x.data(), x.size());
        right.read(y.data(), y.size());
        if (left.gcount() != right.gcount() ||
            !std::equal(x.begin(), x.begin() + left.gcount(), y.begin()))
            return false;
        if (left.gcount() == 0)
            return left.eof() && right.eof();
    }
}

} // namespace

LzExpandResult LzCompressVerified(const std::string& compressor, const std::string& input,
                                  const std::string& output) {
    struct stat info {};
    if (::stat(input.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return failure("cannot read " + input);
    std::string pattern = (fs::absolute(output).parent_path() / ".lzpack-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        return failure("cannot make a work folder beside " + output);
    WorkFolder work{pattern};
    const std::string payload = work.path + "/payload";
    std::error_code ec;
    if (!fs::copy_file(input, payload, ec))
        return failure("cannot copy " + input + " into " + work.path);
    std::string error;
    if (!runCompressor(compressor, payload, error))
        return failure(error);
    const std::string packed = payload + "_";
    const std::optional<std::string> packedDos = toDosPath(packed);
    const std::optional<std::string> checkDos = toDosPath(work.path + "/check");
    if (!packedDos || !checkDos)
        return failure(work.path + " is on no mapped drive");
    LzExpandResult result = LzExpandFile(*packedDos, *checkDos);
    if (!result.ok)
        return failure(compressor + " made a file that does not expand: " + result.error);
    if (result.length != info.st_size || !sameBytes(input, work.path + "/check"))
        return failure(compressor + " made a file that expands to other bytes than " + input);
    const std::array<timespec, 2> times = {info.st_atim, info.st_mtim};
    if (::utimensat(AT_FDCWD, packed.c_str(), times.data(), 0) != 0 ||
        ::rename(packed.c_str(), output.c_str()) != 0)
        return failure("cannot write " + output);
    return result;
}

} // namespace qm
