#include "platform/registry.h"

#include "support/sandbox.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qm {
namespace {

namespace fs = std::filesystem;

class RegistryTest : public testing::Test {
  protected:
    void SetUp() override { unsetenv("QUILLMOOR_REGISTRY_READONLY_MACHINE"); }
    void TearDown() override { unsetenv("QUILLMOOR_REGISTRY_READONLY_MACHINE"); }

    test::Sandbox sandbox;
};

TEST_F(RegistryTest, HivesGoIntoTheRelocatedFolder) {
    EXPECT_EQ(HiveStore::hivePath(RegistryRoot::CurrentUser),
              sandbox.root() + "/registry/HKEY_CURRENT_USER.hive");
    EXPECT_EQ(HiveStore::hivePath(RegistryRoot::ClassesRoot),
              sandbox.root() + "/registry/HKEY_CLASSES_ROOT.hive");
    unsetenv("QUILLMOOR_REGISTRY_DIR");
    EXPECT_EQ(HiveStore::hivePath(RegistryRoot::CurrentUser),
              sandbox.root() + "/config/quillmoor/registry/HKEY_CURRENT_USER.hive");
    EXPECT_EQ(HiveStore::hivePath(RegistryRoot::LocalMachine),
              "/var/lib/quillmoor/registry/HKEY_LOCAL_MACHINE.hive");
    setenv("QUILLMOOR_REGISTRY_DIR", (sandbox.root() + "/registry").c_str(), 1);
}

TEST_F(RegistryTest, ValuesOfEachTypeSurviveANewObject) {
    Registry writer;
    ASSERT_TRUE(writer.openKey("\\SOFTWARE\\Quillmoor\\Settings\\", true));
    EXPECT_EQ(writer.writeString("MediaDrive", "E"), RegistryStatus::Ok);
    EXPECT_EQ(writer.writeDword("Width", 1010), RegistryStatus::Ok);
    EXPECT_EQ(writer.writeBinary("Blob", std::string("\0\1\2", 3)), RegistryStatus::Ok);
    EXPECT_EQ(writer.writeString("", "default"), RegistryStatus::Ok);

    Registry reader;
    ASSERT_TRUE(reader.openKeyReadOnly("software\\QUILLMOOR\\settings"));
    std::string text;
    uint32_t number = 0;
    EXPECT_EQ(reader.readString("mediadrive", text), RegistryStatus::Ok);
    EXPECT_EQ(text, "E");
    EXPECT_EQ(reader.readDword("WIDTH", number), RegistryStatus::Ok);
    EXPECT_EQ(number, 1010u);
    EXPECT_EQ(reader.readBinary("Blob", text), RegistryStatus::Ok);
    EXPECT_EQ(text, std::string("\0\1\2", 3));
    EXPECT_EQ(reader.readString("", text), RegistryStatus::Ok);
    EXPECT_EQ(text, "default");
    EXPECT_EQ(reader.valueType("Width"), RegistryValueType::DWord);
    EXPECT_EQ(reader.valueType("Nothing"), RegistryValueType::None);
}

TEST_F(RegistryTest, MissingValueIsToldApartFromWrongType) {
    Registry reg;
    ASSERT_TRUE(reg.openKey("\\SOFTWARE\\Quillmoor\\Settings", true));
    ASSERT_EQ(reg.writeDword("Width", 790), RegistryStatus::Ok);
    std::string text = "unchanged";
    uint32_t number = 5;
    EXPECT_EQ(reg.readString("Width", text), RegistryStatus::WrongType);
    EXPECT_EQ(reg.readDword("Height", number), RegistryStatus::ValueMissing);
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(number, 5u);
    EXPECT_TRUE(reg.valueExists("width"));
    EXPECT_FALSE(reg.valueExists("Height"));
}

TEST_F(RegistryTest, NamesKeepFirstSpellingAndWriteOrder) {
    Registry reg;
    ASSERT_TRUE(reg.openKey("\\SOFTWARE\\Quillmoor\\Settings\\Exceptions\\Files", true));
    for (const char* name : {"zeta.txt", "Alpha.doc", "middle.bin"})
        ASSERT_EQ(reg.writeString(name, ""), RegistryStatus::Ok);
    ASSERT_EQ(reg.writeString("ALPHA.DOC", "again"), RegistryStatus::Ok);
    EXPECT_EQ(reg.valueNames(), (std::vector<std::string>{"zeta.txt", "Alpha.doc", "middle.bin"}));
    EXPECT_TRUE(reg.deleteValue("MIDDLE.BIN"));
    EXPECT_FALSE(reg.deleteValue("middle.bin"));
    EXPECT_EQ(reg.lastStatus(), RegistryStatus::ValueMissing);
    EXPECT_EQ(reg.valueNames(), (std::vector<std::string>{"zeta.txt", "Alpha.doc"}));

    Registry parent;
    ASSERT_TRUE(parent.openKey("\\Software\\Quillmoor", false));
    ASSERT_TRUE(parent.createKey("Run"));
    ASSERT_TRUE(parent.createKey("update"));
    EXPECT_EQ(parent.currentPath(), "Software\\Quillmoor"); // as the caller spelt it
    EXPECT_EQ(parent.subKeyNames(), (std::vector<std::string>{"Settings", "Run", "update"}));
}

TEST_F(RegistryTest, OpenWithoutCreateFailsOnMissingKey) {
    Registry reg;
    EXPECT_FALSE(reg.openKey("\\SOFTWARE\\Quillmoor\\Run", false));
    EXPECT_EQ(reg.lastStatus(), RegistryStatus::KeyMissing);
    EXPECT_FALSE(reg.openKeyReadOnly("\\SOFTWARE\\Quillmoor\\Run"));
    EXPECT_FALSE(reg.keyExists("\\SOFTWARE"));
}

TEST_F(RegistryTest, RelativePathsStartAtTheOpenKey) {
    Registry reg;
    ASSERT_TRUE(reg.openKey("\\SOFTWARE\\Quillmoor", true));
    ASSERT_TRUE(reg.openKey("Settings", true));
    EXPECT_EQ(reg.currentPath(), "SOFTWARE\\Quillmoor\\Settings");
    EXPECT_TRUE(reg.keyExists("\\SOFTWARE\\Quillmoor\\Settings"));
    reg.closeKey();
    EXPECT_EQ(reg.currentPath(), "");
    EXPECT_TRUE(reg.keyExists("SOFTWARE\\Quillmoor"));
}

TEST_F(RegistryTest, DeleteKeyRemovesEverythingBelow) {
    Registry reg;
    ASSERT_TRUE(reg.openKey("\\SOFTWARE\\Quillmoor\\Settings\\Exceptions\\Files", true));
    ASSERT_EQ(reg.writeString("a.txt", ""), RegistryStatus::Ok);
    reg.closeKey();
    EXPECT_TRUE(reg.deleteKey("\\SOFTWARE\\Quillmoor"));
    EXPECT_FALSE(reg.keyExists("\\SOFTWARE\\Quillmoor\\Settings\\Exceptions\\Files"));
    EXPECT_FALSE(reg.keyExists("\\SOFTWARE\\Quillmoor"));
    EXPECT_TRUE(reg.keyExists("\\SOFTWARE"));
    EXPECT_FALSE(reg.deleteKey("\\SOFTWARE\\Quillmoor"));
    EXPECT_EQ(reg.lastStatus(), RegistryStatus::KeyMissing);
}

TEST_F(RegistryTest, WritesToAKeyDeletedMeanwhileFail) {
    Registry first;
    ASSERT_TRUE(first.openKey("\\SOFTWARE\\Quillmoor\\Update", true));
    Registry second;
    ASSERT_TRUE(second.deleteKey("\\SOFTWARE\\Quillmoor\\Update"));
    EXPECT_EQ(first.writeDword("Date", 46000), RegistryStatus::KeyMissing);
    EXPECT_FALSE(first.keyExists("\\SOFTWARE\\Quillmoor\\Update"));
}

TEST_F(RegistryTest, ReadOnlyKeyRefusesWrites) {
    Registry reg;
    ASSERT_TRUE(reg.createKey("\\SOFTWARE\\Quillmoor\\Run"));
    ASSERT_TRUE(reg.openKeyReadOnly("\\SOFTWARE\\Quillmoor\\Run"));
    EXPECT_EQ(reg.writeString("Auto", "ON"), RegistryStatus::AccessDenied);
    EXPECT_FALSE(reg.deleteValue("Auto"));
    EXPECT_EQ(reg.lastStatus(), RegistryStatus::AccessDenied);
    EXPECT_FALSE(reg.createKey("Child"));
    EXPECT_EQ(reg.lastStatus(), RegistryStatus::AccessDenied);
    EXPECT_FALSE(reg.deleteKey("\\SOFTWARE\\Quillmoor\\Run"));
    EXPECT_EQ(reg.lastStatus(), RegistryStatus::AccessDenied);
    EXPECT_TRUE(reg.keyExists("\\SOFTWARE\\Quillmoor\\Run"));
    EXPECT_FALSE(reg.keyExists("\\SOFTWARE\\Quillmoor\\Run\\Child"));
    // Opening for writing again lifts the restriction.
    ASSERT_TRUE(reg.openKey("\\SOFTWARE\\Quillmoor\\Run", false));
    EXPECT_TRUE(reg.createKey("Child"));
    EXPECT_TRUE(reg.deleteKey("Child"));
}

TEST_F(RegistryTest, OverlongNamesAreRefused) {
    Registry reg;
    EXPECT_FALSE(reg.createKey("\\" + std::string(256, 'k')));
    EXPECT_EQ(reg.lastStatus(), RegistryStatus::InvalidName);
    EXPECT_EQ(reg.writeString(std::string(16384, 'v'), "x"), RegistryStatus::InvalidName);
}

TEST_F(RegistryTest, MachineRootsFollowAdministratorRights) {
    if (geteuid() != 0)
        GTEST_SKIP() << "the writable case needs root; the read-only case is covered below";
    Registry machine(RegistryRoot::LocalMachine);
    ASSERT_TRUE(machine.openKey("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", true));
    EXPECT_EQ(machine.writeString("Qmoor.exe", "C:\\Quillmoor\\Qmoor.exe -w"), RegistryStatus::Ok);
    EXPECT_TRUE(IsAdmin());
    EXPECT_FALSE(machine.keyExists("\\Software\\Quill_Moor_Tmp"));
    // A probe key left behind by a crashed program is removed by the next probe.
    ASSERT_TRUE(machine.createKey("\\Software\\Quill_Moor_Tmp"));
    EXPECT_TRUE(IsAdmin());
    EXPECT_FALSE(machine.keyExists("\\Software\\Quill_Moor_Tmp"));
}

// The machine's hives are every user's to read: root's umask of 077 neither makes their
// folders root's alone nor, when a hive is written again, takes the others' reading away.
TEST_F(RegistryTest, TheMachineHiveStaysReadableByAllWhateverTheUmask) {
    if (geteuid() != 0)
        GTEST_SKIP() << "the machine's hives are root's to write";
    const std::string folder = sandbox.root() + "/var/lib/quillmoor/registry";
    setenv("QUILLMOOR_REGISTRY_DIR", folder.c_str(), 1);
    const mode_t umaskBefore = umask(077);
    Registry machine(RegistryRoot::LocalMachine);
    const bool written = machine.openKey("\\SOFTWARE\\Quillmoor", true) &&
                         machine.writeString("Server", "one") == RegistryStatus::Ok &&
                         machine.writeString("Server", "two") == RegistryStatus::Ok;
    umask(umaskBefore);
    setenv("QUILLMOOR_REGISTRY_DIR", (sandbox.root() + "/registry").c_str(), 1);
    ASSERT_TRUE(written);
    for (const std::string& made : {sandbox.root() + "/var", sandbox.root() + "/var/lib", folder,
                                    folder + "/HKEY_LOCAL_MACHINE.hive"}) {
        struct stat info {};
        ASSERT_EQ(stat(made.c_str(), &info), 0) << made;
        EXPECT_EQ(info.st_mode & 0004, 0004u) << made;
    }
}

TEST_F(RegistryTest, ReadOnlyMachineSwitchDeniesEvenRoot) {
    Registry classes(RegistryRoot::ClassesRoot);
    if (geteuid() == 0) {
        ASSERT_TRUE(classes.openKey("\\.bpa", true));
    }
    setenv("QUILLMOOR_REGISTRY_READONLY_MACHINE", "1", 1);
    EXPECT_FALSE(IsAdmin());
    Registry machine(RegistryRoot::LocalMachine);
    EXPECT_FALSE(machine.openKey("\\SOFTWARE\\Quillmoor", true));
    EXPECT_EQ(machine.lastStatus(), RegistryStatus::AccessDenied);
    EXPECT_FALSE(machine.createKey("\\Software\\Quill_Moor_Tmp"));
    EXPECT_EQ(machine.lastStatus(), RegistryStatus::AccessDenied);
    EXPECT_FALSE(fs::exists(HiveStore::hivePath(RegistryRoot::LocalMachine)));
    if (geteuid() == 0) {
        EXPECT_TRUE(classes.openKeyReadOnly("\\.BPA"));
        EXPECT_FALSE(classes.deleteKey("\\.bpa"));
    }
    // The user's own hive stays writable.
    Registry user;
    EXPECT_TRUE(user.openKey("\\SOFTWARE\\Quillmoor", true));
}

TEST_F(RegistryTest, CorruptHiveReadsEmptyAndIsKeptBeforeAWrite) {
    std::string path = HiveStore::hivePath(RegistryRoot::CurrentUser);
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << "QMHIVE 1\nK SOFTWARE\nV dword Broken 12x\n";
    Registry reg;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(reg.keyExists("\\SOFTWARE"));
    std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("damaged"), std::string::npos);
    EXPECT_NE(message.find("line 3"), std::string::npos);

    testing::internal::CaptureStderr();
    ASSERT_TRUE(reg.openKey("\\SOFTWARE\\Quillmoor", true));
    testing::internal::GetCapturedStderr();
    std::ifstream kept(path + ".corrupt", std::ios::binary);
    std::string keptText((std::istreambuf_iterator<char>(kept)), {});
    EXPECT_EQ(keptText, "QMHIVE 1\nK SOFTWARE\nV dword Broken 12x\n");
    EXPECT_TRUE(reg.keyExists("\\SOFTWARE\\Quillmoor"));
}

TEST_F(RegistryTest, BatchReadsOnceWritesOnceAllOrNothingAndKeepsOthersChanges) {
    const std::string_view key = "\\SOFTWARE\\Quillmoor\\Batch";
    Registry other;
    ASSERT_TRUE(other.openKey(key, true));
    ASSERT_EQ(other.writeDword("Theirs", 1), RegistryStatus::Ok);
    const HiveStore::IoCounts before = HiveStore::ioCounts();
    Registry batch;
    ASSERT_EQ(batch.beginBatch(), RegistryStatus::Ok);
    ASSERT_TRUE(batch.openKey(key, true));
    uint32_t value = 0;
    for (uint32_t i = 0; i < 20; ++i)
        ASSERT_EQ(batch.writeDword("V" + std::to_string(i), i), RegistryStatus::Ok);
    ASSERT_EQ(batch.readDword("V7", value), RegistryStatus::Ok);
    EXPECT_EQ(value, 7u) << "the batch reads its own changes";
    EXPECT_EQ(HiveStore::ioCounts().loads, before.loads + 1);
    EXPECT_EQ(HiveStore::ioCounts().saves, before.saves);
    ASSERT_EQ(other.writeDword("Theirs", 2), RegistryStatus::Ok); // meanwhile
    EXPECT_FALSE(other.valueExists("V7")) << "nothing is written before the commit";
    const HiveStore::IoCounts mid = HiveStore::ioCounts();
    ASSERT_EQ(batch.commit(), RegistryStatus::Ok);
    EXPECT_EQ(HiveStore::ioCounts().saves, mid.saves + 1);
    EXPECT_EQ(other.valueNames().size(), 21u);
    ASSERT_EQ(other.readDword("Theirs", value), RegistryStatus::Ok);
    EXPECT_EQ(value, 2u);

    // A change that no longer applies at the commit takes the others with it.
    ASSERT_TRUE(other.createKey("\\SOFTWARE\\Quillmoor\\Gone"));
    ASSERT_EQ(batch.beginBatch(), RegistryStatus::Ok);
    ASSERT_TRUE(batch.openKey(key, false));
    ASSERT_EQ(batch.writeDword("Late", 1), RegistryStatus::Ok);
    ASSERT_TRUE(batch.openKey("\\SOFTWARE\\Quillmoor\\Gone", false));
    ASSERT_EQ(batch.writeDword("X", 1), RegistryStatus::Ok);
    ASSERT_TRUE(other.deleteKey("\\SOFTWARE\\Quillmoor\\Gone"));
    EXPECT_EQ(batch.commit(), RegistryStatus::KeyMissing);
    EXPECT_FALSE(other.valueExists("Late"));
}

TEST_F(RegistryTest, ReadersTakeNoLockAndAWriterWaitsOnlyOnceBriefly) {
    using Clock = std::chrono::steady_clock;
    auto msSince = [](Clock::time_point t) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
    };
    Registry reg;
    ASSERT_TRUE(reg.openKey("\\SOFTWARE\\Quillmoor", true));
    ASSERT_EQ(reg.writeDword("V", 1), RegistryStatus::Ok);
    // Another program takes the hive's lock and hangs.
    const int holder =
        ::open((HiveStore::hivePath(RegistryRoot::CurrentUser) + ".lock").c_str(), O_RDWR);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    auto start = Clock::now();
    uint32_t value = 0;
    EXPECT_EQ(reg.readDword("V", value), RegistryStatus::Ok);
    EXPECT_EQ(value, 1u);
    EXPECT_TRUE(reg.openKey("\\SOFTWARE\\Quillmoor", true)) << "exists: nothing to write";
    EXPECT_EQ(reg.writeDword("V", 1), RegistryStatus::Ok) << "unchanged: nothing to write";
    EXPECT_LT(msSince(start), HiveStore::kLockWaitMs / 2);
    start = Clock::now();
    EXPECT_EQ(reg.writeDword("V", 2), RegistryStatus::IoError);
    EXPECT_LT(msSince(start), HiveStore::kLockWaitLimitMs);
    start = Clock::now();
    EXPECT_EQ(reg.writeDword("V", 3), RegistryStatus::IoError);
    EXPECT_LT(msSince(start), HiveStore::kLockWaitMs / 2) << "a lock that stayed taken: one try";
    ::close(holder);
    EXPECT_EQ(reg.writeDword("V", 4), RegistryStatus::Ok);
    EXPECT_EQ(reg.readDword("V", value), RegistryStatus::Ok);
    EXPECT_EQ(value, 4u);
}

// A hive is parsed once and read from that parse while its file stays as it was; a file
// changed in any way by anyone else (another process's write, a file renamed over it, a
// rewrite in place of the same size or another) is read again at the next call.
TEST_F(RegistryTest, AHiveIsParsedAgainExactlyWhenItsFileChanged) {
    const std::string key = "\\SOFTWARE\\Quillmoor\\Settings";
    Registry writer;
    ASSERT_TRUE(writer.openKey(key, true));
    ASSERT_EQ(writer.writeString("Name", "first"), RegistryStatus::Ok);
    ASSERT_EQ(writer.writeDword("Width", 790), RegistryStatus::Ok);
    const auto read = [&key] {
        Registry reader;
        std::string name;
        uint32_t width = 0;
        if (!reader.openKeyReadOnly(key) || reader.readString("Name", name) != RegistryStatus::Ok ||
            reader.readDword("Width", width) != RegistryStatus::Ok)
            return std::string("unreadable");
        return name + "|" + std::to_string(width);
    };
    const std::string path = HiveStore::hivePath(RegistryRoot::CurrentUser);
    const auto text = [](const std::string& name, int width) {
        return "QMHIVE 1\nK SOFTWARE\nK SOFTWARE\\Quillmoor\nK SOFTWARE\\Quillmoor\\Settings\nV sz "
               "Name " +
               name + "\nV dword Width " + std::to_string(width) + "\n";
    };
    EXPECT_EQ(read(), "first|790");
    uint64_t parses = HiveStore::ioCounts().parses;
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(read(), "first|790");
    EXPECT_EQ(HiveStore::ioCounts().parses, parses) << "unchanged: read from the kept parse";

    struct Change {
        const char* how;
        std::function<void()> make;
        const char* seen;
    } changes[] = {
        {"another process writes",
         [] {
             const pid_t pid = fork();
             if (pid == 0) {
                 Registry other;
                 _exit(other.openKey("\\SOFTWARE\\Quillmoor\\Settings", false) &&
                               other.writeString("Name", "child") == RegistryStatus::Ok
                           ? 0
                           : 1);
             }
             int status = -1;
             waitpid(pid, &status, 0);
             ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
         },
         "child|790"},
        {"a file of the same size renamed over it",
         [&] {
             std::ofstream(path + ".new") << text("other", 790);
             ASSERT_EQ(::rename((path + ".new").c_str(), path.c_str()), 0);
         },
         "other|790"},
        {"rewritten in place, same size, its time set back",
         [&] {
             const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
             const std::string bytes = text("third", 790);
             ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), 0), ssize_t(bytes.size()));
             const timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
             ASSERT_EQ(::futimens(fd, times), 0);
             ::close(fd);
         },
         "third|790"},
        {"rewritten in place, another size",
         [&] { std::ofstream(path, std::ios::trunc) << text("third", 1010); }, "third|1010"},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.how);
        change.make();
        parses = HiveStore::ioCounts().parses;
        EXPECT_EQ(read(), change.seen);
        EXPECT_EQ(read(), change.seen);
        EXPECT_EQ(HiveStore::ioCounts().parses, parses + 1) << "parsed once, then kept";
    }
}

TEST_F(RegistryTest, ProcessesWritingAtOnceLoseNothing) {
    constexpr int kChildren = 4;
    constexpr int kWrites = 25;
    std::vector<pid_t> children;
    for (int c = 0; c < kChildren; ++c) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            Registry reg;
            bool ok = reg.openKey("\\SOFTWARE\\Quillmoor\\Shared", true);
            for (int i = 0; i < kWrites && ok; ++i)
                ok = reg.writeDword("c" + std::to_string(c) + "_" + std::to_string(i),
                                    static_cast<uint32_t>(i)) == RegistryStatus::Ok;
            _exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    Registry reg;
    ASSERT_TRUE(reg.openKeyReadOnly("\\SOFTWARE\\Quillmoor\\Shared"));
    EXPECT_EQ(reg.valueNames().size(), static_cast<size_t>(kChildren * kWrites));
}

// Elevated for a user (sudo), the program writes that user's hive with the user's rights:
// with the registry folder swapped for a link to a folder of root's, nothing there
// changes; in the user's own folder the files are the user's.
TEST_F(RegistryTest, AHiveWrittenForAnotherUserGetsOnlyThatUsersRights) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to act elevated for another user";
    constexpr uid_t kUser = 65534;
    ASSERT_EQ(chmod(sandbox.root().c_str(), 0755), 0);
    const std::string rootFolder = sandbox.root() + "/rootonly";
    const std::string userFolder = sandbox.root() + "/userreg";
    fs::create_directories(rootFolder);
    fs::create_directories(userFolder);
    ASSERT_EQ(chown(userFolder.c_str(), kUser, kUser), 0);
    std::ofstream(rootFolder + "/HKEY_CURRENT_USER.hive") << "root's own file";
    fs::create_symlink(rootFolder, sandbox.root() + "/reglink");
    const auto listing = [](const std::string& folder) {
        std::set<std::string> out;
        for (const auto& entry : fs::directory_iterator(folder)) {
            struct stat info {};
            lstat(entry.path().c_str(), &info);
            out.insert(entry.path().filename().string() + " " + std::to_string(info.st_uid));
        }
        return out;
    };
    const auto rootBefore = listing(rootFolder);

    struct Row {
        std::string folder;
        bool written;
    } rows[] = {{sandbox.root() + "/reglink", false}, {userFolder, true}};
    setenv("SUDO_UID", std::to_string(kUser).c_str(), 1);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.folder);
        setenv("QUILLMOOR_REGISTRY_DIR", row.folder.c_str(), 1);
        Registry reg(RegistryRoot::CurrentUser);
        const bool opened = reg.openKey("\\Software\\Quillmoor", true);
        EXPECT_EQ(opened && reg.writeString("Name", "x") == RegistryStatus::Ok, row.written);
    }
    unsetenv("SUDO_UID");
    setenv("QUILLMOOR_REGISTRY_DIR", (sandbox.root() + "/registry").c_str(), 1);
    EXPECT_EQ(listing(rootFolder), rootBefore);
    EXPECT_EQ(listing(userFolder), (std::set<std::string>{"HKEY_CURRENT_USER.hive 65534",
                                                          "HKEY_CURRENT_USER.hive.lock 65534"}));
    EXPECT_EQ(geteuid(), 0u);
}

} // namespace
} // namespace qm
