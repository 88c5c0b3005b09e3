#include "app/pages/drives/drivespage.h"

#include "app/drives/drivecombo.h"
#include "app/drives/drivepoll.h"
#include "app/drives/mediadrives.h"
#include "controls/imageregion.h"
#include "scriptedmessages.h"
#include "support/qt/mouseclick.h"
#include "support/sandbox.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(DrivesPage, ListsButtonsAndUsageBarFollowTheModel) {
    test::Sandbox sandbox;
    ClearNoMediaDrives();
    test::ScriptedMessages messages;
    TDrivePoll poll({});
    TDrivesPage page(poll, messages.fn(), nullptr);
    page.FillDrivesInfo();
    auto* source = page.findChild<QTreeWidget*>(QStringLiteral("lv_DM_Source"));
    auto* media = page.findChild<QTreeWidget*>(QStringLiteral("lv_DM_Media"));
    ASSERT_TRUE(source && media);
    ASSERT_EQ(source->topLevelItemCount(), 2);
    EXPECT_FALSE(source->topLevelItem(0)->icon(0).isNull()) << "drive icons from the start";

    source->setCurrentItem(source->topLevelItem(1));
    test::leftClick(page.findChild<TImageRegion*>(QStringLiteral("imr_drives_r")));
    EXPECT_TRUE(IsMediaDrive("E:\\"));
    ASSERT_EQ(media->topLevelItemCount(), 1);
    EXPECT_EQ(media->currentItem(), media->topLevelItem(0));
    EXPECT_FALSE(page.findChild<QLabel*>(QStringLiteral("lbl_Media_Total"))->text().isEmpty());
    EXPECT_EQ(page.findChild<QLabel*>(QStringLiteral("img_Media_Used"))->width(),
              page.model().mediaDetails().usedWidth(TDrivesPage::kBarWidth));

    // The drive combos of the other pages follow the same change, silently.
    QComboBox combo;
    QSignalSpy spy(&combo, &QComboBox::currentIndexChanged);
    TDriveChange change;
    change.mediaCaptions = {"(E:\\)", "(G:\\)"};
    change.currentCaption = "(g:\\)";
    showDriveItems(combo, change.mediaCaptions,
                   DriveComboIndex(change.mediaCaptions, change.currentCaption));
    EXPECT_EQ(combo.count(), 2);
    EXPECT_EQ(combo.currentText(), QStringLiteral("(G:\\)"));
    EXPECT_EQ(spy.count(), 0);
}

} // namespace
} // namespace qm
