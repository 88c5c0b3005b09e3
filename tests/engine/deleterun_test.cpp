#include "engine/deleterun.h"

#include "runtest.h"

#include "engine/copytree.h"

#include <limits>

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

TEST_F(DeleteRunTest, RunArchiveEntryIsCutOutAndTheOthersStayRestorable) {
    for (const char* p : {"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"})
        sandbox.writeFile(p, std::string("data of ") + p);
    SetUpJob(Mode::RunArchive, 256);
    BackupPaths({"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"});
    job.DeleteFiles({"C:\\2.txt"});
    EXPECT_EQ(Records().count("C:\\2.txt"), 0u);
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

} // namespace
} // namespace qm::test
