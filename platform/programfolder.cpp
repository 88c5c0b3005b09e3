#include "platform/programfolder.h"

#include "platform/dospath.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace qm {

namespace {

bool isDosPath(const std::string& path) {
    return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
           path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

}  // namespace

std::optional<std::string> programFolder() {
    std::string folder;
    if (const char* env = std::getenv("QUILLMOOR_PROGRAM_DIR"); env && *env) {
        folder = env;
        if (isDosPath(folder))
            return includeTrailingBackslash(folder);
    } else {
        std::error_code ec;
        folder = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path().string();
        if (ec)
            return std::nullopt;
    }
    auto dos = toDosPath(std::filesystem::absolute(folder).lexically_normal().string());
    if (!dos) {
        std::fprintf(stderr, "quillmoor: the program folder %s is on no mapped drive\n",
                     folder.c_str());
        return std::nullopt;
    }
    return includeTrailingBackslash(*dos);
}

}  // namespace qm
