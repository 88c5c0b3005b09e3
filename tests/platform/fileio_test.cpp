#include "platform/fileio.h"

#include "platform/datetime.h"
#include "support/sandbox.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {
namespace {

TEST(FileIo, CreateWriteSeekTruncateRead) {
    test::Sandbox sb;
    ASSERT_TRUE(createFolderChain("E:\\Quillmoor\\Drive_C\\deep\\er"));
    const std::string path = "E:\\Quillmoor\\Drive_C\\deep\\er\\f.bin";
    {
        FileHandle f = FileHandle::create(path);
        ASSERT_TRUE(f);
        ASSERT_TRUE(f.write("hello world", 11));
        EXPECT_EQ(f.size(), 11);
        EXPECT_EQ(f.seek(5), 5);
        ASSERT_TRUE(f.truncate());
        EXPECT_EQ(f.seek(0, SeekOrigin::End), 5);
        ASSERT_TRUE(f.write("!", 1));
        EXPECT_TRUE(f.flush());
    }
    EXPECT_EQ(sb.readFile(path), "hello!");
    EXPECT_EQ(fileSize(path), 6);
    FileHandle r = FileHandle::open(path, OpenMode::Read);
    char buf[16] = {};
    EXPECT_EQ(r.read(buf, sizeof buf), 6);
    EXPECT_EQ(r.read(buf, sizeof buf), 0);
    EXPECT_FALSE(r.write("x", 1)) << "a read-only handle must refuse writes";
    EXPECT_FALSE(r) << "and stay failed";
    EXPECT_NE(r.error(), 0);
    EXPECT_EQ(r.read(buf, 1), -1);
}

TEST(FileIo, MissingAndUntranslatablePathsFailQuietly) {
    test::Sandbox sb;
    EXPECT_FALSE(FileHandle::open("E:\\nope.txt", OpenMode::Read).isOpen());
    EXPECT_FALSE(FileHandle::create("Q:\\x.txt").isOpen());
    EXPECT_FALSE(FileHandle::create("E:\\..\\escape.txt").isOpen());
    EXPECT_FALSE(std::filesystem::exists(sb.root() + "/escape.txt"));
    EXPECT_EQ(fileSize("E:\\nope.txt"), -1);
    EXPECT_FALSE(fileDosDateTime("E:\\nope.txt"));
    EXPECT_FALSE(deleteFile("E:\\nope.txt"));
    EXPECT_FALSE(FileHandle::open("E:\\", OpenMode::Read).isOpen()) << "a folder is no file";
}

TEST(FileIo, ExistsRenameDeleteAndFolders) {
    test::Sandbox sb;
    sb.writeFile("C:\\d\\a.txt", "A");
    EXPECT_TRUE(fileExists("C:\\d\\a.txt"));
    EXPECT_FALSE(folderExists("C:\\d\\a.txt"));
    EXPECT_TRUE(folderExists("C:\\d"));
    EXPECT_FALSE(fileExists("C:\\d"));
    sb.writeFile("C:\\d\\b.txt", "B");
    ASSERT_TRUE(renameFile("C:\\d\\a.txt", "C:\\d\\b.txt"));
    EXPECT_EQ(sb.readFile("C:\\d\\b.txt"), "A");
    EXPECT_FALSE(fileExists("C:\\d\\a.txt"));
    EXPECT_FALSE(removeFolder("C:\\d")) << "not empty";
    ASSERT_TRUE(deleteFile("C:\\d\\b.txt"));
    EXPECT_TRUE(removeFolder("C:\\d"));
}

TEST(FileIo, DosDatesRoundTripAtTwoSecondPrecision) {
    test::Sandbox sb;
    sb.writeFile("C:\\t.txt", "x");
    const TDateTime when = encodeDateTime({2026, 12, 7, 23, 15, 23, 0});
    ASSERT_TRUE(setFileDosDateTime("C:\\t.txt", dateTimeToDos(when)));
    std::optional<uint32_t> dos = fileDosDateTime("C:\\t.txt");
    ASSERT_TRUE(dos);
    DateTimeParts p = decodeDateTime(dosToDateTime(*dos));
    EXPECT_EQ(p.year, 2026);
    EXPECT_EQ(p.hour, 23);
    EXPECT_EQ(p.second, 22) << "DOS dates keep even seconds";
    FileHandle f = FileHandle::open("C:\\t.txt", OpenMode::ReadWrite);
    const uint32_t other = dateTimeToDos(encodeDateTime({1999, 1, 2, 3, 4, 6, 0}));
    ASSERT_TRUE(f.setDosDateTime(other));
    EXPECT_EQ(f.dosDateTime(), other);
}

// A name counts as gone only where nothing could have been unmounted: a share whose
// mount point is left empty, a link to a folder that went with it, or a folder in which
// media come and go must never make backups look like deleted files.
TEST(FileIo, FileStatusCallsAFileGoneOnlyWhereNothingCouldHaveBeenUnmounted) {
    test::Sandbox sb;
    namespace fs = std::filesystem;
    const std::string c = sb.hostOf('C');
    sb.writeFile("C:\\kept\\other.txt", "stays");
    fs::create_directories(c + "/share");      // a mount point, unmounted
    fs::create_directories(c + "/media/USB2"); // a medium still mounted beside
    sb.writeFile("C:\\media\\note.txt", "the folder holds more");
    fs::create_symlink(c + "/share/docs", c + "/linked"); // a link into the share
    fs::create_symlink(c + "/share/x.txt", c + "/kept/dangling.txt");
    const std::string table = sb.root() + "/mounts";
    std::ofstream(table) << "/dev/sdc1 " << c << "/media/USB2 vfat rw 0 0\n";
    const char* old = std::getenv("QUILLMOOR_MOUNTS");
    const std::string saved = old ? old : "";
    setenv("QUILLMOOR_MOUNTS", table.c_str(), 1);
    const struct {
        const char* path;
        FileStatus::Kind kind;
    } cases[] = {
        {"C:\\kept\\gone.txt", FileStatus::Kind::Missing},    // deleted beside others
        {"C:\\gone\\deep\\a.txt", FileStatus::Kind::Missing}, // a whole folder deleted
        {"C:\\share\\a.txt", FileStatus::Kind::Unreadable},   // in an empty mount point
        {"C:\\share\\docs\\a.txt", FileStatus::Kind::Unreadable},
        {"C:\\linked\\a.txt", FileStatus::Kind::Unreadable}, // through a link to nothing
        {"C:\\kept\\dangling.txt", FileStatus::Kind::Unreadable},
        {"C:\\media\\USB1\\a.txt", FileStatus::Kind::Unreadable},     // a medium pulled out
        {"C:\\kept\\other.txt\\a.txt", FileStatus::Kind::Unreadable}, // a file, no folder
    };
    for (const auto& row : cases)
        EXPECT_EQ(static_cast<int>(fileStatus(row.path).kind), static_cast<int>(row.kind))
            << row.path;
    if (old)
        setenv("QUILLMOOR_MOUNTS", saved.c_str(), 1);
    else
        unsetenv("QUILLMOOR_MOUNTS");
}

TEST(FileIo, ListingSkipsNamesADosPathCannotCarryAndReportsThem) {
    test::Sandbox sb;
    sb.writeFile("C:\\src\\good.txt", "12345");
    sb.writeFile("C:\\src\\sub\\x", "");
    std::ofstream(sb.hostOf('C') + "/src/bad:name") << "x";
    std::ofstream(sb.hostOf('C') + "/src/what?") << "x";
    symlink((sb.hostOf('C') + "/src/sub").c_str(), (sb.hostOf('C') + "/src/link").c_str());
    symlink("/nonexistent/target", (sb.hostOf('C') + "/src/dangling").c_str());

    FolderListing l = listFolder("C:\\src");
    ASSERT_TRUE(l.ok);
    ASSERT_EQ(l.entries.size(), 3u);
    EXPECT_EQ(l.entries[0].name, "good.txt");
    EXPECT_EQ(l.entries[0].size, 5);
    EXPECT_FALSE(l.entries[0].isFolder);
    EXPECT_EQ(l.entries[1].name, "link");
    EXPECT_TRUE(l.entries[1].isFolder);
    EXPECT_TRUE(l.entries[1].isLink);
    EXPECT_EQ(l.entries[2].name, "sub");
    EXPECT_FALSE(l.entries[2].isLink);
    EXPECT_EQ(l.skippedNames.size(), 2u);
    EXPECT_FALSE(listFolder("C:\\missing").ok);
}

TEST(FileIo, WriteFailureIsReportedAndSticks) {
    if (access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full";
    test::Sandbox sb;
    DriveTable::instance().map('F', "/dev", DriveType::Removable);
    FileHandle f = FileHandle::open("F:\\full", OpenMode::ReadWrite);
    ASSERT_TRUE(f.isOpen());
    std::string block(4096, 'x');
    EXPECT_FALSE(f.write(block.data(), static_cast<int64_t>(block.size())));
    EXPECT_EQ(f.error(), ENOSPC);
    EXPECT_FALSE(f.write("x", 1)) << "a failed writer refuses further writes";
}

TEST(FileIo, CloseReportsAnEarlierFailure) {
    if (access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full";
    test::Sandbox sb;
    DriveTable::instance().map('F', "/dev", DriveType::Removable);
    FileHandle full = FileHandle::open("F:\\full", OpenMode::ReadWrite);
    ASSERT_TRUE(full.isOpen());
    EXPECT_FALSE(full.write("x", 1));
    EXPECT_FALSE(full.close());
    FileHandle good = FileHandle::create("C:\\good.txt");
    ASSERT_TRUE(good.write("ok", 2));
    EXPECT_TRUE(good.close());
    EXPECT_FALSE(good.close()) << "a closed handle has nothing to close";
}

TEST(FileIo, CreateNewRefusesAnExistingName) {
    test::Sandbox sb;
    sb.writeFile("C:\\taken.txt", "keep me");
    EXPECT_FALSE(FileHandle::createNew("C:\\taken.txt").isOpen());
    EXPECT_EQ(sb.readFile("C:\\taken.txt"), "keep me");
    FileHandle fresh = FileHandle::createNew("C:\\fresh.txt");
    ASSERT_TRUE(fresh);
    EXPECT_TRUE(fresh.write("new", 3));
    EXPECT_TRUE(fresh.close());
    EXPECT_EQ(sb.readFile("C:\\fresh.txt"), "new");
}

TEST(FileIo, SyncsAFileSystemAndOneFile) {
    test::Sandbox sb;
    sb.writeFile("E:\\Quillmoor\\a.bin", "data");
    EXPECT_TRUE(syncFileSystem("E:\\Quillmoor"));
    EXPECT_TRUE(syncFile("E:\\Quillmoor\\a.bin"));
    EXPECT_FALSE(syncFile("E:\\Quillmoor\\missing.bin"));
    EXPECT_FALSE(syncFileSystem("E:\\NoSuchFolder"));
}

// Opening a named pipe waits for a writer that may never come; a file open must not.
// The child process gives up after a few seconds, so a hang fails instead of stalling.
TEST(FileIoDeathTest, OpeningANamedPipeFailsAtOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    test::Sandbox sb;
    ASSERT_EQ(mkfifo((sb.hostOf('C') + "/pipe").c_str(), 0600), 0);
    EXPECT_EXIT(
        {
            alarm(5);
            bool opened = FileHandle::open("C:\\pipe", OpenMode::Read).isOpen() ||
                          FileHandle::open("C:\\pipe", OpenMode::ReadWrite).isOpen();
            _exit(opened ? 1 : 0);
        },
        testing::ExitedWithCode(0), "");
}

TEST(FileIo, DiskSpaceOfAMappedDrive) {
    test::Sandbox sb;
    int64_t freeBytes = -1, total = -1;
    ASSERT_TRUE(diskSpace("E:\\", freeBytes, total));
    EXPECT_GT(total, 0);
    EXPECT_GE(freeBytes, 0);
    EXPECT_LE(freeBytes, total);
    EXPECT_FALSE(diskSpace("Q:\\", freeBytes, total));
}

// Below a LinkFreeFolder a folder the guard has used, then swapped for a link to a folder
// of the computer's own, leads no function anywhere: each acts through folders it opened
// itself, fails like a missing file, and the computer's folder stays as it was. Another
// spelling of the path ("/" for "\", a doubled separator, ".") meets the same guard.
TEST(FileIo, FolderSwappedForALinkBelowALinkFreeFolderLeadsNowhere) {
    namespace fs = std::filesystem;
    test::Sandbox sb;
    const std::string own = sb.hostOf('C') + "/own";
    const std::string swapped = sb.hostOf('E') + "/Quillmoor/d";
    const TDateTime when = encodeDateTime({2026, 1, 2, 3, 4, 6, 0});
    struct Row {
        const char* name;
        std::function<bool()> act; // true when the function did what it was asked
    };
    const Row rows[] = {
        {"open",
         [] { return FileHandle::open("E:\\Quillmoor\\d\\x.txt", OpenMode::Read).isOpen(); }},
        {"open another spelling",
         [] { return FileHandle::open("E:/Quillmoor//d/./x.txt", OpenMode::Read).isOpen(); }},
        {"create", [] { return FileHandle::create("E:\\Quillmoor\\d\\new.txt").isOpen(); }},
        {"exists", [] { return fileExists("E:\\Quillmoor\\d\\x.txt"); }},
        {"size", [] { return fileSize("E:\\Quillmoor\\d\\x.txt") >= 0; }},
        {"delete", [] { return deleteFile("E:\\Quillmoor\\d\\x.txt"); }},
        {"rename from",
         [] { return renameFile("E:\\Quillmoor\\d\\x.txt", "E:\\Quillmoor\\y.txt"); }},
        {"rename to",
         [&sb] {
             sb.writeFile("E:\\Quillmoor\\y.txt", "planted");
             return renameFile("E:\\Quillmoor\\y.txt", "E:\\Quillmoor\\d\\x.txt");
         }},
        {"make folder", [] { return createFolderChain("E:\\Quillmoor\\d\\sub"); }},
        {"remove folder", [] { return removeFolder("E:\\Quillmoor\\d\\empty"); }},
        {"set date",
         [when] { return setFileDosDateTime("E:\\Quillmoor\\d\\x.txt", dateTimeToDos(when)); }},
        {"list", [] { return listFolder("E:\\Quillmoor\\d").ok; }},
        {"list folders", [] { return listSubfolders("E:\\Quillmoor\\d\\").ok; }},
    };
    auto snapshot = [&own] {
        std::map<std::string, std::pair<std::string, fs::file_time_type>> files;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(own)) {
            std::ifstream in(entry.path());
            files[entry.path().string()] = {
                entry.is_regular_file() ? std::string(std::istreambuf_iterator<char>(in), {}) : "",
                entry.last_write_time()};
        }
        return files;
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(own);
        fs::remove_all(sb.hostOf('E') + "/Quillmoor");
        sb.writeFile("C:\\own\\x.txt", "the computer's own");
        fs::create_directories(own + "/empty");
        sb.writeFile("E:\\Quillmoor\\d\\x.txt", "a backup");
        const auto before = snapshot();
        const LinkFreeFolder guard("E:\\Quillmoor\\");
        ASSERT_TRUE(FileHandle::open("E:\\Quillmoor\\d\\x.txt", OpenMode::Read))
            << "the guard has used the folder";
        fs::remove_all(swapped);
        fs::create_directory_symlink(own, swapped);
        EXPECT_FALSE(row.act());
        EXPECT_EQ(snapshot(), before);
    }
}

} // namespace
} // namespace qm
