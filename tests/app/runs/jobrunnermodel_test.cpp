#include "app/runs/jobrunnermodel.h"

#include "engine/enginestate.h"
#include "scriptedmessages.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

constexpr int kFull = TJobRunnerModel::kBarFull;

TEST(JobRunnerModel, FileProgressGuardsItsDivisionsAndLeavesSizesOfAKilobyteUnwritten) {
    struct Case {
        const char* what;
        int64_t totalCount, totalSize;
        int32_t files;
        bool list;
        int64_t fileSize, fileDone, done;
        int bar1, bar2;
        const char* finishedSize;
        int64_t totalAfter;
    };
    const Case cases[] = {
        {"list mode with nothing counted", 0, 0, 3, true, 0, 0, 0, 0, 0, "0", 0},
        {"list mode half way: halves to even", 4, 0, 2, true, 0, 0, 0, 182, 0, "0", 0},
        {"an empty file", 2, 0, 0, false, 0, 0, 0, 0, 0, "0", 1},
        {"exactly 1024 bytes", 2, 4096, 1, false, 1024, 1024, 1024, kFull, 91, "0", 4096},
        {"1025 bytes", 2, 4096, 1, false, 1025, 1025, 1025, kFull, 91, "1 Kb", 4096},
        {"1 MiB and a byte", 2, 4194304, 1, false, 2097152, 1048577, 1048577, 183, 91, "1.00 Mb",
         4194304},
        {"files that grew", 2, 100, 2, false, 300, 300, 300, kFull, kFull, "0", 300},
        {"the end", 2, 5000, 2, false, 0, 0, -1, 0, kFull, "5 Kb", 5000},
    };
    for (const Case& c : cases) {
        TJobRunnerModel model(kOpBackup, {});
        model.TotalCount = c.totalCount;
        model.TotalSize = c.totalSize;
        model.FileProgress(c.files, c.list, c.fileSize, c.fileDone, c.done);
        EXPECT_EQ(model.bar1(), c.bar1) << c.what;
        EXPECT_EQ(model.bar2(), c.bar2) << c.what;
        EXPECT_EQ(model.texts().finishedSize, c.finishedSize) << c.what;
        EXPECT_EQ(model.TotalSize, c.totalAfter) << c.what;
    }
}

TEST(JobRunnerModel, DeleteProgressCountsFilesAndStampCheckGuardsAnEmptyCount) {
    TJobRunnerModel model(kOpDeleteFromMedia, {});
    model.DeleteProgress(1, false, 100, 50, 7000);
    EXPECT_EQ(model.bar2(), kFull) << "no count yet: taken as one file";
    EXPECT_EQ(model.TotalSize, 7000);
    model.TotalCount = 4;
    model.DeleteProgress(1, false, 100, 50, 7000);
    EXPECT_EQ(model.bar1(), 182);
    EXPECT_EQ(model.bar2(), 91);
    EXPECT_EQ(model.texts().remainingCount, "3");
    model.StampCheckProgress(0, 0);
    EXPECT_EQ(model.bar1(), 0);
}

TEST(JobRunnerModel, CancelAsksUnlessThePasswordWindowCancels) {
    test::ScriptedMessages messages;
    int closed = 0, stopped = 0;
    TJobRunnerModel model(kOpRestore, messages.fn());
    model.setHooks({{}, {}, [&] { ++closed; }});
    TJobRunnerModel::JobStopper stopper(model, [&] { ++stopped; });
    messages.answers = {7};
    model.Imr_CancelClick();
    EXPECT_FALSE(model.CancelRequested);
    EXPECT_FALSE(Engine().CancelFlag);
    EXPECT_EQ(messages.shown, std::vector<std::string>{TJobRunnerModel::kCancelQuestion});
    model.CancelWithoutAsking = true;
    model.Imr_CancelClick();
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(model.CancelRequested);
    EXPECT_TRUE(Engine().CancelFlag);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(stopped, 1);
    Engine().CancelFlag = false;
}

} // namespace
} // namespace qm
