// Setup benchmark (not a test): an install and an uninstall through sudo against a user
// whose registry hive is large, the case where every registry read once parsed the whole
// hive again. The hive holds N sub-keys of about 500 bytes each (default 3,000, some
// 1.5 MB), once below the product's own key (the install copies them for its rollback
// and deletes them: tens of thousands of reads) and once below another program's key
// (kept: every read walks past them). Target: the install under 10 s either way.
//
//   setup_bench [subkeys]
//
// Run as root it plays sudo for the account 65534 (SUDO_UID), whose hive it then reads
// and writes with that account's rights; run as another user it installs for that user.
// Everything happens in a temporary folder ($TMPDIR, else /tmp) mapped as drives C:, H:
// and S: (the system root), removed at the end.

#include "platform/drivetable.h"
#include "platform/hivefile.h"
#include "platform/hivestore.h"
#include "platform/realuser.h"
#include "platform/registry.h"
#include "setup/installer.h"
#include "setup/uninstaller.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace qm;

namespace {

using Clock = std::chrono::steady_clock;

constexpr uid_t kUser = 65534;
constexpr const char* kFolder = "C:\\Program Files\\Quillmoor";

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// An LZ file ("SZDD") holding `text` as literals: what the medium's programs are.
std::string lzFile(const std::string& text) {
    std::string out = "SZDD\x88\xf0\x27\x33";
    out += 'A';
    out += '\0';
    const uint32_t size = static_cast<uint32_t>(text.size());
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((size >> shift) & 0xff);
    for (size_t at = 0; at < text.size(); at += 8) {
        out += '\xff';
        out += text.substr(at, 8);
    }
    return out;
}

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// The user's hive: `count` keys of five values below `parent`.
std::string bigHive(const std::string& parent, int count) {
    HiveKey root;
    HiveKey* key = &root;
    for (const std::string& name : splitKeyPath(parent))
        key = &key->subKeyOrCreate(name);
    const std::string filler(80, 'x');
    for (int i = 0; i < count; ++i) {
        HiveKey& sub = key->subKeyOrCreate("Entry" + std::to_string(100000 + i));
        for (int v = 0; v < 5; ++v)
            sub.values.push_back({"Value" + std::to_string(v), RegistryValueType::String,
                                  filler + std::to_string(i), 0});
    }
    return serializeHive(root);
}

struct Machine {
    fs::path root;
    bool sudo = false;
};

// A fresh machine in a temporary folder, every place the programs use pointed into it.
Machine makeMachine(const std::string& hive) {
    std::string tmpl = (fs::temp_directory_path() / "qm-setup-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    Machine machine{tmpl, ::geteuid() == 0};
    const fs::path home = machine.root / "home", system = machine.root / "system";
    const fs::path registry = machine.root / "registry";
    for (const fs::path& folder :
         {home / ".local/share/applications", home / "Desktop", home / ".config/autostart",
          system / "usr/share/applications", system / "etc/xdg/autostart", registry,
          machine.root / "C/program", machine.root / "runtime", machine.root / "ipc"})
        fs::create_directories(folder);
    writeFile(registry / "HKEY_CURRENT_USER.hive", hive);
    const fs::path medium = machine.root / "C/medium";
    writeFile(medium / "Install/Qmoor.ex_", lzFile("the Qmoor program image"));
    writeFile(medium / "Install/Updater.ex_", lzFile("the updater program image"));
    writeFile(medium / "Install/Help/Quillmoor.htm", "<html>help</html>");
    writeFile(medium / "setup", "#!/bin/sh\n");
    if (machine.sudo) {
        // The user's home and hive are the user's; the folder above them lets them in.
        fs::permissions(machine.root,
                        fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        for (const fs::path& folder : {home, registry}) {
            ::chown(folder.c_str(), kUser, kUser);
            for (const auto& entry : fs::recursive_directory_iterator(folder))
                ::lchown(entry.path().c_str(), kUser, kUser);
        }
        ::setenv("SUDO_UID", std::to_string(kUser).c_str(), 1);
        ::setenv("SUDO_GID", std::to_string(kUser).c_str(), 1);
        setElevatedUserHome(home.string());
    }
    const std::string r = machine.root.string();
    ::setenv("HOME", (r + "/home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (r + "/home/.config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (r + "/home/.local/share").c_str(), 1);
    ::setenv("XDG_STATE_HOME", (r + "/home/.local/state").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (r + "/runtime").c_str(), 1);
    ::setenv("QUILLMOOR_REGISTRY_DIR", (r + "/registry").c_str(), 1);
    ::setenv("QUILLMOOR_IPC_DIR", (r + "/ipc").c_str(), 1);
    ::setenv("QUILLMOOR_PROGRAM_DIR", (r + "/C/program").c_str(), 1);
    ::setenv("QUILLMOOR_SYSTEM_ROOT", (r + "/system").c_str(), 1);
    ::setenv("QUILLMOOR_DRIVES", ("C=fixed:" + r + "/C").c_str(), 1);
    DriveTable::instance().reload();
    DriveTable::instance().map('H', r + "/home", DriveType::Fixed);
    DriveTable::instance().map('S', r + "/system", DriveType::Fixed);
    return machine;
}

void dropMachine(const Machine& machine) {
    for (const char* name : {"SUDO_UID", "SUDO_GID"})
        ::unsetenv(name);
    setElevatedUserHome({});
    std::error_code error;
    fs::remove_all(machine.root, error);
}

struct Timing {
    bool installed = false;
    double install = 0;
    bool uninstalled = false;
    double uninstall = 0;
    uint64_t parses = 0;
};

Timing installAndUninstall() {
    Timing timing;
    std::string shown;
    const auto message = [&shown](int kind, const std::string& text) {
        shown += text + "\n";
        return kind == 2 ? 6 : 1;
    };
    TInstallEnvironment env;
    env.message = message;
    env.isAdmin = [] { return IsAdmin(); };
    env.userName = "bench";
    const uint64_t parsesBefore = HiveStore::ioCounts().parses;
    auto start = Clock::now();
    TInstaller installer({"C:\\medium\\", kFolder, "C:\\medium\\setup", true, false}, env);
    timing.installed = installer.Install() == TInstallOutcome::Installed;
    timing.install = secondsSince(start);
    TUninstallEnvironment uninstall;
    uninstall.message = message;
    uninstall.isAdmin = [] { return IsAdmin(); };
    uninstall.mainWindowOpen = [] { return false; };
    start = Clock::now();
    timing.uninstalled = TUninstaller(kFolder, uninstall).bbUninstalClick();
    timing.uninstall = secondsSince(start);
    timing.parses = HiveStore::ioCounts().parses - parsesBefore;
    if (!timing.installed || !timing.uninstalled)
        std::fprintf(stderr, "setup_bench: %s", shown.c_str());
    return timing;
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3000;
    std::printf("setup_bench: %d sub-keys in the user's hive, %s\n", count,
                ::geteuid() == 0 ? "through sudo for uid 65534" : "as this user");
    std::printf("%-28s %9s %10s %12s %9s\n", "where the sub-keys are", "hive MB", "install s",
                "uninstall s", "parses");
    bool met = true;
    for (const char* parent : {"\\SOFTWARE\\Quillmoor\\Profiles", "\\SOFTWARE\\Other\\Profiles"}) {
        const std::string hive = bigHive(parent, count);
        const Machine machine = makeMachine(hive);
        const Timing timing = installAndUninstall();
        dropMachine(machine);
        std::printf("%-28s %9.2f %10.2f %12.2f %9llu%s\n", parent + 1, hive.size() / 1e6,
                    timing.install, timing.uninstall,
                    static_cast<unsigned long long>(timing.parses),
                    timing.installed && timing.uninstalled ? "" : "  (FAILED)");
        met = met && timing.installed && timing.uninstalled && timing.install < 10;
    }
    std::printf("target: each install under 10 s: %s\n", met ? "met" : "NOT met");
    return met ? 0 : 1;
}
