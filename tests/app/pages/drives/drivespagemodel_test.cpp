#include "app/pages/drives/drivespagemodel.h"

#include "app/drives/drivepoll.h"
#include "app/drives/mediadrives.h"
#include "scriptedmessages.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

std::vector<std::string> roots(const std::vector<TDrivesPageModel::Item>& items) {
    std::vector<std::string> out;
    for (const auto& item : items)
        out.push_back(item.root);
    return out;
}

class DrivesPageModelTest : public ::testing::Test {
  protected:
    DrivesPageModelTest() {
        ClearNoMediaDrives();
        sandbox.addDrive('F', DriveType::Fixed);
        poll.subscribe([this](const TDriveChange& change) {
            if (change.sourcesChanged)
                ++treeReloads;
        });
        page.FillDrivesInfo();
    }

    test::Sandbox sandbox;
    test::ScriptedMessages messages;
    TDrivePoll poll{{}};
    TDrivesPageModel page{poll, messages.fn()};
    int treeReloads = 0;
};

TEST_F(DrivesPageModelTest, MovesWriteAndDeleteTheMarkerAndKeepOneSourceDrive) {
    using V = std::vector<std::string>;
    ASSERT_EQ(roots(page.sources()), (V{"C:\\", "E:\\", "F:\\"}));
    EXPECT_EQ(page.sources()[1].caption, "Removable Disk (E:)");
    EXPECT_EQ(page.sourceIndex(), 0);
    EXPECT_FALSE(page.sourceDetails().total.empty()) << "the first drive's details show";

    page.lv_DM_SourceChange(1);
    page.imr_drives_rClick();
    EXPECT_TRUE(IsMediaDrive("E:\\"));
    EXPECT_EQ(roots(page.sources()), (V{"C:\\", "F:\\"}));
    EXPECT_EQ(roots(page.media()), V{"E:\\"});
    EXPECT_EQ(page.mediaIndex(), 0);
    EXPECT_EQ(treeReloads, 1) << "the selection tree drops the drive";

    page.lv_DM_SourceChange(0);
    page.imr_drives_rClick();
    page.imr_drives_rClick();
    EXPECT_EQ(messages.shown, V{TDrivesPageModel::kLastSourceDrive});
    EXPECT_EQ(roots(page.sources()), V{"F:\\"});

    page.lv_DM_MediaChange(0); // C:, before E:
    page.imr_Drives_lClick();
    EXPECT_FALSE(IsMediaDrive("C:\\"));
    EXPECT_EQ(roots(page.sources()), (V{"C:\\", "F:\\"}));
    EXPECT_EQ(page.sources()[size_t(page.sourceIndex())].root, "C:\\");
    EXPECT_EQ(treeReloads, 3);
}

TEST_F(DrivesPageModelTest, AFailedMoveIsReported) {
    sandbox.writeFile("F:\\Quillmoor", "a file where the folder belongs");
    page.lv_DM_SourceChange(2);
    page.imr_drives_rClick();
    EXPECT_EQ(messages.shown, std::vector<std::string>{MakeMediaDriveFailedText("(F:\\)")});
    EXPECT_TRUE(page.media().empty());
}

TEST(DrivesPageDetails, UsageBarWidth) {
    struct Case {
        int64_t total, available;
        int width;
    } cases[] = {{0, 0, 0},        {1000, 1000, 0},  {1000, 0, 200},
                 {1000, 500, 100}, {1000, 333, 133}, {1000, 5000, 0}};
    for (const Case& c : cases) {
        TDrivesPageModel::Details details;
        details.totalBytes = c.total;
        details.availableBytes = c.available;
        EXPECT_EQ(details.usedWidth(200), c.width) << c.total << " " << c.available;
    }
}

} // namespace
} // namespace qm
