#include "app/mainwindow/mainwindowmodel.h"

#include "app/stores/settingsstore.h"

#include "scriptedmessages.h"
#include "support/rowname.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

namespace qm {
namespace {

struct FakeRun : TRunControl {
    int cancels = 0;
    void requestCancel() override { ++cancels; }
};

class MainWindowModelTest : public ::testing::Test {
  protected:
    MainWindowModelTest() {
        TMainWindowModel::Actions actions;
        actions.saveSelections = [this](bool force) { saves.push_back(force); };
        actions.quit = [this] { ++quits; };
        actions.hideToTray = [this] { ++hides; };
        actions.trayAvailable = [this] { return tray; };
        actions.showAndActivate = [this] { ++shows; };
        actions.fillDrivesInfo = [this] { ++drivesFilled; };
        actions.closeDuplicateInstance = [this] { ++polls; };
        actions.showReminderWindow = [this] { ++reminders; };
        actions.windowShown = [this] { return shown; };
        actions.raiseWait = [this] { ++waitRaises; };
        actions.refreshTrees = [this] {
            ++treeRefreshes;
            if (refreshThrows)
                throw std::runtime_error("folder vanished");
        };
        actions.openUrl = [this](const char* url) { urls.push_back(url); };
        model = std::make_unique<TMainWindowModel>(messages.fn(), actions);
        model->FormCreate();
    }

    test::Sandbox sandbox;
    test::ScriptedMessages messages;
    std::unique_ptr<TMainWindowModel> model;
    std::vector<bool> saves;
    int quits = 0, hides = 0, shows = 0, drivesFilled = 0, polls = 0, reminders = 0;
    bool shown = true, refreshThrows = false, tray = true;
    int waitRaises = 0, treeRefreshes = 0;
    std::vector<std::string> urls;
};

TEST_F(MainWindowModelTest, ActivationRefreshesTreesOrRaisesTheWaitWindow) {
    model->WMM_APP_ACT(false);
    EXPECT_EQ(treeRefreshes, 0) << "deactivation does nothing";
    model->WMM_APP_ACT(true);
    EXPECT_EQ(treeRefreshes, 1);
    refreshThrows = true;
    EXPECT_NO_THROW(model->WMM_APP_ACT(true));
    EXPECT_EQ(treeRefreshes, 2);

    model->ShowWaitForm(true, 0);
    model->WMM_APP_ACT(true);
    EXPECT_EQ(waitRaises, 1);
    EXPECT_EQ(treeRefreshes, 2) << "no refresh under the wait window";
    model->ShowWaitForm(false, 0);
    EXPECT_FALSE(model->busy().pending("activate"));

    shown = false;
    model->WMM_APP_ACT(true);
    EXPECT_EQ(treeRefreshes, 2) << "a hidden window is not refreshed";
    shown = true;
    FakeRun run;
    {
        auto handle = model->beginRun(run);
        model->WMM_APP_ACT(true);
        EXPECT_EQ(treeRefreshes, 2) << "not while a run is shown";
    }
    EXPECT_FALSE(model->busy().pending("activate")) << "dropped, not deferred, during a run";
}

TEST_F(MainWindowModelTest, ActivationUnderAModalQuestionRefreshesOnceItEnds) {
    {
        TBusyGuard::Scope question(model->busy());
        model->WMM_APP_ACT(true);
        EXPECT_EQ(treeRefreshes, 0);
    }
    EXPECT_EQ(treeRefreshes, 1);
}

TEST_F(MainWindowModelTest, LogoButtonsOpenTheirAddresses) {
    for (const char* name :
         {"ImageRegion4", "img_logo", "imr_Logo_1", "imr_Logo2", "imr_Logo3", "btn_Backup"})
        model->logoClick(name);
    ASSERT_EQ(urls.size(), 5u) << "btn_Backup is no logo";
    EXPECT_EQ(urls[0], "https://www.quillmoor.example/");
    EXPECT_EQ(urls[1], urls[0]) << "both home-page logos lead to the same page";
    for (size_t i = 2; i < urls.size(); ++i)
        EXPECT_EQ(urls[i].rfind("https://www.quillmoor.example/products/", 0), 0u) << urls[i];
    EXPECT_NE(urls[2], urls[3]);
    EXPECT_NE(urls[3], urls[4]);
    EXPECT_NE(urls[2], urls[4]);
}

TEST_F(MainWindowModelTest, StartsOnWelcomePageWithMenuHidden) {
    EXPECT_EQ(model->activePage(), TMainWindowModel::PageStart);
    EXPECT_FALSE(model->menuVisible());
    EXPECT_TRUE(model->buttonsEnabled());
    EXPECT_EQ(TSettingsStore().number(SettingId::Height), 580u) << "defaults written";
}

struct RouteRow {
    TMainWindowModel::MenuButton button;
    int page;
    bool saves;
    bool asks;
};

class MenuRoutes : public MainWindowModelTest, public ::testing::WithParamInterface<RouteRow> {};

TEST_P(MenuRoutes, PageButtonSavesAsksAndShowsItsPage) {
    const RouteRow row = GetParam();
    model->settings().setCompressionType(2); // a change not yet applied
    messages.answers.push_back(6);
    model->menuClick(row.button);
    EXPECT_EQ(model->activePage(), row.page);
    EXPECT_EQ(saves.size(), row.saves ? 1u : 0u);
    const bool asked = !messages.shown.empty() &&
                       messages.shown[0] == "Do you want the new changes to be applied?";
    EXPECT_EQ(asked, row.asks);
    EXPECT_EQ(TSettingsStore().number(SettingId::CompressionType), row.asks ? 2u : 0u);
    EXPECT_TRUE(model->buttonsEnabled());
    EXPECT_EQ(drivesFilled, row.page == TMainWindowModel::PageDrives ? 1 : 0);
}

using MB = TMainWindowModel::MenuButton;
INSTANTIATE_TEST_SUITE_P(
    Pages, MenuRoutes,
    ::testing::Values(RouteRow{MB::Backup, 0, false, true}, RouteRow{MB::Restore, 1, true, true},
                      RouteRow{MB::Reports, 2, true, true}, RouteRow{MB::Tools, 3, true, true},
                      RouteRow{MB::Options, 4, true, false}, RouteRow{MB::Help, 5, true, true},
                      RouteRow{MB::Drives, 8, true, true}),
    qm::test::RowsNamedBy([](const RouteRow& row) { return "page_" + std::to_string(row.page); }));

TEST_F(MainWindowModelTest, AnsweringNoRestoresTheStoredSettings) {
    model->settings().setCompressionType(2);
    model->menuClick(MB::Help);
    EXPECT_EQ(model->settings().compressionType(), 0);
    EXPECT_EQ(TSettingsStore().number(SettingId::CompressionType), 0u);
}

TEST_F(MainWindowModelTest, CloseButtonHidesExitAsksAndNoKeepsRunning) {
    model->btn_closeClick();
    EXPECT_EQ(hides, 1);
    EXPECT_EQ(quits, 0);
    model->mnu_ExitClick();
    EXPECT_EQ(messages.shown.back(), "Are you sure you want to exit Quillmoor?");
    EXPECT_EQ(quits, 0);
    EXPECT_FALSE(model->closed());
    model->setSelectionsChanged(true);
    messages.answers.push_back(6);
    model->mnu_ExitClick();
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(saves, std::vector<bool>{true});
}

TEST_F(MainWindowModelTest, WithoutATrayCloseEndsTheProgramAfterAsking) {
    tray = false;
    model->btn_closeClick();
    EXPECT_EQ(messages.shown, std::vector<std::string>{"Are you sure you want to exit Quillmoor?"});
    EXPECT_EQ(quits, 0) << "No keeps it running, in view";
    EXPECT_EQ(hides, 0);
    messages.answers.push_back(6);
    model->btn_closeClick();
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(hides, 0);
}

struct ExchangeRow {
    uint32_t wParam;
    int64_t lParam;
    bool closes;
};

class Exchange : public MainWindowModelTest, public ::testing::WithParamInterface<ExchangeRow> {};

TEST_P(Exchange, CloseRequestsCloseWithoutAskingOnlyWhenWellFormed) {
    const ExchangeRow row = GetParam();
    model->WMM_APP_EXCHANGE(row.wParam, row.lParam);
    EXPECT_EQ(quits, row.closes ? 1 : 0);
    EXPECT_TRUE(messages.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Messages, Exchange,
    ::testing::Values(ExchangeRow{0x12012, 18, true}, ExchangeRow{0x12012, 17, false},
                      ExchangeRow{0x12013, 5, true}, ExchangeRow{0x12014, 18, false}),
    qm::test::RowsNamedBy([](const ExchangeRow& row) {
        std::ostringstream name;
        name << "message_" << std::hex << row.wParam << "_length_" << std::dec << row.lParam;
        return name.str();
    }));

TEST_F(MainWindowModelTest, CloseRequestDuringRunCancelsItAndClosesAfterIt) {
    FakeRun run;
    auto handle = model->beginRun(run);
    ASSERT_TRUE(handle);
    EXPECT_EQ(model->beginRun(run), nullptr) << "one run at a time";
    model->WMM_APP_EXCHANGE(0x12013, 0);
    EXPECT_EQ(run.cancels, 0) << "close-if-idle ignores a running job";
    model->WMM_APP_EXCHANGE(0x12012, 18);
    EXPECT_EQ(run.cancels, 1);
    EXPECT_EQ(quits, 0) << "the run still holds the window";
    handle.reset();
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(model->runActive());
}

TEST_F(MainWindowModelTest, TimersAndTrayWaitForTheWaitWindow) {
    model->ShowWaitForm(true, 4);
    model->ShowWaitForm(true, 4); // nested show: still one window
    model->Tmr_DrivesTimer();
    model->Tmr_DrivesTimer();
    model->mnu_StartBackupClick();
    EXPECT_EQ(polls, 0);
    EXPECT_EQ(model->activePage(), TMainWindowModel::PageStart);
    model->ShowWaitForm(false, 0);
    EXPECT_EQ(polls, 1);
    EXPECT_EQ(model->activePage(), TMainWindowModel::PageBackUp);
    EXPECT_TRUE(model->menuVisible());
    EXPECT_FALSE(model->busy().busy());
}

TEST_F(MainWindowModelTest, HidingTheWindowKeepsTheWaitBusyUntilItsWorkEnds) {
    model->ShowWaitForm(true, 4);
    model->FormHide(); // closed to the tray while a tree walk still runs
    model->Tmr_DrivesTimer();
    EXPECT_EQ(polls, 0) << "the walk's loop is still running";
    EXPECT_TRUE(model->busy().busy());
    model->ShowWaitForm(false, 0);
    EXPECT_EQ(polls, 1);
    EXPECT_FALSE(model->busy().busy());
}

TEST_F(MainWindowModelTest, TimersAndTrayWaitForTheWindowsOwnQuestions) {
    int pollsDuringQuestion = -1;
    messages.whileShown = [&] {
        messages.whileShown = nullptr;
        model->Tmr_DrivesTimer();
        model->mnu_StartBackupClick(); // reads the stored settings back onto the page
        pollsDuringQuestion = polls;
    };
    messages.answers.push_back(6);
    model->settings().setCompressionType(2);
    model->menuClick(MB::Help);
    EXPECT_EQ(pollsDuringQuestion, 0);
    EXPECT_EQ(polls, 1) << "deferred, not dropped";
    EXPECT_EQ(TSettingsStore().number(SettingId::CompressionType), 2u)
        << "Yes applies the changes the question was about";
    EXPECT_FALSE(model->busy().busy());
}

// The poll runs only when the window thread is free, and a media drive plugged in then
// becomes current and takes the user to the Backup page.
TEST_F(MainWindowModelTest, APluggedMediaDriveWaitsForTheBusyGuardThenLeadsToTheBackupPage) {
    model->Tmr_DrivesTimer();
    model->showPage(TMainWindowModel::PageRestore);
    model->ShowWaitForm(true, 4);
    sandbox.addDrive('G', DriveType::Removable);
    sandbox.writeFile("G:\\Quillmoor\\drives.dat", std::string(24, '\0'));
    model->Tmr_DrivesTimer();
    EXPECT_EQ(TSettingsStore().mediaDrive(), "");
    model->ShowWaitForm(false, 0);
    EXPECT_EQ(TSettingsStore().mediaDrive(), "G") << "deferred, not dropped";
    EXPECT_EQ(model->activePage(), TMainWindowModel::PageBackUp);
    EXPECT_EQ(shows, 0) << "the window was in view: it is not raised";
    EXPECT_TRUE(saves.empty()) << "no selection was loaded: none is written over the saved one";

    // In the tray, with a selection on screen: the ticks are saved before the drive
    // goes, and the next media drive opens the window on the Backup page.
    shown = false;
    model->setSelectionsChanged(true);
    model->showPage(TMainWindowModel::PageHelp);
    DriveTable::instance().unmap('G');
    model->Tmr_DrivesTimer();
    EXPECT_EQ(saves, std::vector<bool>{true});
    sandbox.addDrive('H', DriveType::Removable);
    sandbox.writeFile("H:\\Quillmoor\\drives.dat", std::string(24, '\0'));
    model->Tmr_DrivesTimer();
    EXPECT_EQ(TSettingsStore().mediaDrive(), "H");
    EXPECT_EQ(model->activePage(), TMainWindowModel::PageBackUp);
    EXPECT_EQ(shows, 1);
}

TEST_F(MainWindowModelTest, TrayTicksWriteAtOnceWithNotice) {
    model->mnu_StartBackupAutomaticallyClick();
    EXPECT_FALSE(model->settings().autoStart());
    EXPECT_FALSE(TSettingsStore().flag(SettingId::AutoBackup));
    EXPECT_EQ(messages.shown.back(), "New settings applied.");
    model->mnu_DisableAutoLaunchClick();
    EXPECT_TRUE(TSettingsStore().flag(SettingId::AutoLaunch));
}

TEST_F(MainWindowModelTest, ReminderTimerRemindsWhenTickedAndNotDuringRun) {
    model->settings().setReminderTick(true);
    FakeRun run;
    {
        auto handle = model->beginRun(run);
        model->TmrRemindTimer();
        EXPECT_EQ(reminders, 0);
    }
    EXPECT_EQ(reminders, 1) << "deferred, not dropped";
    model->TmrRemindTimer();
    EXPECT_EQ(reminders, 1) << "one reminder window at a time";
}

} // namespace
} // namespace qm
