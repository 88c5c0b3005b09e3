#include "platform/shellexecute.h"

#include "platform/dospath.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace qm {

namespace {

bool isUrl(std::string_view text) {
    size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon < 2) // "C:" is a drive, not a scheme
        return false;
    for (size_t i = 0; i < colon; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return std::isalpha(static_cast<unsigned char>(text[0]));
}

// A relative name is taken from the current folder, where it is checked, and made
// absolute: the launch must neither search PATH nor resolve it in the child's folder.
std::string hostPathOf(std::string_view path) {
    if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])))
        return toHostPath(path).value_or(std::string());
    if (path.empty() || path.front() == '/')
        return std::string(path);
    std::error_code error;
    std::filesystem::path here = std::filesystem::current_path(error);
    if (error)
        return {};
    return (here / path).string();
}

bool isExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::optional<pid_t> spawnDetached(const std::vector<std::string>& argv,
                                   const std::string& directory) {
    std::vector<char*> args;
    for (const auto& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawnattr_t attr;
    posix_spawn_file_actions_t actions;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    posix_spawn_file_actions_init(&actions);
    if (!directory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0)
        return std::nullopt;
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return pid;
}

} // namespace

std::vector<std::string> splitParameters(std::string_view parameters) {
    std::vector<std::string> out;
    std::string current;
    bool quoted = false, any = false;
    for (char c : parameters) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (c == ' ' && !quoted) {
            if (any)
                out.push_back(current);
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any)
        out.push_back(current);
    return out;
}

std::optional<pid_t> ShellExecute(std::string_view file, std::string_view parameters,
                                  std::string_view directory) {
    // Callers may hand over a name with a trailing blank ("Updater.exe "), but a name on
    // the disk may end in one too: that file is opened as it is named.
    struct stat named {};
    const std::string given = hostPathOf(file);
    if (given.empty() || ::stat(given.c_str(), &named) != 0)
        while (!file.empty() && file.back() == ' ')
            file.remove_suffix(1);
    if (file.empty())
        return std::nullopt;
    std::string folder = directory.empty() ? std::string() : hostPathOf(directory);
    const char* opener = std::getenv("QUILLMOOR_OPENER");
    std::string openWith = opener && *opener ? opener : "xdg-open";
    if (isUrl(file))
        return spawnDetached({openWith, std::string(file)}, folder);
    std::string host = hostPathOf(file);
    if (host.empty())
        return std::nullopt;
    if (!isExecutableFile(host)) {
        struct stat st {};
        if (::stat(host.c_str(), &st) != 0)
            return std::nullopt;
        return spawnDetached({openWith, host}, folder);
    }
    std::vector<std::string> argv{host};
    for (auto& arg : splitParameters(parameters))
        argv.push_back(std::move(arg));
    return spawnDetached(argv, folder);
}

} // namespace qm
