#include "fuzz/fuzzsandbox.h"

#include "platform/datetime.h"
#include "platform/dospath.h"
#include "platform/drivetable.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace qm::fuzz {

namespace {

// The folders every iteration starts with.
constexpr const char* kFolders[] = {"home", "config",   "runtime",   "registry",
                                    "ipc",  "sysblock", "C/program", "E"};

} // namespace

FuzzSandbox& FuzzSandbox::instance() {
    static FuzzSandbox sandbox;
    return sandbox;
}

FuzzSandbox::FuzzSandbox() {
    std::string tmpl = (fs::temp_directory_path() / "qm-fuzz-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("cannot create the fuzz sandbox folder");
    fRoot = tmpl;
    clear();
}

FuzzSandbox::~FuzzSandbox() {
    std::error_code ec;
    fs::remove_all(fRoot, ec);
}

std::string FuzzSandbox::driveFolder(char letter) const {
    return fRoot + "/" + std::string(1, letter);
}

void FuzzSandbox::pointOverrides() const {
    setenv("HOME", (fRoot + "/home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (fRoot + "/config").c_str(), 1);
    setenv("XDG_STATE_HOME", (fRoot + "/home/.local/state").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (fRoot + "/runtime").c_str(), 1);
    setenv("QUILLMOOR_REGISTRY_DIR", (fRoot + "/registry").c_str(), 1);
    setenv("QUILLMOOR_IPC_DIR", (fRoot + "/ipc").c_str(), 1);
    setenv("QUILLMOOR_PROGRAM_DIR", (fRoot + "/C/program").c_str(), 1);
    setenv("QUILLMOOR_SYS_BLOCK", (fRoot + "/sysblock").c_str(), 1);
    setenv("QUILLMOOR_MOUNTS", (fRoot + "/mounts").c_str(), 1);
    setenv("QUILLMOOR_DRIVES",
           ("C=fixed:" + driveFolder('C') + ";E=removable:" + driveFolder('E')).c_str(), 1);
    unsetenv("QUILLMOOR_ANSWERS");
    unsetenv("QUILLMOOR_ANSWERS_LOG");
}

void FuzzSandbox::clear() {
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(fRoot, ec))
        fs::remove_all(entry.path(), ec);
    for (const char* sub : kFolders)
        fs::create_directories(fs::path(fRoot) / sub, ec);
    for (const char* sub : {"runtime", "ipc"})
        fs::permissions(fs::path(fRoot) / sub, fs::perms::owner_all, ec);
    pointOverrides();
    DriveTable::instance().reload();
    setClock([] { return encodeDateTime({2026, 12, 7, 23, 15, 22, 0}); });
}

std::vector<std::string> FuzzSandbox::files() const {
    std::vector<std::string> found;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(fRoot, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_directory(ec) || it->is_symlink(ec))
            found.push_back(fs::relative(it->path(), fRoot, ec).string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

bool FuzzSandbox::writeFile(const std::string& dosPath, const std::string& bytes) const {
    std::optional<std::string> host = toHostPath(dosPath);
    if (!host)
        return false;
    std::error_code ec;
    fs::create_directories(fs::path(*host).parent_path(), ec);
    std::ofstream out(*host, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

void Require(bool condition, const char* what) {
    if (condition)
        return;
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

} // namespace qm::fuzz
