#include "engine/backuprun.h"

#include "runtest.h"

#include "engine/archivereader.h"
#include "engine/copytree.h"
#include "engine/jobcipher.h"
#include "engine/logline.h"
#include "support/rowname.h"

#include <algorithm>
#include <filesystem>
#include <tuple>

namespace qm::test {
namespace {

using RoundTripParam = std::tuple<Mode, int>;

class BackupRoundTrip : public RunTest, public ::testing::WithParamInterface<RoundTripParam> {};

std::string compressionText(Mode mode) {
    switch (mode) {
    case Mode::Plain:
        return "Compress-No";
    case Mode::FileArchives:
        return "Compress-Multi";
    case Mode::RunArchive:
        return "Compress-Single";
    }
    return {};
}

TEST_P(BackupRoundTrip, EveryByteDateRecordAndLineSurvivesBackupAndRestore) {
    auto [mode, keySize] = GetParam();
    MakeTree();
    SetUpJob(mode, keySize);
    BackupAll();

    const std::string encryption = keySize ? std::to_string(keySize) : "No";
    std::vector<std::string> expected;
    for (const auto& [path, content] : files)
        expected.push_back(std::string(kNow) + " " + path + " - Backup with \"" +
                           compressionText(mode) + "\",\"Encrypt-" + encryption +
                           "\" option successful.");
    EXPECT_EQ(LogLines(), expected);
    EXPECT_EQ(Engine().ErrorCount, 0);
    EXPECT_FALSE(job.Processing());
    // The end call, then the catalogue in list mode.
    auto end = std::find_if(progress.begin(), progress.end(), [](const ProgressCall& p) {
        return p.filesDone == 0 && !p.listMode && p.bytesDone == -1;
    });
    ASSERT_NE(end, progress.end());
    EXPECT_EQ(progress.end() - end, static_cast<long>(files.size()) + 1);

    auto records = Records();
    ASSERT_EQ(records.size(), files.size());
    const std::string runArchive = "E:\\Quillmoor\\Drive_C\\12_7_2026 11_15_22 PM.bpa";
    for (const auto& [path, content] : files) {
        const DriveListRecord& r = records[path];
        EXPECT_EQ(r.Size, static_cast<int64_t>(content.size())) << path;
        EXPECT_EQ(dateTimeToDos(r.Date), *fileDosDateTime(path)) << path;
        EXPECT_EQ(r.Compression, mode != Mode::Plain);
        EXPECT_EQ(r.Encryption, keySize != 0);
        EXPECT_EQ(r.InArchive, mode == Mode::RunArchive);
        EXPECT_EQ(r.Revision, 0);
        const std::string copy = CopyPathFor('E', path);
        const std::string media = mode == Mode::Plain          ? copy
                                  : mode == Mode::FileArchives ? copy + ".bpa"
                                                               : runArchive;
        EXPECT_EQ(r.MediaPath, media);
        EXPECT_TRUE(fileExists(media));
        EXPECT_EQ(StagedFiles(), 0u);
        if (mode == Mode::Plain) {
            EXPECT_EQ(fileSize(copy), static_cast<int64_t>(content.size()));
            EXPECT_EQ(fileSize(CheckFileName(copy)), keySize ? 8 : -1);
            if (!keySize) {
                EXPECT_EQ(sandbox.readFile(copy), content);
            } else if (!content.empty()) {
                EXPECT_NE(sandbox.readFile(copy), content);
            }
        }
    }

    // In place, over files that are gone.
    DeleteSources();
    std::vector<std::string> paths;
    for (const auto& entry : files)
        paths.push_back(entry.first);
    RunRestore(paths);
    for (const auto& [path, content] : files) {
        EXPECT_EQ(sandbox.readFile(path), content) << path;
        EXPECT_EQ(dateTimeToDos(records[path].Date), *fileDosDateTime(path)) << path;
    }
    // Into a chosen folder.
    RunRestore(paths, "C:\\Restore\\");
    EXPECT_EQ(sandbox.readFile("C:\\Restore\\docs\\sub\\b.bin"), files[1].second);
    EXPECT_EQ(sandbox.readFile("C:\\Restore\\top.txt"), files[2].second);
    EXPECT_EQ(LogLines().back(),
              std::string(kNow) + " " +
                  (mode == Mode::Plain ? "C:\\docs\\empty.txt" : "C:\\Restore\\\\docs\\empty.txt") +
                  " restored to new \"Selected Destination Path\".");
    EXPECT_EQ(Engine().ErrorCount, 0);
    EXPECT_TRUE(asked.empty());
}

INSTANTIATE_TEST_SUITE_P(ModesAndKeySizes, BackupRoundTrip,
                         ::testing::Combine(::testing::Values(Mode::Plain, Mode::FileArchives,
                                                              Mode::RunArchive),
                                            ::testing::Values(0, 128, 192, 256)),
                         qm::test::RowsNamedBy([](const std::tuple<Mode, int>& row) {
                             return ModeName(std::get<0>(row)) + "_key_" +
                                    std::to_string(std::get<1>(row));
                         }));

class BackupRunTest : public RunTest {};

TEST_F(BackupRunTest, PlainProgressFollowsBlocksFilesAndEnd) {
    sandbox.writeFile("C:\\a.txt", "12345");
    sandbox.writeFile("C:\\b.txt", "");
    SetUpJob(Mode::Plain, 0);
    BackupPaths({"C:\\a.txt", "C:\\b.txt"});
    const std::vector<std::tuple<int, bool, int64_t, int64_t, int64_t>> want = {
        {0, false, 5, 0, 0},  {1, false, 5, 5, 5},  {1, false, 0, 0, 5}, {2, false, 0, 0, 5},
        {2, false, 0, 0, -1}, {0, false, 0, 0, -1}, {0, true, 0, 0, 0},  {1, true, 0, 0, 0}};
    ASSERT_EQ(progress.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        const ProgressCall& p = progress[i];
        EXPECT_EQ(
            std::make_tuple(p.filesDone, p.listMode, p.fileSize, p.fileBytesDone, p.bytesDone),
            want[i])
            << "call " << i;
    }
}

TEST_F(BackupRunTest, EncryptedStreamRunsOnAcrossTheBlockBoundary) {
    std::string big(static_cast<size_t>(kBlockBytes) + 5, 'q');
    for (size_t i = 0; i < big.size(); i += 4093)
        big[i] = static_cast<char>(i);
    sandbox.writeFile("C:\\big.bin", big);
    SetUpJob(Mode::Plain, 256);
    BackupPaths({"C:\\big.bin"});
    EXPECT_EQ(fileSize(CopyPathFor('E', "C:\\big.bin")), static_cast<int64_t>(big.size()));
    ASSERT_GE(progress.size(), 3u);
    EXPECT_EQ(progress[1].fileBytesDone, kBlockBytes);
    EXPECT_EQ(progress[1].filesDone, 0);
    EXPECT_EQ(progress[2].fileBytesDone, kBlockBytes + 5);
    EXPECT_EQ(progress[2].filesDone, 1);
    deleteFile("C:\\big.bin");
    RunRestore({"C:\\big.bin"});
    EXPECT_TRUE(sandbox.readFile("C:\\big.bin") == big);
}

TEST_F(BackupRunTest, CipherLostMidFileFailsTheFileInsteadOfWritingPlainBytes) {
    // Something frees the job cipher between two blocks of an encrypted copy: the second
    // block cannot be encrypted and must never reach the media as plain text.
    std::string big(static_cast<size_t>(kBlockBytes) + 5, 'p');
    sandbox.writeFile("C:\\big.bin", big);
    sandbox.writeFile("C:\\next.txt", "next file");
    SetUpJob(Mode::Plain, 192);
    Engine().ProgressProc = [](int32_t, bool, int64_t, int64_t fileBytes, int64_t) {
        if (fileBytes == kBlockBytes)
            Engine().JobCipher->FreeCipher();
    };
    BackupPaths({"C:\\big.bin", "C:\\next.txt"});
    const std::string copy = CopyPathFor('E', "C:\\big.bin");
    for (const std::string& p : {copy, CheckFileName(copy)})
        EXPECT_FALSE(fileExists(p)) << p;
    EXPECT_EQ(StagedFiles(), 0u);
    auto records = Records();
    EXPECT_EQ(records.count("C:\\big.bin"), 0u);
    EXPECT_EQ(records.count("C:\\next.txt"), 1u);
    EXPECT_EQ(LogLines().front(),
              "***ERROR***" + std::string(kNow) + " " + copy + " - can't open file.");
    EXPECT_EQ(Engine().ErrorCount, 1);
    deleteFile("C:\\next.txt");
    RunRestore({"C:\\next.txt"});
    EXPECT_EQ(sandbox.readFile("C:\\next.txt"), "next file");
}

TEST_F(BackupRunTest, PausesOnceEveryThousandLinesEmptyOnesIncluded) {
    int pauses = 0;
    Engine().SleepProc = [&pauses](int ms) { pauses += ms == 250 ? 1 : 100; };
    sandbox.writeFile("C:\\one.txt", "1");
    // Lines in the run, then the pauses they earn: one as the 1000th line is reached.
    for (const auto& [count, expected] :
         std::vector<std::pair<size_t, int>>{{999, 0}, {1000, 1}, {1999, 1}, {2000, 2}}) {
        pauses = 0;
        SetUpJob(Mode::Plain, 0);
        std::vector<std::string> lines(count - 1);
        lines.push_back("C:\\one.txt");
        BackupPaths(lines);
        EXPECT_EQ(pauses, expected) << count;
    }
    EXPECT_EQ(Records().size(), 1u);
}

TEST_F(BackupRunTest, RevisionsKeepTopRevisionCopiesNewestLast) {
    SetUpJob(Mode::Plain, 0);
    job.SetRevision(true);
    job.SetTopRevision(2);
    for (const char* content : {"one", "two", "three"}) {
        sandbox.writeFile("C:\\r.txt", content);
        BackupPaths({"C:\\r.txt"});
    }
    EXPECT_EQ(sandbox.readFile("E:\\Quillmoor\\Drive_C\\r.txt"), "two");
    EXPECT_EQ(sandbox.readFile("E:\\Quillmoor\\Drive_C\\r_1.txt"), "three");
    EXPECT_FALSE(fileExists("E:\\Quillmoor\\Drive_C\\r_2.txt"));
    EXPECT_EQ(Records()["C:\\r.txt"].Revision, 1);
}

TEST_F(BackupRunTest, MediaFolderThatCannotBeCreatedIsAFailureWithoutRecord) {
    sandbox.writeFile("C:\\docs\\a.txt", "data");
    sandbox.writeFile("C:\\ok.txt", "fine");
    // A file where the copy's folder should be: nothing can be written below it.
    sandbox.writeFile("E:\\Quillmoor\\Drive_C\\docs", "in the way");
    for (Mode mode : {Mode::Plain, Mode::FileArchives}) {
        SetUpJob(mode, mode == Mode::Plain ? 256 : 0);
        BackupPaths({"C:\\docs\\a.txt", "C:\\ok.txt"});
        auto records = Records();
        EXPECT_EQ(records.count("C:\\docs\\a.txt"), 0u);
        EXPECT_EQ(records.count("C:\\ok.txt"), 1u);
    }
    for (const std::string& line : LogLines())
        EXPECT_EQ(line.find("C:\\docs\\a.txt - Backup with"), std::string::npos) << line;
    EXPECT_EQ(Engine().ErrorCount, 2);
}

TEST_F(BackupRunTest, ArchiveThatCannotTakeItsPlaceLeavesTheOldArchiveItsRecordNames) {
    sandbox.writeFile("C:\\Notes.txt", "first");
    SetUpJob(Mode::FileArchives, 0);
    BackupPaths({"C:\\Notes.txt"});
    const std::string oldArchive = Records()["C:\\Notes.txt"].MediaPath;
    ASSERT_TRUE(fileExists(oldArchive));

    // The catalogue finds records case-insensitively, so this file replaces that record;
    // a folder where its own archive belongs makes the rename into place fail.
    sandbox.writeFile("C:\\notes.txt", "second");
    const std::string newArchive = job.FileArchivePath("C:\\notes.txt");
    ASSERT_NE(newArchive, oldArchive);
    sandbox.writeFile(newArchive + "\\in the way", "x");
    SetUpJob(Mode::FileArchives, 0);
    BackupPaths({"C:\\notes.txt"});

    EXPECT_EQ(Engine().ErrorCount, 1);
    EXPECT_EQ(Records().count("C:\\Notes.txt"), 1u);
    EXPECT_TRUE(fileExists(oldArchive)) << "the catalogue still names the old archive";
    deleteFile("C:\\Notes.txt");
    RunRestore({"C:\\Notes.txt"});
    EXPECT_EQ(sandbox.readFile("C:\\Notes.txt"), "first");
}

TEST_F(BackupRunTest, MissingSourceIsLoggedAndGetsNoRecordInEveryMode) {
    for (Mode mode : {Mode::Plain, Mode::FileArchives, Mode::RunArchive}) {
        sandbox.writeFile("C:\\here.txt", "x");
        SetUpJob(mode, 0);
        BackupPaths({"C:\\gone.txt", "C:\\here.txt"});
        EXPECT_EQ(Records().count("C:\\gone.txt"), 0u);
        EXPECT_EQ(Records().count("C:\\here.txt"), 1u);
    }
    const auto lines = LogLines();
    // The run archive logs the missing file, then its writer fails to open it.
    ASSERT_EQ(lines.size(), 7u) << ::testing::PrintToString(lines);
    const std::string cantOpen =
        "***ERROR***" + std::string(kNow) + " C:\\gone.txt - can't open file.";
    const std::string notFound = std::string(kNow) + " C:\\gone.txt - can not find file.";
    EXPECT_EQ(lines[0], cantOpen);
    EXPECT_EQ(lines[2], notFound);
    EXPECT_EQ(lines[4], notFound);
    EXPECT_EQ(lines[5], cantOpen);
    EXPECT_EQ(Engine().ErrorCount, 4);
}

// The caller's check (MayActOn) is asked right before each file is acted on: a refused
// file keeps its media copy and record in a backup, its own bytes in a restore and its
// backups in a delete, in every storage mode, with one log line and one error each.
TEST_F(BackupRunTest, ARefusedFileIsLeftAsItIsByBackupRestoreAndDeleteInEveryMode) {
    for (Mode mode : {Mode::Plain, Mode::FileArchives, Mode::RunArchive}) {
        SCOPED_TRACE(static_cast<int>(mode));
        std::filesystem::remove_all(sandbox.hostOf('E') + "/Quillmoor");
        MakeTree();
        SetUpJob(mode, mode == Mode::FileArchives ? 256 : 0);
        BackupAll();
        const std::map<std::string, DriveListRecord> before = Records();
        std::vector<std::string> asked;
        const auto refuse = [&asked](const std::string& refused) {
            return [&asked, refused](const std::string& path) {
                asked.push_back(path);
                return path != refused;
            };
        };

        sandbox.writeFile("C:\\docs\\a.txt", "alpha, second version");
        sandbox.writeFile("C:\\top.txt", "top, second version");
        Engine().ErrorCount = 0;
        job.SetStartTime(now() + 1);
        job.MayActOn = refuse("C:\\top.txt");
        BackupAll();
        EXPECT_EQ(Engine().ErrorCount, 1);
        EXPECT_NE(std::find(asked.begin(), asked.end(), "C:\\docs\\a.txt"), asked.end());
        std::map<std::string, DriveListRecord> after = Records();
        EXPECT_EQ(after.at("C:\\top.txt").Date, before.at("C:\\top.txt").Date);
        EXPECT_EQ(after.at("C:\\top.txt").MediaPath, before.at("C:\\top.txt").MediaPath);
        EXPECT_NE(after.at("C:\\docs\\a.txt").Date, before.at("C:\\docs\\a.txt").Date);

        Engine().ErrorCount = 0;
        TBackUpJob restore;
        restore.SetDestination('E');
        restore.LoadDriveList();
        restore.SourceFiles = {"C:\\docs\\a.txt", "C:\\top.txt"};
        restore.MayActOn = refuse("C:\\docs\\a.txt");
        sandbox.writeFile("C:\\docs\\a.txt", "alpha, edited since");
        sandbox.writeFile("C:\\top.txt", "top, edited since");
        restore.Restore();
        EXPECT_EQ(Engine().ErrorCount, 1);
        EXPECT_EQ(sandbox.readFile("C:\\docs\\a.txt"), "alpha, edited since");
        EXPECT_EQ(sandbox.readFile("C:\\top.txt"), "at the root") << "the unrefused file";

        Engine().ErrorCount = 0;
        TBackUpJob remove;
        remove.SetDestination('E');
        remove.MayActOn = refuse("C:\\docs\\sub\\b.bin");
        remove.DeleteFiles({"C:\\docs\\sub\\b.bin", "C:\\docs\\empty.txt"});
        EXPECT_EQ(Engine().ErrorCount, 1);
        after = Records();
        EXPECT_EQ(after.count("C:\\docs\\sub\\b.bin"), 1u);
        EXPECT_EQ(after.count("C:\\docs\\empty.txt"), 0u);
        job.MayActOn = nullptr;
    }
    const std::vector<std::string> lines = LogLines();
    const std::string refused = "***ERROR***" + std::string(kNow) +
                                " C:\\top.txt - left as it is: the file changed after the "
                                "comparison.";
    EXPECT_EQ(std::count(lines.begin(), lines.end(), refused), 3) << "one per backup";
}

TEST_F(BackupRunTest, CancelledReBackupLeavesTheEarlierCopyWhole) {
    const std::string copy = CopyPathFor('E', "C:\\big.bin");
    sandbox.writeFile("C:\\big.bin", std::string(9 << 20, 'a'));
    SetUpJob(Mode::Plain, 128);
    BackupPaths({"C:\\big.bin"});
    const std::optional<std::string> before = sandbox.readFile(copy);
    const std::optional<std::string> checkBefore = sandbox.readFile(CheckFileName(copy));
    ASSERT_TRUE(before && checkBefore);

    sandbox.writeFile("C:\\big.bin", std::string(9 << 20, 'b'));
    SetUpJob(Mode::Plain, 128);
    Engine().ProgressProc = [](int32_t, bool l, int64_t, int64_t fb, int64_t) {
        if (!l && fb > 0)
            Engine().CancelFlag = true; // after the first of two blocks
    };
    BackupPaths({"C:\\big.bin"});

    EXPECT_EQ(sandbox.readFile(copy), before) << "the replaced copy is staged, never cut";
    EXPECT_EQ(sandbox.readFile(CheckFileName(copy)), checkBefore);
    EXPECT_EQ(StagedFiles(), 0u);
    Engine().ProgressProc = nullptr;
    deleteFile("C:\\big.bin");
    RunRestore({"C:\\big.bin"});
    EXPECT_EQ(sandbox.readFile("C:\\big.bin"), std::string(9 << 20, 'a'));
}

// Cancels when the second file's first block has been read.
class BackupCancel : public RunTest, public ::testing::WithParamInterface<Mode> {};

TEST_P(BackupCancel, RemovesThePartialFileAndRecordsOnlyWhatCompleted) {
    const Mode mode = GetParam();
    sandbox.writeFile("C:\\1.txt", "first file");
    sandbox.writeFile("C:\\2.txt", "second file");
    sandbox.writeFile("C:\\3.txt", "third file");
    SetUpJob(mode, 128);
    Engine().ProgressProc = [this](int32_t f, bool l, int64_t s, int64_t fb, int64_t b) {
        progress.push_back({f, l, s, fb, b});
        if (f == 1 && fb == 0 && !l)
            Engine().CancelFlag = true;
    };
    BackupPaths({"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"});

    EXPECT_FALSE(Engine().CancelFlag);
    EXPECT_TRUE(job.Processing());
    for (const ProgressCall& p : progress)
        EXPECT_FALSE(p.filesDone == 0 && p.bytesDone == -1);
    auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    ASSERT_EQ(records.count("C:\\1.txt"), 1u);
    EXPECT_FALSE(fileExists(CopyPathFor('E', "C:\\2.txt")));
    EXPECT_EQ(StagedFiles(), 0u);
    EXPECT_FALSE(fileExists(FileArchivePathFor('E', "C:\\2.txt")));
    EXPECT_EQ(StagedFiles(), 0u);

    // What the catalogue describes is really there.
    Engine().ProgressProc = nullptr;
    deleteFile("C:\\1.txt");
    RunRestore({"C:\\1.txt"});
    EXPECT_EQ(sandbox.readFile("C:\\1.txt"), "first file");
    EXPECT_EQ(Engine().ErrorCount, 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, BackupCancel,
                         ::testing::Values(Mode::Plain, Mode::FileArchives, Mode::RunArchive),
                         qm::test::RowsNamedBy(ModeName));

// A per-file archive carries its source's date, and the file's old backup under another
// name (here its plain copy and check file) goes once the archive is in place.
TEST_F(BackupRunTest, FileArchiveIsDatedLikeItsSourceAndReplacesTheOldCopy) {
    sandbox.writeFile("C:\\a.txt", "plain first");
    SetUpJob(Mode::Plain, 128);
    BackupPaths({"C:\\a.txt"});
    const std::string copy = CopyPathFor('E', "C:\\a.txt");
    ASSERT_TRUE(fileExists(copy) && fileExists(CheckFileName(copy)));
    sandbox.writeFile("C:\\a.txt", "then archived");
    sandbox.setFileTime("C:\\a.txt", 2025, 4, 3, 2, 1, 0);
    SetUpJob(Mode::FileArchives, 0);
    BackupPaths({"C:\\a.txt"});
    const std::string archive = FileArchivePathFor('E', "C:\\a.txt");
    EXPECT_EQ(fileDosDateTime(archive), fileDosDateTime("C:\\a.txt"));
    EXPECT_FALSE(fileExists(copy));
    EXPECT_FALSE(fileExists(CheckFileName(copy)));
    EXPECT_EQ(Records()["C:\\a.txt"].MediaPath, archive);
}

// A file's staged copy never takes a name of the copy tree: C:\\d\\x.qmpart is a file of
// its own, and re-backing up C:\\d\\x in every mode leaves its copy alone.
TEST_F(BackupRunTest, StagedCopiesNeverTakeACopyTreeName) {
    for (Mode mode : {Mode::Plain, Mode::FileArchives}) {
        const std::string x = "C:\\d\\x",
                          twin = mode == Mode::Plain ? "C:\\d\\x.qmpart" : "C:\\d\\x.bpa.qmpart";
        sandbox.writeFile(x, "x, first");
        sandbox.writeFile(twin, "a file of its own");
        SetUpJob(Mode::Plain, 128);
        BackupPaths({x, twin});
        sandbox.writeFile(x, "x, second");
        SetUpJob(mode, 128);
        BackupPaths({x});
        deleteFile(x);
        deleteFile(twin);
        RunRestore({x, twin});
        EXPECT_EQ(sandbox.readFile(x), "x, second");
        EXPECT_EQ(sandbox.readFile(twin), "a file of its own");
    }
    EXPECT_EQ(Engine().ErrorCount, 0);
}

// Two runs started in the same second: the second takes a name of its own, so neither
// archive replaces the other and every file of both runs comes back.
TEST_F(BackupRunTest, SameSecondRunArchivesNeverReplaceEachOther) {
    sandbox.writeFile("C:\\a.txt", "a of run one");
    sandbox.writeFile("C:\\b.txt", "b of run one");
    SetUpJob(Mode::RunArchive, 0);
    BackupPaths({"C:\\a.txt", "C:\\b.txt"});
    sandbox.writeFile("C:\\a.txt", "a of run two");
    sandbox.writeFile("C:\\c.txt", "c of run two");
    SetUpJob(Mode::RunArchive, 0);
    BackupPaths({"C:\\a.txt", "C:\\c.txt"});

    auto records = Records();
    const std::string first = "E:\\Quillmoor\\Drive_C\\12_7_2026 11_15_22 PM.bpa";
    EXPECT_EQ(records["C:\\b.txt"].MediaPath, first);
    EXPECT_EQ(records["C:\\c.txt"].MediaPath,
              "E:\\Quillmoor\\Drive_C\\12_7_2026 11_15_22 PM (2).bpa");
    for (const char* p : {"C:\\a.txt", "C:\\b.txt", "C:\\c.txt"})
        deleteFile(p);
    RunRestore({"C:\\a.txt", "C:\\b.txt", "C:\\c.txt"});
    EXPECT_EQ(sandbox.readFile("C:\\a.txt"), "a of run two");
    EXPECT_EQ(sandbox.readFile("C:\\b.txt"), "b of run one");
    EXPECT_EQ(sandbox.readFile("C:\\c.txt"), "c of run two");
    EXPECT_EQ(Engine().ErrorCount, 0);
}

// The media fills up while the second of three files goes into the run archive: the
// first keeps its success line and its record, and the archive ends with its entry.
TEST_F(BackupRunTest, FullMediaKeepsTheRunArchiveEntriesWrittenBeforeIt) {
    sandbox.writeFile("C:\\1.txt", "first file");
    sandbox.writeFile("C:\\2.txt", std::string(4000, 'x'));
    sandbox.writeFile("C:\\3.txt", "third file");
    SetUpJob(Mode::RunArchive, 128);
    const std::string archive = "E:\\Quillmoor\\Drive_C\\12_7_2026 11_15_22 PM.bpa";
    {
        // Room for the first entry and the second one's header, no more.
        ChangeGate full([&](FileChange change, std::string_view path) {
            return change != FileChange::Write || path != archive || fileSize(archive) < 300;
        });
        BackupPaths({"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"});
    }
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 3u) << ::testing::PrintToString(lines);
    EXPECT_NE(lines[0].find("C:\\1.txt - Backup with"), std::string::npos);
    EXPECT_EQ(lines[1], std::string(kNow) + " C:\\2.txt - can not add to archive.");
    EXPECT_EQ(lines[2], std::string(kNow) + " C:\\3.txt - can not add to archive.");
    EXPECT_EQ(Engine().ErrorCount, 2);
    auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records["C:\\1.txt"].MediaPath, archive);
    std::vector<std::string> paths;
    EXPECT_EQ(ArchiveReader::CompleteLength(archive, &paths), fileSize(archive));
    EXPECT_EQ(paths, std::vector<std::string>{"C:\\1.txt"});
    deleteFile("C:\\1.txt");
    RunRestore({"C:\\1.txt"});
    EXPECT_EQ(sandbox.readFile("C:\\1.txt"), "first file");
    EXPECT_EQ(Engine().ErrorCount, 2);
}

// The first file shrinks to nothing while it is archived (its entry is closed with an
// empty chunk), the second goes in whole, the third is cancelled: the cut falls at the
// third entry, and the second keeps its record.
TEST_F(BackupRunTest, CancelledRunArchiveKeepsEntriesAfterAFileThatShrank) {
    sandbox.writeFile("C:\\1.txt", "this file will be emptied");
    sandbox.writeFile("C:\\2.txt", "second file");
    sandbox.writeFile("C:\\3.txt", "third file");
    SetUpJob(Mode::RunArchive, 0);
    Engine().ProgressProc = [this](int32_t f, bool l, int64_t s, int64_t fb, int64_t) {
        if (l || fb != 0)
            return;
        if (s == 25)
            sandbox.writeFile("C:\\1.txt", ""); // between its size and its first chunk
        if (f == 1 && s == 10)
            Engine().CancelFlag = true;
    };
    BackupPaths({"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"});
    Engine().ProgressProc = nullptr;
    auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    ASSERT_EQ(records.count("C:\\2.txt"), 1u);
    deleteFile("C:\\2.txt");
    RunRestore({"C:\\2.txt"});
    EXPECT_EQ(sandbox.readFile("C:\\2.txt"), "second file");
}

// Two files whose paths differ only in case (terminfo trees have such pairs) are two
// files. On media that tell them apart every mode keeps both; where the media's file
// system ignores case they would share one copy or archive, so the second is refused
// there (a run archive holds both as separate entries).
TEST_F(BackupRunTest, PathsDifferingOnlyInCaseAreTwoFiles) {
    struct Row {
        Mode mode;
        bool foldingMedia;
        bool secondKept;
    };
    const std::string lower = "C:\\t\\2621a", upper = "C:\\t\\2621A";
    for (const Row& row :
         {Row{Mode::Plain, false, true}, Row{Mode::FileArchives, false, true},
          Row{Mode::RunArchive, false, true}, Row{Mode::Plain, true, false},
          Row{Mode::FileArchives, true, false}, Row{Mode::RunArchive, true, true}}) {
        SCOPED_TRACE(::testing::Message() << static_cast<int>(row.mode) << " " << row.foldingMedia);
        Engine().ErrorCount = 0;
        Engine().MediaFoldsCaseProc = [&row](const std::string&) { return row.foldingMedia; };
        sandbox.writeFile(lower, "lower case");
        sandbox.writeFile(upper, "upper case");
        SetUpJob(row.mode, 0);
        BackupPaths({lower, upper});
        EXPECT_EQ(Records().count(upper), row.secondKept ? 1u : 0u);
        EXPECT_EQ(Engine().ErrorCount, row.secondKept ? 0 : 1);
        deleteFile(lower);
        deleteFile(upper);
        RunRestore({lower, upper});
        EXPECT_EQ(sandbox.readFile(lower), "lower case");
        EXPECT_EQ(sandbox.readFile(upper),
                  row.secondKept ? std::optional<std::string>("upper case") : std::nullopt);
        Engine().MediaFoldsCaseProc = nullptr;
        deleteFile("E:\\Quillmoor\\drive.lst");
    }
    const std::string refused = "***ERROR***" + std::string(kNow) + " " + upper +
                                " - not backed up: its copy would be the media copy of " + lower +
                                ", which the media drive does not tell apart by case.";
    const auto lines = LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), refused), 2);
}

// Changing how a file is stored never takes another file's backup along, and the new
// backup is whole: b.txt's only backup may be in the run archive a.txt's old record
// names, and a plain copy after an archive starts its versions afresh at version 0.
TEST_F(BackupRunTest, StorageModeSwitchesKeepEveryFileRestorable) {
    struct Step {
        Mode mode;
        int topRevision; // 0: revisions off
        int keySize;
    };
    struct Row {
        std::vector<Step> before; // each backs up a.txt and b.txt
        Step switched;            // backs up the changed a.txt alone
    };
    const Step run{Mode::RunArchive, 0, 0}, files{Mode::FileArchives, 0, 0};
    const std::vector<Row> rows = {
        {{run}, files},
        {{run}, {Mode::Plain, 1, 0}},
        {{run}, {Mode::Plain, 3, 0}},
        {{files}, {Mode::Plain, 3, 0}},
        {{{Mode::Plain, 3, 0}, {Mode::Plain, 3, 0}, files}, {Mode::Plain, 3, 0}},
        {{{Mode::Plain, 3, 128}, {Mode::Plain, 3, 128}}, {Mode::Plain, 3, 0}},
        {{{Mode::Plain, 2, 0}, {Mode::Plain, 2, 0}}, {Mode::Plain, 2, 192}},
    };
    auto backup = [this](const Step& step, const std::vector<std::string>& paths) {
        SetUpJob(step.mode, step.keySize);
        job.SetRevision(step.topRevision != 0);
        job.SetTopRevision(static_cast<uint8_t>(step.topRevision));
        BackupPaths(paths);
    };
    for (size_t r = 0; r < rows.size(); ++r) {
        SCOPED_TRACE(r);
        int n = 0;
        for (const Step& step : rows[r].before) {
            ++n;
            for (const char* file : {"a", "b"}) {
                const std::string path = std::string("C:\\") + file + ".txt";
                sandbox.writeFile(path, std::string(file) + ", backup " + std::to_string(n));
                sandbox.setFileTime(path, 2026, 5, n, 12, 0, 0); // versions tell by date
            }
            backup(step, {"C:\\a.txt", "C:\\b.txt"});
        }
        sandbox.writeFile("C:\\a.txt", "a, switched");
        sandbox.setFileTime("C:\\a.txt", 2026, 6, 1, 12, 0, 0);
        backup(rows[r].switched, {"C:\\a.txt"});
        const std::string b = "b, backup " + std::to_string(n);
        Engine().PasswordList = {"secret"};
        deleteFile("C:\\a.txt");
        deleteFile("C:\\b.txt");
        // The plain restore takes version 0, for b.txt its oldest copy kept.
        RunRestore({"C:\\a.txt", "C:\\b.txt"});
        EXPECT_EQ(sandbox.readFile("C:\\a.txt"), "a, switched");
        EXPECT_TRUE(fileExists("C:\\b.txt"));
        // The revision restore finds the newest version of each.
        deleteFile("C:\\a.txt");
        deleteFile("C:\\b.txt");
        TBackUpJob restore;
        restore.SetDestination('E');
        restore.SourceFiles = {"C:\\a.txt", "C:\\b.txt"};
        TRevisionFileList list;
        int revised = 0;
        restore.CollectRevisions(list, revised, nullptr);
        restore.RestoreRevisions(list, true);
        EXPECT_EQ(sandbox.readFile("C:\\a.txt"), "a, switched");
        EXPECT_EQ(sandbox.readFile("C:\\b.txt"), b);
        EXPECT_EQ(Engine().ErrorCount, 0);
        EXPECT_EQ(StagedFiles(), 0u);
        std::filesystem::remove_all(sandbox.hostOf('E') + "/Quillmoor");
    }
}

// Copy tree names meet: version 1 of a.txt is the copy of a file a_1.txt, its check file
// the copy of a.txt.mac, its own archive the copy of a.txt.bpa, a run archive the copy
// of a file of that name at the drive's root. The file that holds a name keeps it; a
// backup that would take it is refused with a line and counted, and a rotation never
// moves another file's copy that looks like an unencrypted copy's check file.
TEST_F(BackupRunTest, BackupNeverTakesANameAnotherFilesBackupHolds) {
    struct Step {
        Mode mode;
        int topRevision;
        int keySize;
        int times;
    };
    struct Row {
        const char* what;
        std::string holder; // backed up first, once, as a plain copy
        Mode holderMode;
        std::string taker; // then backed up `times` times
        Step takerStep;
        bool refused;
    };
    const std::string root = "C:\\12_7_2026 11_15_22 PM.bpa";
    const std::vector<Row> rows = {
        {"a version", "C:\\d\\a_1.txt", Mode::Plain, "C:\\d\\a.txt", {Mode::Plain, 3, 0, 2}, true},
        {"a check file",
         "C:\\d\\a.txt.mac",
         Mode::Plain,
         "C:\\d\\a.txt",
         {Mode::Plain, 0, 128, 1},
         true},
        {"an archive",
         "C:\\d\\a.txt.bpa",
         Mode::Plain,
         "C:\\d\\a.txt",
         {Mode::FileArchives, 0, 0, 1},
         true},
        {"a run archive", "C:\\x.txt", Mode::RunArchive, root, {Mode::Plain, 0, 0, 1}, true},
        {"held as a version",
         "C:\\d\\a.txt",
         Mode::Plain,
         "C:\\d\\a_1.txt",
         {Mode::Plain, 0, 0, 1},
         true},
        {"no check files",
         "C:\\d\\a_1.txt.mac",
         Mode::Plain,
         "C:\\d\\a.txt",
         {Mode::Plain, 2, 0, 3},
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::filesystem::remove_all(sandbox.hostOf('E') + "/Quillmoor");
        deleteFile(job.LogFileName);
        Engine().ErrorCount = 0;
        sandbox.writeFile(row.holder, "the holder");
        BackupAs({row.holder}, row.holderMode, 0);
        if (row.what == std::string("held as a version")) {
            sandbox.writeFile(row.holder, "the holder, second");
            BackupAs({row.holder}, Mode::Plain, 3); // its version 1 is a_1.txt
        }
        std::string last;
        for (int n = 1; n <= row.takerStep.times; ++n) {
            last = "the taker " + std::to_string(n);
            sandbox.writeFile(row.taker, last);
            sandbox.setFileTime(row.taker, 2026, 5, n, 12, 0, 0);
            BackupAs({row.taker}, row.takerStep.mode, row.takerStep.topRevision,
                     row.takerStep.keySize);
        }
        const std::string holderContent = *sandbox.readFile(row.holder);
        deleteFile(row.holder);
        deleteFile(row.taker);
        RunNewestRestore({row.holder});
        EXPECT_EQ(sandbox.readFile(row.holder), holderContent);
        const std::string refusal = "***ERROR***" + std::string(kNow) + " " + row.taker +
                                    " - not backed up: its copy would take the name that the "
                                    "backup of " +
                                    row.holder + " has on the media drive.";
        const auto lines = LogLines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), refusal), row.refused ? 1 : 0);
        EXPECT_EQ(Engine().ErrorCount, row.refused ? 1 : 0);
        if (row.refused)
            continue;
        RunNewestRestore({row.taker});
        EXPECT_EQ(sandbox.readFile(row.taker), last);
    }
}

// A path that a catalogue record (or, in an archive, an entry's 250 bytes) cannot hold
// would be recorded cut short, naming another file or none: it is refused in every mode,
// also as the first line of a run archive, which is then named after the next one.
TEST_F(BackupRunTest, PathsARecordCannotHoldAreRefusedInEveryMode) {
    sandbox.addDrive('D', DriveType::Fixed);
    const std::string folder = "C:\\" + std::string(200, 'd') + "\\";
    struct Row {
        Mode mode;
        std::string path; // one byte too long for the mode
    };
    // The copy path is 18 bytes longer than the source path, an archive 4 more.
    const std::vector<Row> rows = {
        {Mode::Plain, folder + std::string(238 - 4 - folder.size(), 'p') + ".txt"},
        {Mode::FileArchives, folder + std::string(234 - 4 - folder.size(), 'f') + ".txt"},
        {Mode::RunArchive, folder + std::string(251 - 4 - folder.size(), 'r') + ".txt"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path.size());
        std::filesystem::remove_all(sandbox.hostOf('E') + "/Quillmoor");
        deleteFile(job.LogFileName);
        Engine().ErrorCount = 0;
        sandbox.writeFile(row.path, "too long");
        sandbox.writeFile("D:\\fits.txt", "fits");
        SetUpJob(row.mode, 0);
        EXPECT_FALSE(job.FitsCatalogue(row.path));
        EXPECT_TRUE(job.FitsCatalogue(row.path.substr(0, row.path.size() - 5) + ".txt"));
        BackupPaths({row.path, "D:\\fits.txt"});
        EXPECT_EQ(LogLines().front(), "***ERROR***" + std::string(kNow) + " " + row.path +
                                          " - path is too long to back up.");
        EXPECT_EQ(Engine().ErrorCount, 1);
        auto records = Records();
        EXPECT_EQ(records.size(), 1u);
        if (row.mode == Mode::RunArchive) {
            EXPECT_EQ(records["D:\\fits.txt"].MediaPath,
                      "E:\\Quillmoor\\Drive_D\\12_7_2026 11_15_22 PM.bpa");
        }
        deleteFile("D:\\fits.txt");
        RunRestore({"D:\\fits.txt"});
        EXPECT_EQ(sandbox.readFile("D:\\fits.txt"), "fits");
    }
}

// A file that changes while the run goes on (after its bytes were read, or before a run
// archive got to it) is recorded, and comes back, with the date and size of what was
// read, never newer: the next incremental backup, which compares dates, must not take it
// for backed up.
TEST_F(BackupRunTest, RecordsCarryTheDateTheBytesWereReadWith) {
    for (Mode mode : {Mode::Plain, Mode::FileArchives, Mode::RunArchive}) {
        SCOPED_TRACE(static_cast<int>(mode));
        std::filesystem::remove_all(sandbox.hostOf('E') + "/Quillmoor");
        sandbox.writeFile("C:\\a.txt", "as read");
        sandbox.setFileTime("C:\\a.txt", 2026, 5, 1, 12, 0, 0);
        sandbox.writeFile("C:\\b.txt", "b");
        SetUpJob(mode, 0);
        bool changed = false;
        Engine().ProgressProc = [&](int32_t, bool, int64_t, int64_t done, int64_t) {
            if (done == 0 || changed)
                return;
            changed = true; // after a.txt's bytes went out
            sandbox.writeFile("C:\\a.txt", "changed afterwards");
            sandbox.setFileTime("C:\\a.txt", 2026, 5, 2, 12, 0, 0);
        };
        BackupPaths({"C:\\a.txt", "C:\\b.txt"});
        Engine().ProgressProc = nullptr;
        const DriveListRecord record = Records()["C:\\a.txt"];
        EXPECT_EQ(record.Date, encodeDateTime({2026, 5, 1, 12, 0, 0, 0}));
        EXPECT_EQ(record.Size, 7);
        // The file brought back is dated like what it holds, too.
        RunNewestRestore({"C:\\a.txt"});
        EXPECT_EQ(sandbox.readFile("C:\\a.txt"), "as read");
        EXPECT_EQ(*fileDosDateTime("C:\\a.txt"), dateTimeToDos(record.Date));
    }
}

// A cancel clicked while the last chunk of an entry is reported comes after the entry is
// done: in both archive modes the file keeps its success line, its archive and its record.
TEST_F(BackupRunTest, CancelAfterTheLastChunkKeepsTheFinishedEntry) {
    for (Mode mode : {Mode::FileArchives, Mode::RunArchive}) {
        SCOPED_TRACE(static_cast<int>(mode));
        std::filesystem::remove_all(sandbox.hostOf('E') + "/Quillmoor");
        sandbox.writeFile("C:\\a.txt", "first");
        sandbox.writeFile("C:\\b.txt", "second");
        SetUpJob(mode, 0);
        Engine().ProgressProc = [](int32_t, bool list, int64_t size, int64_t done, int64_t) {
            if (!list && done == size && size == 6)
                Engine().CancelFlag = true; // b.txt's last chunk is out
        };
        BackupPaths({"C:\\a.txt", "C:\\b.txt"});
        Engine().ProgressProc = nullptr;
        EXPECT_FALSE(Engine().CancelFlag);
        EXPECT_EQ(Records().size(), 2u);
        deleteFile("C:\\a.txt");
        deleteFile("C:\\b.txt");
        RunRestore({"C:\\a.txt", "C:\\b.txt"});
        EXPECT_EQ(sandbox.readFile("C:\\a.txt"), "first");
        EXPECT_EQ(sandbox.readFile("C:\\b.txt"), "second");
    }
}

// A path listed twice in one run is backed up once: the second line would drop one more
// old version in a rotation and record the file twice.
TEST_F(BackupRunTest, FileListedTwiceIsBackedUpOnce) {
    for (int day = 1; day <= 3; ++day) {
        sandbox.writeFile("C:\\a.txt", "version " + std::to_string(day));
        sandbox.setFileTime("C:\\a.txt", 2026, 5, day, 12, 0, 0);
        BackupAs(day < 3 ? std::vector<std::string>{"C:\\a.txt"}
                         : std::vector<std::string>{"C:\\a.txt", "C:\\a.txt"},
                 Mode::Plain, 2);
    }
    EXPECT_EQ(Records().size(), 1u);
    EXPECT_EQ(sandbox.readFile("E:\\Quillmoor\\Drive_C\\a.txt"), "version 2");
    EXPECT_EQ(sandbox.readFile("E:\\Quillmoor\\Drive_C\\a_1.txt"), "version 3");
}

// Without its catalogue the run cannot tell a file's backups from free names: it writes
// nothing, so the copies stay as the catalogue, once readable again, describes them.
TEST_F(BackupRunTest, CatalogueThatCannotBeOpenedStopsTheBackup) {
    for (int day = 1; day <= 2; ++day) {
        sandbox.writeFile("C:\\a.txt", "version " + std::to_string(day));
        sandbox.setFileTime("C:\\a.txt", 2026, 5, day, 12, 0, 0);
        BackupAs({"C:\\a.txt"}, Mode::Plain, 3);
    }
    const std::string media = sandbox.hostOf('E') + "/Quillmoor/";
    std::filesystem::rename(media + "drive.lst", media + "saved.lst");
    std::filesystem::create_directory(media + "drive.lst"); // no file can be opened there
    sandbox.writeFile("C:\\a.txt", "version 3");
    BackupAs({"C:\\a.txt"}, Mode::Plain, 1);
    EXPECT_GE(Engine().ErrorCount, 1);
    std::filesystem::remove(media + "drive.lst");
    std::filesystem::rename(media + "saved.lst", media + "drive.lst");
    BackupAs({}, Mode::Plain, 3); // the next run finds the media as the catalogue says
    EXPECT_EQ(sandbox.readFile("E:\\Quillmoor\\Drive_C\\a.txt"), "version 1");
    EXPECT_EQ(sandbox.readFile("E:\\Quillmoor\\Drive_C\\a_1.txt"), "version 2");
    EXPECT_EQ(Records()["C:\\a.txt"].Revision, 1);
}

// A media drive whose mount point vanished (the medium was pulled a moment ago) keeps its
// letter for a while: no run makes its root, its folder or a catalogue on the file system
// below, and each run says that it could not open the catalogue.
TEST_F(BackupRunTest, ADriveWhoseRootIsGoneGetsNoFolderFromAnyRun) {
    sandbox.writeFile("C:\\a.txt", "a");
    const std::string root = sandbox.hostOf('E');
    for (Mode mode : {Mode::Plain, Mode::FileArchives, Mode::RunArchive}) {
        SCOPED_TRACE(ModeName(mode));
        std::filesystem::remove_all(root);
        Engine().ErrorCount = 0;
        BackupAs({"C:\\a.txt"}, mode, 0);
        EXPECT_GE(Engine().ErrorCount, 1);
        EXPECT_FALSE(std::filesystem::exists(root));
    }
    job.DeleteFiles({"C:\\a.txt"});
    RunRestore({"C:\\a.txt"});
    EXPECT_FALSE(std::filesystem::exists(root));
    EXPECT_EQ(sandbox.readFile("C:\\a.txt"), "a");
}

} // namespace
} // namespace qm::test
