// The Sync page and its comparison without a screen: a real backup makes the media
// catalogue, the files on the hard drive then change in every way a comparison must
// tell apart, and the Sync button hands each option's ticked rows to the job runner.

#include "app/pages/sync/syncpagemodel.h"

#include "app/drives/mediadrives.h"
#include "app/pages/sync/comparemodel.h"
#include "app/runs/jobrunnermodel.h"
#include "engine/backupjob.h"
#include "engine/enginestate.h"
#include "platform/fileio.h"
#include "scriptedmessages.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/stat.h>

namespace qm {
namespace {

struct SyncRun {
    int code;
    TSyncRequest request;
};

class SyncPageTest : public ::testing::Test {
  protected:
    SyncPageTest() {
        Engine().Reset();
        Engine().SleepProc = [](int) {};
        MakeMediaDrive("E:\\");
        sandbox.addDrive('H', DriveType::Fixed);
        const std::string media =
            sandbox.addDrive('M', DriveType::Removable); // a mount that went away
        DriveTable::instance().map('M', media, DriveType::Removable, {}, DriveTable::kMountSource);
        for (const char* name : {"same", "later", "newer", "older", "gone", "ancient", "folder"})
            write(std::string("C:\\data\\") + name + ".txt");
        write("H:\\h.txt");
        write("M:\\m.txt");
        TBackUpJob job;
        job.SetDestination('E');
        job.SourceFiles = {"C:\\data\\same.txt",   "C:\\data\\later.txt", "C:\\data\\newer.txt",
                           "C:\\data\\older.txt",  "C:\\data\\gone.txt",  "C:\\data\\ancient.txt",
                           "C:\\data\\folder.txt", "H:\\h.txt",           "M:\\m.txt"};
        job.Backup();

        sandbox.setFileTime("C:\\data\\later.txt", 2026, 3, 1, 10, 0, 2); // one 2-second step
        sandbox.setFileTime("C:\\data\\newer.txt", 2026, 3, 2, 10, 0, 0);
        sandbox.setFileTime("C:\\data\\older.txt", 2026, 2, 1, 10, 0, 0);
        deleteFile("C:\\data\\gone.txt");
        // 1975: before the first date a DOS date can hold.
        const timespec ancient[2] = {{157766400, 0}, {157766400, 0}};
        ::utimensat(AT_FDCWD, (sandbox.hostOf('C') + "/data/ancient.txt").c_str(), ancient, 0);
        deleteFile("C:\\data\\folder.txt");
        createFolderChain("C:\\data\\folder.txt");
        deleteFile("M:\\m.txt");
        DriveTable::instance().unmap('H');

        TSyncPageModel::Actions actions;
        actions.compare = [this] {
            TCompareModel compare(page->tree(), page->list(), messages.fn());
            compare.setHooks({{},
                              [&] {
                                  if (cancelAfter && compare.count() == *cancelAfter)
                                      compare.Imr_CancelClick();
                              },
                              [this] { ++closes; }});
            compare.FormActivate();
            lastOperation = compare.operationText();
        };
        actions.pageVisible = [this] { return visible; };
        actions.startJob = [this](TJobRequest request) {
            runs.push_back({request.code(), std::get<TSyncRequest>(request.over)});
            TJobOutcome outcome;
            outcome.cancelled = request.code() == cancelledCode;
            return outcome;
        };
        page = std::make_unique<TSyncPageModel>(poll, messages.fn(), actions);
    }
    ~SyncPageTest() override {
        Engine().Reset();
        Engine().SleepProc = nullptr;
    }

    void write(const std::string& path) {
        sandbox.writeFile(path, "content of " + path);
        sandbox.setFileTime(path, 2026, 3, 1, 10, 0, 0);
    }
    std::map<std::string, const TSyncRow*> rowsByName() const {
        std::map<std::string, const TSyncRow*> byName;
        for (const TSyncRow& row : page->list().rows())
            byName[row.name] = &row;
        return byName;
    }
    void tickRoots() {
        for (const auto& root : page->tree().roots())
            page->tree().click(root.get());
    }

    test::Sandbox sandbox;
    test::ScriptedMessages messages;
    TDrivePoll poll{{}};
    std::unique_ptr<TSyncPageModel> page;
    std::vector<SyncRun> runs;
    std::optional<int64_t> cancelAfter;
    int cancelledCode = 0; // the run of this code is cancelled by the user
    std::string lastOperation;
    int closes = 0;
    bool visible = true;
};

TEST_F(SyncPageTest, ComparisonTellsEveryKindOfDifferenceApartAndOffersOnlyWhatIsSafe) {
    page->TS_SyncShow();
    ASSERT_EQ(page->tree().roots().size(), 3u) << "C:, H: and M:";
    page->imr_CompareClick();
    EXPECT_EQ(messages.shown, std::vector<std::string>{TCompareModel::kNothingToCompare});

    tickRoots();
    page->imr_CompareClick();
    EXPECT_EQ(page->tab(), TSyncPageModel::TSSync_Results);
    EXPECT_TRUE(page->colorsShown());
    EXPECT_EQ(page->syncMediaDrive(), "(E:\\)");
    const auto rows = rowsByName();
    const std::map<std::string, std::pair<TSyncKind, std::string>> expected = {
        {"later.txt", {TSyncKind::Green, "3/1/2026 10:00:02 AM"}},
        {"newer.txt", {TSyncKind::Green, "3/2/2026 10:00:00 AM"}},
        {"older.txt", {TSyncKind::Blue, "2/1/2026 10:00:00 AM"}},
        {"gone.txt", {TSyncKind::Red, "Deleted"}},
        {"ancient.txt", {TSyncKind::Unreadable, "Unreadable"}},
        {"folder.txt", {TSyncKind::Unreadable, "Unreadable"}},
        {"h.txt", {TSyncKind::Unreadable, "Unreadable"}}, // its drive is not there
        {"m.txt", {TSyncKind::Unreadable, "Unreadable"}}, // its medium was pulled out
    };
    ASSERT_EQ(rows.size(), expected.size()) << "same.txt has no row";
    for (const auto& [name, want] : expected) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(rows.count(name));
        EXPECT_EQ(rows.at(name)->kind, want.first);
        EXPECT_EQ(rows.at(name)->hardText, want.second);
        EXPECT_EQ(rows.at(name)->mediaText, "3/1/2026 10:00:00 AM");
    }
    const TSyncListModel& list = page->list();
    const int gone = static_cast<int>(rows.at("gone.txt") - list.rows().data());
    const int newer = static_cast<int>(rows.at("newer.txt") - list.rows().data());
    EXPECT_EQ(list.text(gone, 3), "red");
    EXPECT_EQ(list.text(gone, 4), "C:\\data\\gone.txt");
    EXPECT_EQ(list.text(gone, 5),
              std::to_string(std::string("content of C:\\data\\gone.txt").size()));
    EXPECT_EQ(list.text(gone, 6), "");
    EXPECT_EQ(list.text(gone, 7), "");
    EXPECT_EQ(list.text(newer, 6), floatToStrGeneral(*rows.at("newer.txt")->mediaTime));
    EXPECT_EQ(list.text(newer, 7), floatToStrGeneral(*rows.at("newer.txt")->hardTime));

    // Unreadable rows can never be ticked, so never deleted or copied.
    page->imr_CheckAllClick();
    for (const TSyncRow& row : list.rows())
        EXPECT_EQ(row.checked, row.kind != TSyncKind::Unreadable) << row.name;
    EXPECT_EQ(list.ticked(TSyncKind::Red).paths, std::vector<std::string>{"C:\\data\\gone.txt"});

    // Re-reading the drive keeps the rows and shows the files tab; Back does the same.
    page->imt_backClick();
    EXPECT_FALSE(page->colorsShown());
    EXPECT_EQ(list.rows().size(), expected.size());
}

TEST_F(SyncPageTest, SyncButtonHandsEachOptionItsRowsAndStartsNothingEmpty) {
    page->TS_SyncShow();
    tickRoots();
    page->imr_CompareClick();
    page->imr_CheckAllClick();
    const std::vector<std::string> blue = {"C:\\data\\older.txt"};
    const std::vector<std::string> green = {"C:\\data\\later.txt", "C:\\data\\newer.txt"};
    std::vector<std::string> both = blue;
    both.insert(both.end(), green.begin(), green.end());
    const std::vector<std::string> none;
    struct Case {
        int option;
        bool deleteBox;
        std::vector<int> codes;
        std::vector<std::string> toHardDrive, toMedia;
    };
    const Case cases[] = {
        {TSyncPageModel::SyncTheFiles, false, {3}, blue, green},
        {TSyncPageModel::SyncTheFiles, true, {2, 3}, blue, green},
        {TSyncPageModel::MediaOverwritesHardDrive, false, {4}, both, both},
        {TSyncPageModel::HardDriveOverwritesMedia, false, {5}, both, both},
        {TSyncPageModel::DoNothing, true, {2}, none, none},
        {TSyncPageModel::DoNothing, false, {}, none, none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option * 10 + c.deleteBox);
        runs.clear();
        page->setSyncOption(c.option);
        page->setDeleteOnMedia(c.deleteBox);
        page->imr_SyncClick();
        std::vector<int> codes;
        for (const SyncRun& run : runs) {
            codes.push_back(run.code);
            EXPECT_EQ(run.request.mediaCaption, "(E:\\)");
            if (run.code == 2) {
                EXPECT_EQ(run.request.deletions.paths,
                          std::vector<std::string>{"C:\\data\\gone.txt"});
                continue;
            }
            EXPECT_EQ(run.request.mediaToHardDrive.paths, c.toHardDrive);
            EXPECT_EQ(run.request.hardDriveToMedia.paths, c.toMedia);
            EXPECT_EQ(run.request.hardDriveToMedia.sizes.size(), c.toMedia.size());
        }
        EXPECT_EQ(codes, c.codes);
    }
    EXPECT_TRUE(messages.shown.empty());

    // A deletion run the user cancelled ends the synchronisation: no copies follow.
    cancelledCode = kOpSyncDeletions;
    runs.clear();
    page->setSyncOption(TSyncPageModel::SyncTheFiles);
    page->setDeleteOnMedia(true);
    page->imr_SyncClick();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].code, kOpSyncDeletions);

    // Only the red row ticked and the delete box off: no run starts, the user is told.
    // Nothing ticked with the delete box ticked: the deletion run starts with no file (its
    // report says so) and nothing is said.
    cancelledCode = -1;
    for (int i = 0; i < static_cast<int>(page->list().rows().size()); ++i)
        page->list().setChecked(i, page->list().rows()[size_t(i)].kind == TSyncKind::Red);
    page->setSyncOption(TSyncPageModel::SyncTheFiles);
    page->setDeleteOnMedia(false);
    runs.clear();
    page->imr_SyncClick();
    EXPECT_TRUE(runs.empty());
    page->imr_UncheckAllClick();
    page->setDeleteOnMedia(true);
    page->imr_SyncClick();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].code, kOpSyncDeletions);
    EXPECT_TRUE(runs[0].request.deletions.empty());
    EXPECT_EQ(messages.shown, std::vector<std::string>{TSyncPageModel::kNothingToSync});
}

TEST_F(SyncPageTest, PathListedTwiceIsComparedOnceAgainstItsFirstRecordAndCancelKeepsRows) {
    page->TS_SyncShow();
    TQMRestoreTreeModel& tree = page->tree();
    // A second record of gone.txt, with another date: the first record is the one a
    // delete would remove, so it is the one compared.
    const size_t second = tree.PathList.size();
    tree.PathList.push_back("C:\\data\\gone.txt*" + std::to_string(second));
    tree.TimeList.push_back("1");
    tree.SizeList.push_back("1");
    tree.Rebuild();
    tickRoots();
    page->imr_CompareClick();
    int goneRows = 0;
    for (const TSyncRow& row : page->list().rows())
        if (row.name == "gone.txt") {
            ++goneRows;
            EXPECT_EQ(row.mediaText, "3/1/2026 10:00:00 AM");
        }
    EXPECT_EQ(goneRows, 1);

    cancelAfter = 2;
    page->imr_CompareClick();
    EXPECT_EQ(lastOperation, "Canceled by user");
    EXPECT_LE(page->list().rows().size(), 2u);
    EXPECT_GE(closes, 1);

    // The compared drive is no longer a media drive: the page lets go of its catalogue.
    UnmakeMediaDrive("E:\\");
    poll.drivesMoved();
    EXPECT_TRUE(page->mediaDrives().empty());
    EXPECT_TRUE(page->tree().roots().empty());

    // A drive whose catalogue is empty has nothing to offer.
    sandbox.addDrive('F', DriveType::Removable);
    messages.shown.clear();
    page->cbMediaSincChange("(F:\\)");
    EXPECT_TRUE(page->tree().roots().empty());
    EXPECT_EQ(messages.shown, std::vector<std::string>{TSyncPageModel::kNothingToSync});
    EXPECT_FALSE(fileExists("F:\\Quillmoor\\drive.lst")) << "looking writes nothing";
}

} // namespace
} // namespace qm
