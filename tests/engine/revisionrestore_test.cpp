#include "engine/revisionrestore.h"

#include "runtest.h"

#include "engine/copytree.h"

#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>

namespace qm::test {
namespace {

class RevisionRestoreTest : public RunTest {
  protected:
    // Three backups of C:\r.txt dated 1, 2 and 3 May: r.txt, r_1.txt, r_2.txt.
    void ThreeVersions(int keySize = 0, const std::string& password = "pw") {
        int day = 1;
        for (const char* content : {"v1", "v2", "v3"}) {
            sandbox.writeFile("C:\\r.txt", content);
            sandbox.setFileTime("C:\\r.txt", 2026, 5, day++, 12, 0, 0);
            SetUpJob(Mode::Plain, keySize, password);
            job.SetRevision(true);
            job.SetTopRevision(3);
            BackupPaths({"C:\\r.txt"});
        }
        deleteFile("C:\\r.txt");
    }
    TRevisionFileList Collect(const std::vector<std::string>& paths, int* revised = nullptr) {
        TRevisionFileList list;
        int count = 0;
        restore.SetDestination('E');
        restore.SetLogSave(true);
        restore.LogFileName = job.LogFileName;
        restore.SourceFiles = paths;
        restore.CollectRevisions(list, count, nullptr);
        if (revised)
            *revised = count;
        return list;
    }
    static TDateTime May(int day) { return encodeDateTime({2026, 5, day, 12, 0, 0, 0}); }

    TBackUpJob restore;
};

TEST_F(RevisionRestoreTest, CollectsVersionsOldestFirstAndCountsRevisedFiles) {
    ThreeVersions();
    sandbox.writeFile("E:\\Quillmoor\\Drive_C\\r_4.txt", "after a gap");
    int revised = 0;
    TRevisionFileList list = Collect({"C:\\r.txt", "C:\\unknown.txt"}, &revised);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].Path, "C:\\r.txt");
    EXPECT_EQ(list[0].Count, 3);
    EXPECT_EQ(list[0].Dates[0], May(1));
    EXPECT_EQ(list[0].Dates[2], May(3));
    EXPECT_EQ(list[0].Dates[3], 0);
    EXPECT_EQ(list[1].Count, 0);
    EXPECT_EQ(revised, 1);
}

TEST_F(RevisionRestoreTest, RestoresTheChosenOrTheNewestVersion) {
    ThreeVersions();
    struct Row {
        bool sortDates;
        TDateTime chosen;
        const char* content;
        TDateTime dated;
    };
    for (const Row& row : {Row{true, May(1), "v3", May(3)}, Row{false, May(2), "v2", May(2)},
                           Row{false, May(9), "v3", May(9)}}) {
        TRevisionFileList list = Collect({"C:\\r.txt"});
        list[0].Dates[0] = row.chosen;
        restore.RestoreRevisions(list, row.sortDates);
        EXPECT_EQ(sandbox.readFile("C:\\r.txt"), row.content);
        EXPECT_EQ(*fileDosDateTime("C:\\r.txt"), dateTimeToDos(row.dated));
        deleteFile("C:\\r.txt");
    }
    EXPECT_EQ(Engine().ErrorCount, 0);
}

TEST_F(RevisionRestoreTest, EncryptedVersionOpensWithTheSecondPasswordAt192Bits) {
    ThreeVersions(192, "right");
    Engine().PasswordList = {"wrong", "right"};
    ScriptPrompt({});
    TRevisionFileList list = Collect({"C:\\r.txt"});
    restore.RestoreRevisions(list, true);
    EXPECT_EQ(sandbox.readFile("C:\\r.txt"), "v3");
    EXPECT_EQ(Engine().KeySize, 192);
    EXPECT_TRUE(asked.empty());
}

TEST_F(RevisionRestoreTest, MissingVersionLeavesTheTargetAsItWas) {
    ThreeVersions();
    TRevisionFileList list = Collect({"C:\\r.txt"});
    deleteFile("E:\\Quillmoor\\Drive_C\\r_2.txt");
    sandbox.writeFile("C:\\r.txt", "kept");
    restore.RestoreRevisions(list, true);
    EXPECT_EQ(sandbox.readFile("C:\\r.txt"), "kept");
    EXPECT_EQ(LogLines().back(),
              "*** ERROR *** " + std::string(kNow) + " C:\\r.txt - can't restore.");
    EXPECT_EQ(Engine().ErrorCount, 1);
}

TEST_F(RevisionRestoreTest, RunArchiveEntryHasOneVersionAndEndsWithEndLine) {
    sandbox.writeFile("C:\\x.txt", "in the run archive");
    SetUpJob(Mode::RunArchive, 0);
    BackupPaths({"C:\\x.txt"});
    deleteFile("C:\\x.txt");
    TRevisionFileList list = Collect({"C:\\x.txt"});
    ASSERT_EQ(list[0].Count, 1);
    EXPECT_EQ(list[0].Dates[0], Records()["C:\\x.txt"].Date);
    restore.RestoreRevisions(list, false);
    EXPECT_EQ(sandbox.readFile("C:\\x.txt"), "in the run archive");
    const auto lines = LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back(), "---end---");
}

TEST_F(RevisionRestoreTest, UnreadableSourceRecordIsReportedWithItsMediaPath) {
    DriveListRecord record;
    record.SourcePath = "C:\\locked.txt";
    record.MediaPath = "E:\\Quillmoor\\Drive_C\\locked.txt";
    record.Size = kUnreadableSourceSize;
    auto bytes = SerializeDriveListRecord(record);
    auto count = SerializeDriveListCount(1);
    sandbox.writeFile("E:\\Quillmoor\\drive.lst", std::string(count.begin(), count.end()) +
                                                      std::string(bytes.begin(), bytes.end()));
    TRevisionFileList list = Collect({"C:\\locked.txt"});
    restore.RestoreRevisions(list, true);
    EXPECT_EQ(LogLines(),
              std::vector<std::string>{std::string(kNow) +
                                       " E:\\Quillmoor\\Drive_C\\locked.txt - can't restore."});
    EXPECT_FALSE(fileExists("C:\\locked.txt"));
}

TEST(SortRevisionDates, SortsTheGivenRangeAscending) {
    std::array<TDateTime, kMaxRevisionDates> dates{};
    dates[0] = 5;
    dates[1] = 3;
    dates[2] = 4;
    dates[3] = 1;
    TBackUpJob::SortRevisionDates(dates, 0, 2);
    EXPECT_EQ((std::vector<TDateTime>{dates[0], dates[1], dates[2], dates[3]}),
              (std::vector<TDateTime>{3, 4, 5, 1}));
}

// Looking for the chosen date, a version whose date cannot be read is taken (and said):
// here version 1 of three, though version 2 carries the date chosen.
TEST_F(RevisionRestoreTest, VersionWithUnreadableDateIsTheOneRestored) {
    ThreeVersions();
    const std::string v1 = "E:\\Quillmoor\\Drive_C\\r_1.txt";
    // 1 January 1970, before the first date a DOS date can hold.
    const timespec epoch[2] = {{0, 0}, {0, 0}};
    ASSERT_EQ(
        utimensat(AT_FDCWD, (sandbox.hostOf('E') + "/Quillmoor/Drive_C/r_1.txt").c_str(), epoch, 0),
        0);
    TRevisionFileList list = Collect({"C:\\r.txt"});
    list[0].Dates[0] = May(3);
    deleteFile(job.LogFileName);
    restore.RestoreRevisions(list, false);
    EXPECT_EQ(sandbox.readFile("C:\\r.txt"), "v2");
    EXPECT_EQ(LogLines().front(), std::string(kNow) + " " + v1 +
                                      " - file can not get file date/time (current time used).");
    EXPECT_EQ(Engine().ErrorCount, 1);
}

// Versions are the record's: a.txt backed up once (revision 0) has no version 1, even
// with a file a_1.txt beside it whose copy is a_1.txt on the media.
TEST_F(RevisionRestoreTest, VersionsPastTheRecordsRevisionAreAnotherFilesCopies) {
    sandbox.writeFile("C:\\a.txt", "a");
    sandbox.setFileTime("C:\\a.txt", 2026, 5, 1, 12, 0, 0);
    sandbox.writeFile("C:\\a_1.txt", "another file, newer");
    sandbox.setFileTime("C:\\a_1.txt", 2026, 5, 2, 12, 0, 0);
    SetUpJob(Mode::Plain, 0);
    BackupPaths({"C:\\a.txt", "C:\\a_1.txt"});
    TRevisionFileList list = Collect({"C:\\a.txt"});
    EXPECT_EQ(list[0].Count, 1);
    deleteFile("C:\\a.txt");
    restore.RestoreRevisions(list, true);
    EXPECT_EQ(sandbox.readFile("C:\\a.txt"), "a");
}

// The newest version is the last one backed up, whatever its date: a file put back to
// an older copy, or backed up with versions off after versions were kept (the newest is
// replaced, the earlier ones stay in order).
TEST_F(RevisionRestoreTest, NewestIsTheLastBackupWhateverItsDate) {
    struct Row {
        int topRevision; // of the last backup; 0: versions off
        std::vector<std::string> versions;
    };
    for (const Row& row : {Row{3, {"v2", "v3", "put back"}}, Row{0, {"v1", "v2", "put back"}}}) {
        ThreeVersions();
        sandbox.writeFile("C:\\r.txt", "put back");
        sandbox.setFileTime("C:\\r.txt", 2026, 4, 1, 12, 0, 0); // older than all three
        SetUpJob(Mode::Plain, 0);
        job.SetRevision(row.topRevision != 0);
        job.SetTopRevision(static_cast<uint8_t>(row.topRevision));
        BackupPaths({"C:\\r.txt"});
        deleteFile("C:\\r.txt");
        TRevisionFileList list = Collect({"C:\\r.txt"});
        ASSERT_EQ(list[0].Count, 3);
        restore.RestoreRevisions(list, true);
        EXPECT_EQ(sandbox.readFile("C:\\r.txt"), "put back");
        for (int k = 0; k < 3; ++k) {
            deleteFile("C:\\r.txt");
            list = Collect({"C:\\r.txt"});
            list[0].Dates[0] = list[0].Dates[static_cast<size_t>(k)];
            restore.RestoreRevisions(list, false);
            EXPECT_EQ(sandbox.readFile("C:\\r.txt"), row.versions[static_cast<size_t>(k)]);
        }
        deleteFile("C:\\r.txt");
        std::filesystem::remove_all(sandbox.hostOf('E') + "/Quillmoor");
    }
}

} // namespace
} // namespace qm::test
