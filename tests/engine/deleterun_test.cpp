#include "engine/deleterun.h"

#include "runtest.h"

#include "engine/archivereader.h"
#include "engine/copytree.h"

#include "platform/dospath.h"

#include <filesystem>
#include <limits>

#include <sys/stat.h>
#include <unistd.h>

namespace qm::test {
namespace {

class DeleteRunTest : public RunTest {};

TEST_F(DeleteRunTest, PlainCopiesGoWithTheirVersionsAndCheckFiles) {
    for (const char* content : {"1", "2", "3"}) {
        sandbox.writeFile("C:\\d.txt", content);
        SetUpJob(Mode::Plain, 128);
        job.SetRevision(true);
        job.SetTopRevision(5);
        BackupPaths({"C:\\d.txt"});
    }
    sandbox.writeFile("C:\\keep.txt", "keep");
    BackupPaths({"C:\\keep.txt"});
    deleteFile(job.LogFileName);
    job.DeleteFiles({"C:\\d.txt", "C:\\never.txt"});
    for (const char* p : {"d.txt", "d_1.txt", "d_2.txt", "d.txt.mac", "d_2.txt.mac"})
        EXPECT_FALSE(fileExists(std::string("E:\\Quillmoor\\Drive_C\\") + p)) << p;
    EXPECT_TRUE(fileExists("E:\\Quillmoor\\Drive_C\\keep.txt"));
    auto records = Records();
    EXPECT_EQ(records.size(), 1u);
    EXPECT_EQ(records.count("C:\\keep.txt"), 1u);
    EXPECT_EQ(LogLines(), std::vector<std::string>{std::string(kNow) + " C:\\d.txt - deleted."});
    ASSERT_GE(progress.size(), 3u);
    const ProgressCall& last = progress.back(); // the line without a record: one call
    EXPECT_EQ(std::make_tuple(last.filesDone, last.fileSize, last.fileBytesDone, last.bytesDone),
              std::make_tuple(1, int64_t{100}, int64_t{0}, int64_t{1}));
}

// The archive without the entry is readable by no one who could not read it before: its
// group's rights stay only with its group (the tests run as root, who can give a file a
// group that is not the process's).
TEST_F(DeleteRunTest, RunArchiveEntryIsCutOutAndTheOthersStayRestorable) {
    const bool root = ::geteuid() == 0;
    for (const char* p : {"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"}) {
        sandbox.writeFile(p, std::string("data of ") + p);
        ASSERT_EQ(::chmod(toHostPath(p)->c_str(), 0640), 0);
        if (root) {
            ASSERT_EQ(::chown(toHostPath(p)->c_str(), 0, 4322), 0);
        }
    }
    SetUpJob(Mode::RunArchive, 256);
    BackupPaths({"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"});
    const std::string archive = Records()["C:\\1.txt"].MediaPath;
    job.DeleteFiles({"C:\\2.txt"});
    EXPECT_EQ(Records().count("C:\\2.txt"), 0u);
    const std::optional<FileAccess> access = fileAccess(archive);
    ASSERT_TRUE(access);
    EXPECT_EQ(access->mode & 0707, 0600u);
    EXPECT_TRUE((access->mode & 070) == 0 || access->group == (root ? 4322u : ::getegid()))
        << std::oct << access->mode << " group " << std::dec << access->group;
    for (const char* p : {"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"})
        deleteFile(p);
    RunRestore({"C:\\1.txt", "C:\\3.txt"});
    EXPECT_EQ(sandbox.readFile("C:\\1.txt"), "data of C:\\1.txt");
    EXPECT_EQ(sandbox.readFile("C:\\3.txt"), "data of C:\\3.txt");
    EXPECT_EQ(Engine().ErrorCount, 0);
}

// Sizes of damaged records add up to the largest total, never to a wrapped one.
TEST_F(DeleteRunTest, HugeRecordedSizesDoNotWrapTheProgressTotal) {
    const auto count = SerializeDriveListCount(2);
    std::string list(count.begin(), count.end());
    for (const char* path : {"C:\\x.txt", "C:\\y.txt"}) {
        DriveListRecord record;
        record.SourcePath = path;
        record.MediaPath = CopyPathFor('E', path);
        record.Size = int64_t{1} << 62;
        auto bytes = SerializeDriveListRecord(record);
        list += std::string(bytes.begin(), bytes.end());
        sandbox.writeFile(record.MediaPath, "copy");
    }
    sandbox.writeFile("E:\\Quillmoor\\drive.lst", list);
    progress.clear();
    TBackUpJob deleter;
    deleter.SetDestination('E');
    deleter.DeleteFiles({"C:\\x.txt", "C:\\y.txt", ""});
    EXPECT_FALSE(fileExists(CopyPathFor('E', "C:\\y.txt")));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back().bytesDone, std::numeric_limits<int64_t>::max());
    for (const ProgressCall& call : progress)
        EXPECT_GE(call.bytesDone, 0);
}

TEST_F(DeleteRunTest, CancelAfterTheFirstFileLeavesTheOthers) {
    for (const char* p : {"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"})
        sandbox.writeFile(p, "x");
    SetUpJob(Mode::FileArchives, 0);
    BackupPaths({"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"});
    Engine().ProgressProc = [](int32_t f, bool, int64_t, int64_t, int64_t) {
        if (f == 0)
            Engine().CancelFlag = true;
    };
    job.DeleteFiles({"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"});
    EXPECT_FALSE(Engine().CancelFlag);
    EXPECT_FALSE(fileExists(FileArchivePathFor('E', "C:\\1.txt")));
    EXPECT_TRUE(fileExists(FileArchivePathFor('E', "C:\\2.txt")));
    auto records = Records();
    EXPECT_EQ(records.size(), 2u);
    EXPECT_EQ(records.count("C:\\1.txt"), 0u);
}

// A crafted catalogue names files that are no backup of its records' files: the delete
// run touches none of them (it drops the record and says why), and a restore reads none.
TEST_F(DeleteRunTest, MediaPathsOfAnotherShapeAreNeverDeletedOrRestored) {
    struct Row {
        const char* media;
        uint8_t compression, inArchive;
    };
    const std::vector<Row> rows = {{"E:\\Quillmoor\\drive.lst", 0, 0},
                                   {"E:\\Quillmoor\\Reports\\Report.dat", 0, 0},
                                   {"E:\\Quillmoor\\Drive_C\\other.txt", 0, 0},
                                   {"E:\\Quillmoor\\Drive_C\\other.txt", 1, 0},
                                   {"E:\\Quillmoor\\Drive_C\\\\x.txt", 0, 0},
                                   {"E:\\Quillmoor\\drive.lst", 1, 1},
                                   {"E:\\Quillmoor\\Drive_C\\sub\\run.bpa", 1, 1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.media);
        sandbox.writeFile("E:\\Quillmoor\\Reports\\Report.dat", "report");
        sandbox.writeFile("E:\\Quillmoor\\Drive_C\\other.txt", "another file's copy");
        sandbox.writeFile("E:\\Quillmoor\\Drive_C\\x.txt", "x's copy");
        sandbox.writeFile("E:\\Quillmoor\\Drive_C\\sub\\run.bpa", "an archive");
        std::string list;
        const auto count = SerializeDriveListCount(2);
        list.append(count.begin(), count.end());
        for (const char* path : {"C:\\x.txt", "C:\\keep.txt"}) {
            DriveListRecord record;
            record.SourcePath = path;
            record.MediaPath = path[3] == 'x' ? row.media : CopyPathFor('E', path);
            record.Compression = path[3] == 'x' ? row.compression : 0;
            record.InArchive = path[3] == 'x' ? row.inArchive : 0;
            const auto bytes = SerializeDriveListRecord(record);
            list.append(bytes.begin(), bytes.end());
        }
        sandbox.writeFile("E:\\Quillmoor\\drive.lst", list);
        Engine().ErrorCount = 0;
        RunRestore({"C:\\x.txt"}, "C:\\Restore\\");
        EXPECT_FALSE(fileExists("C:\\Restore\\x.txt"));
        EXPECT_EQ(Engine().ErrorCount, 1);
        TBackUpJob deleter;
        deleter.SetDestination('E');
        deleter.DeleteFiles({"C:\\x.txt"});
        EXPECT_EQ(sandbox.readFile("E:\\Quillmoor\\Reports\\Report.dat"), "report");
        EXPECT_EQ(sandbox.readFile("E:\\Quillmoor\\Drive_C\\other.txt"), "another file's copy");
        EXPECT_EQ(sandbox.readFile("E:\\Quillmoor\\Drive_C\\x.txt"), "x's copy");
        EXPECT_EQ(sandbox.readFile("E:\\Quillmoor\\Drive_C\\sub\\run.bpa"), "an archive");
        auto records = Records();
        EXPECT_EQ(records.size(), 1u);
        EXPECT_EQ(records.count("C:\\keep.txt"), 1u);
        EXPECT_EQ(Engine().ErrorCount, 2);
    }
}

// Versions are deleted only for a record whose revision is not 0: otherwise a name like
// "a_1.txt" is no version of a.txt but the copy of C:\a_1.txt.
TEST_F(DeleteRunTest, RecordOfRevisionZeroLeavesNamesLikeItsVersions) {
    sandbox.writeFile("C:\\a.txt", "a");
    sandbox.writeFile("C:\\a_1.txt", "another file");
    SetUpJob(Mode::Plain, 0);
    BackupPaths({"C:\\a.txt", "C:\\a_1.txt"});
    job.DeleteFiles({"C:\\a.txt"});
    EXPECT_FALSE(fileExists("E:\\Quillmoor\\Drive_C\\a.txt"));
    EXPECT_EQ(sandbox.readFile("E:\\Quillmoor\\Drive_C\\a_1.txt"), "another file");
}

// Deleting the middle file of a run archive, stopped at any change it makes: the files it
// did not delete come back whole, the archive is whole with or without the entry, and
// the file being deleted is listed only while its entry is there (its record goes first).
TEST_F(DeleteRunTest, DeleteStoppedAtAnyChangeLeavesTheOtherFilesRestorable) {
    const std::vector<std::string> paths = {"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"};
    std::string noise; // the entry taken out is longer than the one behind it
    for (int i = 0; i < 3000; ++i)
        noise.push_back(static_cast<char>((i * 7919) >> 3));
    auto setup = [&] {
        deleteFile("E:\\Quillmoor\\drive.lst");
        for (const std::string& p : paths)
            sandbox.writeFile(p, "data of " + p + std::string(3000, 'x'));
        sandbox.writeFile("C:\\2.txt", noise);
        SetUpJob(Mode::RunArchive, 128);
        BackupPaths(paths);
    };
    const std::string archive = "E:\\Quillmoor\\Drive_C\\12_7_2026 11_15_22 PM.bpa";
    ForEveryCrashPoint(
        "E:", setup, [this] { job.DeleteFiles({"C:\\2.txt"}); },
        [&](int) {
            EXPECT_EQ(ArchiveReader::CompleteLength(archive, nullptr), fileSize(archive));
            for (const std::string& p : paths)
                deleteFile(p);
            Engine().ErrorCount = 0;
            // 2.txt too, while the catalogue still lists it: its entry must be there.
            RunRestore(paths);
            EXPECT_EQ(Engine().ErrorCount, 0);
            EXPECT_EQ(sandbox.readFile("C:\\1.txt"), "data of C:\\1.txt" + std::string(3000, 'x'));
            EXPECT_EQ(sandbox.readFile("C:\\3.txt"), "data of C:\\3.txt" + std::string(3000, 'x'));
        });
}

// A media drive without room for the shortened archive: the delete says so and leaves
// the archive and the file's record as they were.
TEST_F(DeleteRunTest, NoRoomToRewriteTheArchiveLeavesItWhole) {
    for (const char* p : {"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"})
        sandbox.writeFile(p, std::string("data of ") + p);
    SetUpJob(Mode::RunArchive, 0);
    BackupPaths({"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"});
    const std::string archive = Records()["C:\\2.txt"].MediaPath;
    const auto before = sandbox.readFile(archive);
    deleteFile(job.LogFileName);
    {
        ChangeGate full([](FileChange change, std::string_view path) {
            return change != FileChange::Write ||
                   path.find("\\Staging\\") == std::string_view::npos;
        });
        job.DeleteFiles({"C:\\2.txt"});
    }
    EXPECT_EQ(sandbox.readFile(archive), before);
    EXPECT_EQ(Records().count("C:\\2.txt"), 1u);
    EXPECT_EQ(LogLines(), std::vector<std::string>{"***ERROR***" + std::string(kNow) +
                                                   " C:\\2.txt - can't delete it from " + archive +
                                                   ": the media drive has no room to rewrite the "
                                                   "archive, which is left whole."});
    EXPECT_EQ(Engine().ErrorCount, 1);
    EXPECT_EQ(StagedFiles(), 0u);
}

// The rewritten archive's name in the staging folder: a folder left there is cleared
// by the run, and any failure to write the copy other than a full media is logged with
// its own reason.
TEST_F(DeleteRunTest, RemovalCopyInTheWayOrFailingSaysWhy) {
    const std::vector<std::string> paths = {"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"};
    for (const std::string& p : paths)
        sandbox.writeFile(p, "data of " + p);
    SetUpJob(Mode::RunArchive, 0);
    BackupPaths(paths);
    const std::string archive = Records()["C:\\2.txt"].MediaPath;
    const auto before = sandbox.readFile(archive);
    deleteFile(job.LogFileName);
    {
        ChangeGate failing([](FileChange change, std::string_view path) {
            return change != FileChange::Create || !path.ends_with("\\removal.part");
        });
        job.DeleteFiles({"C:\\2.txt"});
    }
    EXPECT_EQ(sandbox.readFile(archive), before);
    EXPECT_EQ(Records().count("C:\\2.txt"), 1u);
    EXPECT_EQ(LogLines(),
              std::vector<std::string>{"***ERROR***" + std::string(kNow) +
                                       " C:\\2.txt - can't delete it from " + archive +
                                       ": E:\\Quillmoor\\Staging\\removal.part could not be made "
                                       "(Input/output error); the archive is left whole."});
    sandbox.writeFile("E:\\Quillmoor\\Staging\\removal.part\\left behind", "");
    Engine().ErrorCount = 0;
    job.DeleteFiles({"C:\\2.txt"});
    EXPECT_EQ(Engine().ErrorCount, 0);
    EXPECT_EQ(Records().count("C:\\2.txt"), 0u);
    for (const std::string& p : paths)
        deleteFile(p);
    RunRestore({"C:\\1.txt", "C:\\3.txt"});
    EXPECT_EQ(sandbox.readFile("C:\\1.txt"), "data of C:\\1.txt");
    EXPECT_EQ(sandbox.readFile("C:\\3.txt"), "data of C:\\3.txt");
    EXPECT_EQ(StagedFiles(), 0u);
}

// Versions past the record's revision are not the file's: with a.txt at revision 1, a
// file a_2.txt beside it keeps its copy when a.txt is deleted.
TEST_F(DeleteRunTest, VersionsPastTheRecordsRevisionAreLeftAlone) {
    for (const char* content : {"a, first", "a, second"}) {
        sandbox.writeFile("C:\\a.txt", content);
        BackupAs({"C:\\a.txt"}, Mode::Plain, 3);
    }
    sandbox.writeFile("C:\\a_2.txt", "another file");
    BackupAs({"C:\\a_2.txt"}, Mode::Plain, 0);
    job.DeleteFiles({"C:\\a.txt"});
    EXPECT_FALSE(fileExists("E:\\Quillmoor\\Drive_C\\a_1.txt"));
    EXPECT_EQ(sandbox.readFile("E:\\Quillmoor\\Drive_C\\a_2.txt"), "another file");
}

} // namespace
} // namespace qm::test

namespace qm::test {
namespace {

// A backup the media's guard cannot delete, because a folder on its way (or the copy
// itself, or its archive) is a link, is not "deleted": it keeps its record, the line says
// so and the run counts it; the file the link leads to stays.
TEST_F(DeleteRunTest, ABackupBehindALinkIsNotDeletedAndSaysSo) {
    struct Row {
        const char* name;
        Mode mode;
        bool linkTheFile; // else its folder
    };
    const Row rows[] = {{"folder of a copy", Mode::Plain, false},
                        {"copy itself", Mode::Plain, true},
                        {"folder of a file archive", Mode::FileArchives, false},
                        {"run archive itself", Mode::RunArchive, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::filesystem::remove_all(sandbox.hostOf('E') + "/Quillmoor");
        std::filesystem::remove_all(sandbox.hostOf('E') + "/moved");
        sandbox.writeFile("C:\\d\\x.txt", "backed up");
        SetUpJob(row.mode, 0);
        BackupPaths({"C:\\d\\x.txt"});
        const std::string media = *toHostPath(Records()["C:\\d\\x.txt"].MediaPath);
        const std::filesystem::path moved = sandbox.hostOf('E') + "/moved";
        std::filesystem::create_directories(moved);
        const std::filesystem::path linked = row.linkTheFile
                                                 ? std::filesystem::path(media)
                                                 : std::filesystem::path(media).parent_path();
        std::filesystem::rename(linked, moved / "target");
        if (row.linkTheFile)
            std::filesystem::create_symlink(moved / "target", linked);
        else
            std::filesystem::create_directory_symlink(moved / "target", linked);
        deleteFile(job.LogFileName);
        Engine().ErrorCount = 0;
        job.DeleteFiles({"C:\\d\\x.txt"});
        EXPECT_EQ(LogLines(), std::vector<std::string>{
                                  "***ERROR***" + std::string(kNow) +
                                  " C:\\d\\x.txt - not deleted: its backup on the media drive "
                                  "is reached through a link."});
        EXPECT_EQ(Engine().ErrorCount, 1);
        EXPECT_EQ(Records().count("C:\\d\\x.txt"), 1u);
        EXPECT_TRUE(std::filesystem::exists(moved / "target"));
    }
}

} // namespace
} // namespace qm::test
