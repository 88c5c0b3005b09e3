// Root's install, uninstall and updater against the machine's registry hives while
// somebody else holds their locks: another account (every file of that hive it can open
// and lock, the world-readable lock files earlier versions left beside the hives
// included) must not keep root from a thing; a program of root's own that hangs holding
// a lock makes the machine hive's writes fail, and that failure is told and taken back,
// never taken for a lack of rights.

#include "platform/fileio.h"
#include "platform/hivestore.h"
#include "platform/productkeys.h"
#include "platform/registry.h"
#include "setup/installer.h"
#include "setup/installstate.h"
#include "setup/uninstaller.h"
#include "support/install/installsandbox.h"
#include "support/rowname.h"
#include "updater/updatermodel.h"
#include "updater/updateserver.h"

#include <condition_variable>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <grp.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

namespace qm {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kOtherUser = 65534;
constexpr const char* kFolder = "C:\\Program Files\\Quillmoor";
constexpr const char* kBase = "C:\\Program Files\\Quillmoor\\";

// Another account holds an exclusive lock on every file of `paths` it can open, until
// the object ends. The paths are gathered by the caller: the child only makes system
// calls.
class OtherAccountLocks {
  public:
    explicit OtherAccountLocks(const std::vector<std::string>& paths) {
        int ready[2], release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            if (::setgroups(0, nullptr) != 0 || ::setgid(kOtherUser) != 0 ||
                ::setuid(kOtherUser) != 0)
                ::_exit(1);
            int held = 0;
            for (const std::string& path : paths) {
                const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
                held += fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
            }
            (void)!::write(ready[1], &held, sizeof held);
            char done;
            (void)!::read(release[0], &done, 1);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        release_ = release[1];
        if (::read(ready[0], &held_, sizeof held_) != sizeof held_)
            held_ = -1;
        ::close(ready[0]);
    }
    ~OtherAccountLocks() {
        ::close(release_);
        if (pid_ > 0)
            ::waitpid(pid_, nullptr, 0);
    }
    int held() const { return held_; }

  private:
    pid_t pid_ = -1;
    int release_ = -1;
    int held_ = 0;
};

// A program of root's that hangs while it changes the hive: it holds the hive's lock
// until the object ends.
class HungRootWriter {
  public:
    explicit HungRootWriter(RegistryRoot root) {
        std::promise<void> locked;
        std::future<void> holding = locked.get_future();
        thread_ = std::thread([this, root, &locked] {
            HiveStore::update(root, [&](HiveKey&, bool&) {
                locked.set_value();
                std::unique_lock<std::mutex> lock(mutex_);
                released_.wait(lock, [this] { return release_; });
                return RegistryStatus::Ok;
            });
        });
        holding.wait();
    }
    ~HungRootWriter() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            release_ = true;
        }
        released_.notify_one();
        thread_.join();
    }

  private:
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable released_;
    bool release_ = false;
};

enum class Program { Install, Uninstall, Updater };
enum class Holder { OtherAccount, RootsHungProgram };

struct Row {
    const char* name;
    Program program;
    RegistryRoot hive;
    Holder holder;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

std::string Value(RegistryRoot root, std::string_view key, std::string_view name) {
    Registry registry(root);
    std::string value;
    if (registry.openKeyReadOnly(key))
        registry.readString(name, value);
    return value;
}

// Every file and folder below `folder` named after the hive, as root sees them.
std::vector<std::string> HiveFiles(const std::string& folder, RegistryRoot root) {
    std::vector<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.path().filename().string().starts_with(HiveStore::rootName(root)))
            paths.push_back(entry.path().string());
    return paths;
}

struct Outcome {
    bool done = false; // installed, removed, or the updater started
    std::vector<std::string> messages;
};

Outcome RunProgram(Program program, test::InstallSandbox& machine) {
    Outcome run;
    const auto message = [&run](int kind, const std::string& text) {
        run.messages.push_back(text);
        return kind == 2 ? 6 : 1;
    };
    if (program == Program::Install) {
        run.done = machine.install({kFolder, true}) == TInstallOutcome::Installed;
        run.messages = machine.messages();
    } else if (program == Program::Uninstall) {
        TUninstallEnvironment env;
        env.message = message;
        env.isAdmin = [] { return IsAdmin(); };
        env.mainWindowOpen = [] { return false; };
        run.done = TUninstaller(kBase, env).bbUninstalClick();
    } else {
        TUpdaterModel::Actions actions;
        actions.IAmAdmin = [] { return IsAdmin(); }; // as the updater's window has it
        TUpdaterModel updater(message, actions,
                              {*parseServerAddress("127.0.0.1:9"), 500, "/nonexistent"});
        run.done = updater.FormCreate({"updater", "-w"});
    }
    return run;
}

class MachineHiveLocks : public ::testing::TestWithParam<Row> {};

TEST_P(MachineHiveLocks, OnlyRootsOwnProgramsCanHoldRootBack) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "the machine's hives are root's";
    const Row& row = GetParam();
    test::Sandbox sb;
    test::InstallSandbox machine(sb);
    machine.makeMedium();
    if (row.program != Program::Install) {
        ASSERT_EQ(machine.install({kFolder, true}), TInstallOutcome::Installed)
            << testing::PrintToString(machine.messages());
    }
    // As a machine installed by an earlier version has them: world-readable lock files
    // beside the hives, which any account may open.
    const std::string registry = sb.root() + "/registry";
    ASSERT_EQ(::chmod(sb.root().c_str(), 0755), 0);
    for (RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::ClassesRoot}) {
        const std::string lock = HiveStore::hivePath(root) + ".lock";
        const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::fchmod(fd, 0644), 0);
        ::close(fd);
    }

    Outcome run;
    if (row.holder == Holder::OtherAccount) {
        const OtherAccountLocks locks(HiveFiles(registry, row.hive));
        ASSERT_GE(locks.held(), 1) << "the other account holds the lock files it can open";
        run = RunProgram(row.program, machine);
    } else {
        const HungRootWriter hung(row.hive);
        run = RunProgram(row.program, machine);
    }

    const bool fails = row.holder == Holder::RootsHungProgram && row.program != Program::Updater;
    EXPECT_EQ(run.done, !fails) << testing::PrintToString(run.messages);
    const std::string bpa = Value(RegistryRoot::ClassesRoot, "\\.bpa", "");
    const std::string registered =
        Value(RegistryRoot::LocalMachine, kUninstallKey, kUninstallStringValue);
    std::string installedIn;
    const bool installed = IsProductInstalled(installedIn);
    const bool uninstaller = fileExists(std::string(kBase) + "Uninstall");
    switch (row.program) {
    case Program::Install:
        // Installed whole, the file type included, or not at all.
        EXPECT_EQ(installed, !fails);
        EXPECT_EQ(registered, fails ? "" : std::string(kBase) + "Uninstall.exe");
        EXPECT_EQ(bpa, fails ? "" : "BackupArchive.1");
        EXPECT_EQ(uninstaller, !fails);
        EXPECT_EQ(Registry(RegistryRoot::CurrentUser).keyExists("\\SOFTWARE\\Quillmoor"), !fails)
            << "the user's entries come and go with the rest";
        if (fails) {
            ASSERT_EQ(run.messages.size(), 1u);
            EXPECT_TRUE(run.messages[0].starts_with("0|The installation failed: the registry "
                                                    "hive " +
                                                    HiveStore::hivePath(row.hive)))
                << run.messages[0];
        }
        break;
    case Program::Uninstall:
        // Removed whole, or told and kept so that it can be run again.
        EXPECT_EQ(installed, fails);
        EXPECT_EQ(uninstaller, fails);
        for (const char* record : {"uninst.ini", "uninstdirs.ini"})
            EXPECT_EQ(fileExists(std::string(kBase) + record), fails) << record;
        if (row.hive == RegistryRoot::ClassesRoot) {
            EXPECT_EQ(bpa, fails ? "BackupArchive.1" : "");
        }
        ASSERT_FALSE(run.messages.empty());
        EXPECT_EQ(run.messages.back(),
                  fails ? "Quillmoor could not be removed completely: its registry entries "
                          "could not be deleted. The uninstaller was kept; please run it "
                          "again as the user who installed Quillmoor."
                        : "Quillmoor has been successfully uninstalled.");
        if (fails) {
            EXPECT_TRUE(RunProgram(Program::Uninstall, machine).done) << "run again, it finishes";
        }
        break;
    case Program::Updater:
        EXPECT_EQ(run.messages, std::vector<std::string>{});
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    HeldLocks, MachineHiveLocks,
    ::testing::Values(Row{"install_machine_other", Program::Install, RegistryRoot::LocalMachine,
                          Holder::OtherAccount},
                      Row{"install_classes_other", Program::Install, RegistryRoot::ClassesRoot,
                          Holder::OtherAccount},
                      Row{"uninstall_machine_other", Program::Uninstall, RegistryRoot::LocalMachine,
                          Holder::OtherAccount},
                      Row{"uninstall_classes_other", Program::Uninstall, RegistryRoot::ClassesRoot,
                          Holder::OtherAccount},
                      Row{"updater_machine_other", Program::Updater, RegistryRoot::LocalMachine,
                          Holder::OtherAccount},
                      Row{"install_machine_hung_root", Program::Install, RegistryRoot::LocalMachine,
                          Holder::RootsHungProgram},
                      Row{"install_classes_hung_root", Program::Install, RegistryRoot::ClassesRoot,
                          Holder::RootsHungProgram},
                      Row{"uninstall_classes_hung_root", Program::Uninstall,
                          RegistryRoot::ClassesRoot, Holder::RootsHungProgram},
                      Row{"updater_machine_hung_root", Program::Updater, RegistryRoot::LocalMachine,
                          Holder::RootsHungProgram}),
    test::RowsNamedBy([](const Row& row) { return row.name; }));

} // namespace
} // namespace qm
