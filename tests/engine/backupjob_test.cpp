#include "engine/backupjob.h"

#include "engine/driverecord.h"
#include "enginetest.h"
#include "platform/fileio.h"

namespace qm::test {
namespace {

class BackUpJobTest : public EngineTest {};

TEST_F(BackUpJobTest, FreshJobHasNoOptionSet) {
    TBackUpJob fresh;
    EXPECT_FALSE(fresh.Compression());
    EXPECT_FALSE(fresh.Encryption());
    EXPECT_FALSE(fresh.Revision());
    EXPECT_FALSE(fresh.LogSave());
    EXPECT_FALSE(fresh.Processing());
    EXPECT_FALSE(fresh.RestoreOld());
    EXPECT_EQ(fresh.CompressionType(), TCompressionType::ctOnesFile);
    EXPECT_EQ(fresh.CompressionRate(), 0);
    EXPECT_EQ(fresh.TopRevisionIndex, 0);
    EXPECT_EQ(fresh.Destination(), '\0');
    EXPECT_TRUE(fresh.SourceFiles.empty());
}

TEST_F(BackUpJobTest, TopRevisionStoresValueMinusOneInEightBits) {
    const std::pair<int, int> rows[] = {{5, 4}, {1, 0}, {0, 255}, {20, 19}};
    for (auto [set, stored] : rows) {
        job.SetTopRevision(static_cast<uint8_t>(set));
        EXPECT_EQ(job.TopRevision(), stored) << set;
        EXPECT_EQ(job.TopRevisionIndex, stored) << set;
    }
}

TEST_F(BackUpJobTest, AddLogWritesNothingWhenLogSaveIsOff) {
    job.SetLogSave(false);
    job.AddLog("line");
    EXPECT_FALSE(sandbox.readFile(job.LogFileName).has_value());
}

TEST_F(BackUpJobTest, AddLogAppendsEachLineWithCrLf) {
    sandbox.writeFile(job.LogFileName, "old content\r\n");
    job.AddLog("first");
    job.AddLog("second");
    EXPECT_EQ(sandbox.readFile(job.LogFileName), "old content\r\nfirst\r\nsecond\r\n");
}

TEST_F(BackUpJobTest, AddLogCreatesMissingLogAndIgnoresUnwritableOne) {
    ASSERT_TRUE(createFolderChain("C:\\Program"));
    job.AddLog("created");
    EXPECT_EQ(sandbox.readFile(job.LogFileName), "created\r\n");
    job.LogFileName = "Q:\\nowhere\\Log.txt"; // unmapped drive: the line is lost quietly
    job.AddLog("lost");
    EXPECT_EQ(Engine().ErrorCount, 0);
}

TEST_F(BackUpJobTest, RestoreTargetPathKeepsFolderBelowRestoreType) {
    EXPECT_EQ(job.RestoreTargetPath("C:\\dir\\a.txt"), "C:\\dir\\a.txt");
    job.SetRestoreType("D:\\Back\\");
    EXPECT_EQ(job.RestoreTargetPath("C:\\dir\\a.txt"), "D:\\Back\\dir\\a.txt");
    EXPECT_EQ(job.RestoreTargetPath("C:\\dir\\sub\\b.txt"), "D:\\Back\\dir\\sub\\b.txt");
    // A file at a drive's root gets a doubled backslash, which the file layer resolves.
    EXPECT_EQ(job.RestoreTargetPath("C:\\a.txt"), "D:\\Back\\\\a.txt");
    // A stored path that would climb out of the chosen folder has no target.
    EXPECT_EQ(job.RestoreTargetPath("C:\\dir\\..\\..\\a.txt"), "");
}

TEST_F(BackUpJobTest, IsTargetOlderComparesTargetDateWithRecordDate) {
    DriveListRecord record;
    record.SourcePath = "C:\\dir\\a.txt";
    record.Date = encodeDateTime({2026, 5, 2, 10, 0, 0, 0});
    EXPECT_TRUE(job.IsTargetOlder(record)) << "a missing target counts as older";

    sandbox.writeFile(record.SourcePath, "x");
    sandbox.setFileTime(record.SourcePath, 2026, 5, 2, 10, 0, 0);
    EXPECT_FALSE(job.IsTargetOlder(record)) << "equal dates keep the target";
    sandbox.setFileTime(record.SourcePath, 2026, 5, 2, 9, 59, 58);
    EXPECT_TRUE(job.IsTargetOlder(record));
    sandbox.setFileTime(record.SourcePath, 2026, 5, 3, 0, 0, 0);
    EXPECT_FALSE(job.IsTargetOlder(record));
}

} // namespace
} // namespace qm::test
