#include "support/sandbox.h"

#include "platform/datetime.h"
#include "platform/dospath.h"
#include "platform/fileio.h"
#include "platform/realuser.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace qm::test {

Sandbox::Sandbox() {
    std::string tmpl = (fs::temp_directory_path() / "qm-sandbox-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("cannot create sandbox folder");
    root_ = tmpl;
    for (const char* sub :
         {"home", "config", "runtime", "registry", "ipc", "C/program", "dev/disk/by-label"})
        fs::create_directories(fs::path(root_) / sub);
    // Socket folders are the user's alone, as a real runtime folder is.
    for (const char* sub : {"runtime", "ipc"})
        fs::permissions(fs::path(root_) / sub, fs::perms::owner_all);
    setEnv("HOME", root_ + "/home");
    setEnv("XDG_CONFIG_HOME", root_ + "/config");
    setEnv("XDG_STATE_HOME", root_ + "/home/.local/state");
    setEnv("XDG_RUNTIME_DIR", root_ + "/runtime");
    setEnv("QUILLMOOR_REGISTRY_DIR", root_ + "/registry");
    setEnv("QUILLMOOR_IPC_DIR", root_ + "/ipc");
    setEnv("QUILLMOOR_PROGRAM_DIR", root_ + "/C/program");
    setEnv("QUILLMOOR_DISK_BY_LABEL", root_ + "/dev/disk/by-label");
    fs::create_directories(fs::path(root_) / "E");
    setEnv("QUILLMOOR_DRIVES", "C=fixed:" + root_ + "/C;E=removable:" + root_ + "/E");
    // Run through sudo, the tests (and the programs they start) would otherwise work for
    // the account that ran them, in its real home and registry; a test that plays sudo
    // sets these itself and finds its user's home here.
    for (const char* name : {"SUDO_UID", "SUDO_GID", "SUDO_USER", "PKEXEC_UID"})
        unsetEnv(name);
    setElevatedUserHome(root_ + "/home");
    DriveTable::instance().reload();
}

Sandbox::~Sandbox() {
    for (const auto& [name, value] : savedEnv_) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
    DriveTable::instance().reload();
    setElevatedUserHome({});
    setClock({});
    setLocaleFormats(LocaleFormats{});
    std::error_code ec;
    fs::remove_all(root_, ec);
    if (!memoryRoot_.empty())
        fs::remove_all(memoryRoot_, ec);
}

void Sandbox::saveEnv(const char* name) {
    if (!savedEnv_.count(name)) {
        const char* old = std::getenv(name);
        savedEnv_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
}

void Sandbox::setEnv(const char* name, const std::string& value) {
    saveEnv(name);
    setenv(name, value.c_str(), 1);
}

void Sandbox::unsetEnv(const char* name) {
    saveEnv(name);
    unsetenv(name);
}

std::string Sandbox::hostOf(char letter) const {
    std::optional<DriveEntry> drive = DriveTable::instance().find(letter);
    return drive ? drive->hostRoot : std::string();
}

std::string Sandbox::addDrive(char letter, DriveType type) {
    std::string folder = root_ + "/" + std::string(1, letter);
    fs::create_directories(folder);
    DriveTable::instance().map(letter, folder, type);
    return folder;
}

std::string Sandbox::addMemoryDrive(char letter, DriveType type) {
    std::error_code ec;
    if (memoryRoot_.empty() && fs::is_directory("/dev/shm", ec)) {
        std::string tmpl = "/dev/shm/qm-sandbox-XXXXXX";
        if (mkdtemp(tmpl.data()))
            memoryRoot_ = tmpl;
    }
    if (memoryRoot_.empty())
        return addDrive(letter, type);
    std::string folder = memoryRoot_ + "/" + std::string(1, letter);
    fs::create_directories(folder);
    DriveTable::instance().map(letter, folder, type);
    return folder;
}

std::string Sandbox::writeFile(const std::string& dosPath, const std::string& content) {
    std::optional<std::string> host = toHostPath(dosPath);
    if (!host)
        throw std::runtime_error("sandbox: unmapped path " + dosPath);
    fs::create_directories(fs::path(*host).parent_path());
    std::ofstream out(*host, std::ios::binary | std::ios::trunc);
    out << content;
    return *host;
}

std::optional<std::string> Sandbox::readFile(const std::string& dosPath) const {
    std::optional<std::string> host = toHostPath(dosPath);
    if (!host)
        return std::nullopt;
    std::ifstream in(*host, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void Sandbox::setFileTime(const std::string& dosPath, int year, int month, int day, int hour,
                          int minute, int second) {
    TDateTime value = encodeDateTime({year, month, day, hour, minute, second, 0});
    if (!setFileDosDateTime(dosPath, dateTimeToDos(value)))
        throw std::runtime_error("sandbox: cannot set time of " + dosPath);
}

} // namespace qm::test
