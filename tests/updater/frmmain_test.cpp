#include "updater/frmmain.h"

#include "support/sandbox.h"

#include <QLabel>
#include <QStackedWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace qm {
namespace {

// The window carries the layout's names, paints the model's view and ends through the
// model's close rules when Stop is clicked during the check.
TEST(UpdaterWindow, NamedPartsPaintTheViewAndStopEndsTheCheck) {
    test::Sandbox sandbox;
    std::vector<std::string> messages;
    TUpdaterSetup setup;
    setup.arguments = {"updater"};
    setup.message = [&](int, const std::string& text) {
        messages.push_back(text);
        return 1;
    };
    setup.isAdmin = [] { return true; };
    TFrmMain window(std::move(setup));
    ASSERT_TRUE(window.created());
    window.start();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), "Quillmoor Updater");
    EXPECT_EQ(window.size(), QSize(402, 239));
    for (const char* name : {"Image1",
                             "TS_Request",
                             "TS_Description",
                             "TS_Download",
                             "lbl_Descrption",
                             "chb_Usage",
                             "lbl_TotalFiles",
                             "lbl_ProcessedFiles",
                             "lbl_File",
                             "img_Prg_Cur",
                             "img_Cur_Main",
                             "img_Prg_Total",
                             "img_Prg_Total_MAin",
                             "TS_Request_Button",
                             "TS_1",
                             "TS_2",
                             "ImageRegion1",
                             "imr_Yes",
                             "imr_No",
                             "imr_Background",
                             "imr_Stop",
                             "tmr_Download",
                             "tmr_Update"})
        EXPECT_TRUE(window.findChild<QObject*>(name)) << name;
    auto* pages = window.findChild<QStackedWidget*>("pgc_Main");
    auto* buttons = window.findChild<QStackedWidget*>("pgc_Buttons");
    EXPECT_EQ(pages->currentWidget()->objectName(), "TS_Request");
    EXPECT_EQ(buttons->currentWidget()->objectName(), "TS_Request_Button");

    TUpdaterModel::View view;
    view.mainPage = view.buttonsPage = TUpdaterModel::TS_Download;
    view.total = 4;
    view.index = 4;
    view.currentTotal = 10;
    view.currentReceived = 10;
    window.paintView(view);
    EXPECT_EQ(pages->currentWidget()->objectName(), "TS_Download");
    EXPECT_EQ(buttons->currentWidget()->objectName(), "TS_2");
    const int frame = window.findChild<QLabel*>("img_Cur_Main")->width();
    EXPECT_EQ(window.findChild<QLabel*>("img_Prg_Cur")->width(), frame - 8);
    EXPECT_EQ(window.findChild<QLabel*>("img_Prg_Total")->width(), frame - 9);
    EXPECT_EQ(window.findChild<QLabel*>("lbl_ProcessedFiles")->text(), "4");

    window.paintView(window.model().view());
    QTest::mouseClick(window.findChild<QWidget*>("ImageRegion1"), Qt::LeftButton);
    EXPECT_EQ(window.model().state(), TUpdaterModel::State::Ended);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(messages.empty());
}

// Background hides the window where the tray can bring it back, and only minimises it
// where the desktop has no tray, so the update can still be stopped.
TEST(UpdaterWindow, BackgroundKeepsTheWindowInReachWithoutATray) {
    test::Sandbox sandbox;
    for (const bool tray : {true, false}) {
        TUpdaterSetup setup;
        setup.arguments = {"updater"};
        setup.message = [](int, const std::string&) { return 1; };
        setup.isAdmin = [] { return true; };
        setup.trayAvailable = [tray] { return tray; };
        TFrmMain window(std::move(setup));
        window.start();
        TUpdaterModel::View view;
        view.mainPage = view.buttonsPage = TUpdaterModel::TS_Download;
        window.paintView(view);
        QTest::mouseClick(window.findChild<QWidget*>("imr_Background"), Qt::LeftButton);
        EXPECT_EQ(window.isVisible(), !tray) << tray;
        EXPECT_EQ(window.isMinimized(), !tray) << tray;
    }
}

} // namespace
} // namespace qm
