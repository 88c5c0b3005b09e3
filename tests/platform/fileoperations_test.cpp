#include "platform/fileoperations.h"

#include "platform/fileio.h"
#include "support/sandbox.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {
namespace {

namespace fs = std::filesystem;

TEST(FileOperations, CopyKeepsDateAndReplacesTarget) {
    test::Sandbox sandbox;
    sandbox.writeFile("C:\\a\\Log.txt", "new log");
    sandbox.setFileTime("C:\\a\\Log.txt", 2021, 3, 4, 5, 6, 8);
    sandbox.writeFile("E:\\Quillmoor\\Log.txt", "old, longer content");
    ASSERT_TRUE(copyFileKeepingDate("C:\\a\\Log.txt", "E:\\Quillmoor\\Log.txt"));
    EXPECT_EQ(sandbox.readFile("E:\\Quillmoor\\Log.txt"), "new log");
    EXPECT_EQ(fileDosDateTime("E:\\Quillmoor\\Log.txt"), fileDosDateTime("C:\\a\\Log.txt"));
    EXPECT_FALSE(copyFileKeepingDate("C:\\a\\missing.txt", "E:\\x.txt"));
    EXPECT_FALSE(fileExists("E:\\x.txt"));
}

TEST(FileOperations, CopyNeverWritesThroughAFileWaitingAtItsTemporaryName) {
    test::Sandbox sandbox;
    sandbox.writeFile("C:\\new.txt", "new content");
    std::string victim = sandbox.writeFile("C:\\victim.txt", "precious");
    std::string target = sandbox.hostOf('E') + "/Log.txt";
    // A link planted at the name a copy would use, such as "<target>.qmcopy.<pid>".
    fs::create_hard_link(victim, target + ".qmcopy." + std::to_string(getpid()));
    ASSERT_TRUE(copyFileKeepingDate("C:\\new.txt", "E:\\Log.txt"));
    EXPECT_EQ(sandbox.readFile("E:\\Log.txt"), "new content");
    EXPECT_EQ(sandbox.readFile("C:\\victim.txt"), "precious");
}

TEST(FileOperationsDeathTest, CopyFromANamedPipeFailsAtOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    test::Sandbox sandbox;
    ASSERT_EQ(mkfifo((sandbox.hostOf('C') + "/pipe").c_str(), 0600), 0);
    EXPECT_EXIT(
        {
            alarm(5);
            _exit(copyFileKeepingDate("C:\\pipe", "E:\\pipe") ? 1 : 0);
        },
        testing::ExitedWithCode(0), "");
}

TEST(FileOperations, MoveAcrossDevicesCopiesThenDeletes) {
    test::Sandbox sandbox;
    struct stat here {
    }, shm{};
    if (stat(sandbox.root().c_str(), &here) != 0 || stat("/dev/shm", &shm) != 0 ||
        here.st_dev == shm.st_dev)
        GTEST_SKIP() << "no second device to move to";
    char folder[] = "/dev/shm/qm-move-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    DriveTable::instance().map('M', folder, DriveType::Removable);
    sandbox.writeFile("C:\\Log.txt", "run log");
    sandbox.setFileTime("C:\\Log.txt", 2020, 1, 2, 3, 4, 6);
    uint32_t date = *fileDosDateTime("C:\\Log.txt");
    EXPECT_TRUE(moveFile("C:\\Log.txt", "M:\\Log.txt"));
    EXPECT_FALSE(fileExists("C:\\Log.txt"));
    EXPECT_EQ(fileDosDateTime("M:\\Log.txt"), date);
    fs::remove_all(folder);
}

TEST(FileOperations, MoveWithinADeviceRenames) {
    test::Sandbox sandbox;
    sandbox.writeFile("C:\\Log.txt", "x");
    EXPECT_TRUE(moveFile("C:\\Log.txt", "E:\\Log.txt"));
    EXPECT_EQ(sandbox.readFile("E:\\Log.txt"), "x");
    EXPECT_FALSE(moveFile("C:\\Log.txt", "E:\\Log2.txt"));
}

TEST(FileOperations, FolderTreeDeleteNeverFollowsLinks) {
    test::Sandbox sandbox;
    sandbox.writeFile("C:\\keep\\precious.txt", "mine");
    sandbox.writeFile("E:\\Quillmoor\\Reports\\1\\Log.txt", "log");
    sandbox.writeFile("E:\\Quillmoor\\Reports\\1\\deep\\er\\Report.dat", "r");
    std::string reports = sandbox.hostOf('E') + "/Quillmoor/Reports";
    fs::create_directory_symlink(sandbox.hostOf('C') + "/keep", reports + "/1/linked");
    fs::create_symlink(sandbox.hostOf('C') + "/keep/precious.txt", reports + "/file-link");
    EXPECT_TRUE(deleteFolderTree("E:\\Quillmoor\\Reports"));
    EXPECT_FALSE(fs::exists(reports));
    EXPECT_EQ(sandbox.readFile("C:\\keep\\precious.txt"), "mine");
    EXPECT_FALSE(deleteFolderTree("E:\\Quillmoor\\Reports"));
}

TEST(FileOperations, FolderTreeDeleteRefusesRootsAndLinkedFolders) {
    test::Sandbox sandbox;
    sandbox.writeFile("E:\\file.txt", "x");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(deleteFolderTree("E:\\"));
    EXPECT_FALSE(deleteFolderTree("C:"));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(sandbox.readFile("E:\\file.txt"), "x");
    fs::create_directory_symlink(sandbox.hostOf('E'), sandbox.hostOf('C') + "/toE");
    EXPECT_FALSE(deleteFolderTree("C:\\toE"));
    EXPECT_EQ(sandbox.readFile("E:\\file.txt"), "x");
}

} // namespace
} // namespace qm
