#include "platform/folderroutines.h"

#include "platform/fileio.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace qm {
namespace {

namespace fs = std::filesystem;

TEST(DeleteFolderTest, RemovesTreeWithSubfolders) {
    test::Sandbox sandbox;
    sandbox.writeFile("E:\\Reports\\r1\\Log.txt", "log");
    sandbox.writeFile("E:\\Reports\\r1\\sub\\deep\\x.dat", "x");
    EXPECT_TRUE(DeleteFolder("E:\\Reports\\r1\\", true));
    EXPECT_FALSE(folderExists("E:\\Reports\\r1"));
    EXPECT_TRUE(folderExists("E:\\Reports"));
}

TEST(DeleteFolderTest, WithoutSubfolderFlagKeepsSubfoldersAndFolder) {
    test::Sandbox sandbox;
    sandbox.writeFile("E:\\r\\a.txt", "a");
    sandbox.writeFile("E:\\r\\sub\\b.txt", "b");
    EXPECT_FALSE(DeleteFolder("E:\\r", false));
    EXPECT_FALSE(fileExists("E:\\r\\a.txt"));
    EXPECT_TRUE(fileExists("E:\\r\\sub\\b.txt"));
}

TEST(DeleteFolderTest, ReadOnlyFileKeepsFileAndFolder) {
    test::Sandbox sandbox;
    const std::string host = sandbox.writeFile("E:\\r\\locked.txt", "keep");
    sandbox.writeFile("E:\\r\\other.txt", "go");
    ASSERT_EQ(::chmod(host.c_str(), 0444), 0);
    EXPECT_FALSE(DeleteFolder("E:\\r", true));
    EXPECT_TRUE(fileExists("E:\\r\\locked.txt"));
    EXPECT_FALSE(fileExists("E:\\r\\other.txt"));
}

TEST(DeleteFolderTest, NeverDescendsIntoLinkedFolder) {
    test::Sandbox sandbox;
    const std::string precious = sandbox.writeFile("C:\\precious\\keep.txt", "keep");
    sandbox.writeFile("E:\\r\\a.txt", "a");
    fs::create_directory_symlink(fs::path(precious).parent_path(),
                                 fs::path(sandbox.hostOf('E')) / "r" / "link");
    EXPECT_TRUE(DeleteFolder("E:\\r", true));
    EXPECT_TRUE(fileExists("C:\\precious\\keep.txt"));
    EXPECT_FALSE(folderExists("E:\\r"));
}

TEST(DeleteFolderTest, NeverDeletesThroughALinkedPath) {
    test::Sandbox sandbox;
    sandbox.writeFile("E:\\data\\keep.txt", "keep");
    fs::create_directory_symlink(fs::path(sandbox.hostOf('E')) / "data",
                                 fs::path(sandbox.hostOf('C')) / "toData");
    EXPECT_FALSE(DeleteFolder("C:\\toData", true));
    EXPECT_FALSE(DeleteFolder("C:\\toData\\", false));
    EXPECT_TRUE(fileExists("E:\\data\\keep.txt"));
}

TEST(DeleteFolderTest, WithoutSubfolderFlagKeepsLinkedFolders) {
    test::Sandbox sandbox;
    sandbox.writeFile("C:\\target\\t.txt", "t");
    sandbox.writeFile("E:\\r\\a.txt", "a");
    const fs::path link = fs::path(sandbox.hostOf('E')) / "r" / "link";
    fs::create_directory_symlink(fs::path(sandbox.hostOf('C')) / "target", link);
    EXPECT_FALSE(DeleteFolder("E:\\r", false));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_FALSE(fileExists("E:\\r\\a.txt"));
    EXPECT_TRUE(fileExists("C:\\target\\t.txt"));
}

TEST(DeleteFolderTest, RefusesDriveRootsAndEmptyPath) {
    test::Sandbox sandbox;
    sandbox.writeFile("E:\\file.txt", "x");
    for (const char* root : {"E:\\", "E:", "E:\\.", "e:\\"}) {
        EXPECT_FALSE(DeleteFolder(root, true)) << root;
        EXPECT_TRUE(fileExists("E:\\file.txt")) << root;
    }
    EXPECT_FALSE(DeleteFolder("", true));
}

TEST(CheckFreeSpaceTest, Results) {
    test::Sandbox sandbox;
    EXPECT_EQ(CheckFreeSpace("e", 0), FreeSpace::Enough);
    EXPECT_EQ(CheckFreeSpace("E", INT64_MAX), FreeSpace::TooLittle);
    EXPECT_EQ(CheckFreeSpace("Q", 0), FreeSpace::Unreadable);
    EXPECT_EQ(CheckFreeSpace("", 0), FreeSpace::Unreadable);
}

} // namespace
} // namespace qm
