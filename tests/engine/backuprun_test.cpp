#include "engine/backuprun.h"

#include "runtest.h"

#include "engine/copytree.h"
#include "engine/jobcipher.h"
#include "engine/logline.h"

#include <algorithm>
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
        EXPECT_FALSE(fileExists(BackupRun::PartName(media)));
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
                                            ::testing::Values(0, 128, 192, 256)));

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
    for (const std::string& p : {copy, BackupRun::PartName(copy), CheckFileName(copy)})
        EXPECT_FALSE(fileExists(p)) << p;
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
    SetUpJob(Mode::Plain, 0);
    std::vector<std::string> lines(999);
    lines.push_back("C:\\one.txt");
    BackupPaths(lines);
    EXPECT_EQ(pauses, 1);
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
    EXPECT_FALSE(fileExists(BackupRun::PartName(copy)));
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
    EXPECT_FALSE(fileExists(BackupRun::PartName(CopyPathFor('E', "C:\\2.txt"))));
    EXPECT_FALSE(fileExists(FileArchivePathFor('E', "C:\\2.txt")));
    EXPECT_FALSE(fileExists(BackupRun::PartName(FileArchivePathFor('E', "C:\\2.txt"))));

    // What the catalogue describes is really there.
    Engine().ProgressProc = nullptr;
    deleteFile("C:\\1.txt");
    RunRestore({"C:\\1.txt"});
    EXPECT_EQ(sandbox.readFile("C:\\1.txt"), "first file");
    EXPECT_EQ(Engine().ErrorCount, 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, BackupCancel,
                         ::testing::Values(Mode::Plain, Mode::FileArchives, Mode::RunArchive));

} // namespace
} // namespace qm::test
