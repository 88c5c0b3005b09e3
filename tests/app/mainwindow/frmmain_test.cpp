#include "app/mainwindow/frmmain.h"

#include "app/drives/mediadrives.h"
#include "app/mainwindow/traymenu.h"
#include "app/pages/backup/backuppage.h"
#include "app/stores/reportstore.h"
#include "app/stores/settingsstore.h"
#include "controls/ashint.h"
#include "controls/ashintwindow.h"
#include "controls/frmreminder.h"
#include "controls/frmselectdir.h"
#include "controls/frmwait.h"
#include "controls/imageregion.h"
#include "controls/skin.h"
#include "platform/answerscript.h"
#include "platform/fileio.h"
#include "platform/registry.h"
#include "scriptedmessages.h"
#include "support/qt/mouseclick.h"
#include "support/sandbox.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <set>

namespace qm {
namespace {

class FrmMainTest : public ::testing::Test {
  protected:
    FrmMainTest() {
        AnswerScript::instance().reset();
        AnswerScript::instance().start();
    }
    ~FrmMainTest() override { AnswerScript::instance().reset(); }

    std::unique_ptr<TfrmMain> make(TMainTimings timings = {}) {
        TMainWindowSetup setup;
        setup.timings = timings;
        setup.splashShown = true;
        setup.duplicateCheck = [this] { ++polls; };
        setup.openUrl = [this](const char* url) { opened.push_back(url); };
        setup.trayAvailable = [this] { return tray; };
        setup.message = message;
        return std::make_unique<TfrmMain>(std::move(setup));
    }
    template <typename W> W* child(TfrmMain& w, const char* name) {
        W* found = w.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    // A press and release sent straight to the widget.
    static void press(QWidget* widget, QPoint at) { test::leftClick(widget, at); }
    // Check boxes answer clicks on their box and caption only.
    void tick(TfrmMain& w, const char* name) {
        if (auto* box = child<QAbstractButton>(w, name))
            press(box, QPoint(6, box->height() / 2));
    }
    void click(TfrmMain& w, const char* name) {
        if (auto* button = child<TImageRegion>(w, name))
            press(button, QPoint(3, 3));
    }
    std::vector<std::string> asked() const {
        std::vector<std::string> texts;
        for (const AnswerRecord& r : AnswerScript::instance().records())
            texts.push_back(r.text);
        return texts;
    }

    test::Sandbox sandbox;
    int polls = 0;
    std::vector<std::string> opened;
    bool tray = true;
    MessageFn message; // the scripted message box unless set
};

TEST_F(FrmMainTest, LogoButtonsOnTheWelcomePageAndBottomStripOpenAddresses) {
    auto w = make();
    w->show();
    for (const char* name : {"ImageRegion4", "imr_Logo_1", "imr_Logo2", "imr_Logo3"}) {
        EXPECT_TRUE(child<QWidget>(*w, name)->isVisible()) << name;
        click(*w, name);
    }
    EXPECT_FALSE(child<QWidget>(*w, "img_logo")->isVisible()) << "hidden until the menu shows";
    w->model().ShowMenuPanel();
    click(*w, "img_logo");
    ASSERT_EQ(opened.size(), 5u);
    EXPECT_EQ(opened[0], "https://www.quillmoor.example/");
    EXPECT_EQ(opened[4], opened[0]);
    EXPECT_EQ(std::set<std::string>(opened.begin(), opened.end()).size(), 4u)
        << "three product pages of their own";
}

TEST_F(FrmMainTest, TheBackupPageLoadsTheMediaDrivesSelectionAndLeavingItSavesTheTicks) {
    ASSERT_TRUE(MakeMediaDrive("E:\\"));
    SetMediaDriveSetting("(E:\\)");
    createFolderChain("C:\\dir");
    createFolderChain("C:\\kept");
    sandbox.writeFile("E:\\Quillmoor\\Selections\\BackupSelFolders.dat", "C:\\kept\r\n");
    auto w = make();
    w->model().welcomeClick(TMainWindowModel::PageBackUp);
    auto* combo = child<QComboBox>(*w, "cbMediaDrive");
    ASSERT_EQ(combo->count(), 1);
    EXPECT_EQ(combo->currentText(), "(E:\\)");
    TQMFolderTreeModel& tree = w->backupPage()->model().tree();
    EXPECT_EQ(tree.FindFolderNode("C:\\kept")->state, 2) << "showing the page applies it";
    ASSERT_TRUE(tree.click(tree.FindFolderNode("C:\\dir")));
    w->model().menuClick(TMainWindowModel::MenuButton::Restore);
    EXPECT_EQ(sandbox.readFile("E:\\Quillmoor\\Selections\\BackupSelFolders.dat"),
              "C:\\dir\r\nC:\\kept\r\n");
    EXPECT_TRUE(w->model().selectionsChanged());
}

// The Reports page follows the media drive in force: a media drive plugged in while the
// page shows becomes the one in its box and list, and when it goes the box and the list
// go back to a drive that is there.
TEST_F(FrmMainTest, TheReportsPageShowsTheMediaDriveTheDrivePollPutInForce) {
    const auto report = [](const char* type, const std::string& root) {
        TActivityRecord record;
        record.ActivityType = type;
        record.StartTime = 46000.5;
        SaveReport(record, root, "C:\\program\\Log.txt");
    };
    ASSERT_TRUE(MakeMediaDrive("E:\\"));
    SetMediaDriveSetting("(E:\\)");
    report("Backup", "E:\\");
    auto w = make();
    w->show(); // in view: the plug-in changes nothing but the drives
    w->model().menuClick(TMainWindowModel::MenuButton::Reports);
    auto* box = child<QComboBox>(*w, "cbMediaDriveRep");
    auto* list = child<QTreeWidget>(*w, "lv_Reports");
    const auto firstRow = [list] {
        return list->topLevelItemCount() ? list->topLevelItem(0)->text(0).toStdString() : "";
    };
    ASSERT_EQ(firstRow(), "Backup");
    sandbox.addDrive('G', DriveType::Removable);
    ASSERT_TRUE(MakeMediaDrive("G:\\"));
    report("Restore", "G:\\");
    w->model().Tmr_DrivesTimer();
    EXPECT_EQ(TSettingsStore().mediaDrive(), "G");
    EXPECT_EQ(box->currentText(), "(G:\\)");
    EXPECT_EQ(firstRow(), "Restore");
    DriveTable::instance().unmap('G');
    w->model().Tmr_DrivesTimer();
    EXPECT_EQ(box->currentText(), "(E:\\)");
    EXPECT_EQ(firstRow(), "Backup");
    EXPECT_EQ(TSettingsStore().mediaDrive(), "E");
}

TEST_F(FrmMainTest, PagesCarryTheirNamesAtTheirIndices) {
    auto w = make();
    QStackedWidget* pages = child<QStackedWidget>(*w, "pgc_Main");
    ASSERT_NE(pages, nullptr);
    const char* names[] = {"TS_BackUp", "TS_Restore", "TS_Reports", "TS_Sync",  "TS_Settings",
                           "TS_Help",   "TS_Start",   "",           "TS_Drives"};
    ASSERT_EQ(pages->count(), 9);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(pages->widget(i)->objectName().toStdString(), names[i]) << i;
    EXPECT_EQ(pages->currentIndex(), 6);
    EXPECT_EQ(w->windowTitle(), "Quillmoor Main Window");
    EXPECT_EQ(w->size(), QSize(790, 580));
}

TEST_F(FrmMainTest, WelcomeAndMenuButtonsSwitchPagesAndShowTheMenu) {
    auto w = make();
    w->show();
    EXPECT_FALSE(child<QWidget>(*w, "Pnl_mnu")->isVisible());
    click(*w, "btn_welcome_help");
    EXPECT_EQ(w->pages()->currentIndex(), 5);
    EXPECT_TRUE(child<QWidget>(*w, "Pnl_mnu")->isVisible());
    click(*w, "btn_options");
    EXPECT_EQ(w->pages()->currentIndex(), 4);
    click(*w, "btn_Drives");
    EXPECT_EQ(w->pages()->currentIndex(), 8);
    EXPECT_TRUE(asked().empty()) << "nothing changed, nothing asked";
    EXPECT_TRUE(child<QWidget>(*w, "btn_Backup")->isEnabled());
}

TEST_F(FrmMainTest, SettingsWidgetsFollowTheirRulesAndApplyWrites) {
    auto w = make();
    w->show();
    click(*w, "btn_welcome_settings");
    tick(*w, "chkReminder");
    EXPECT_EQ(child<QLineEdit>(*w, "edtRemday")->text(), "1");
    EXPECT_TRUE(child<QWidget>(*w, "imr_Rem1")->isEnabled());
    click(*w, "imr_Rem1");
    EXPECT_EQ(child<QLineEdit>(*w, "edtRemday")->text(), "2");
    EXPECT_FALSE(child<QWidget>(*w, "cbKeySize")->isEnabled());
    tick(*w, "chkEncription");
    EXPECT_TRUE(child<QWidget>(*w, "cbKeySize")->isEnabled());
    click(*w, "btn_apply");
    EXPECT_EQ(asked(), std::vector<std::string>{"New settings applied."});
    EXPECT_EQ(TSettingsStore().number(SettingId::Reminder), 2u);
    EXPECT_EQ(TSettingsStore().number(SettingId::Encryption), 1u);
}

// A click on the level bar's groove with "No compression" ticked: the message box opens
// under the pressed button and takes its release, as a modal box does. One message, the
// knob where it was, nothing to apply, and no stepping under the message or after it.
TEST_F(FrmMainTest, AGrooveClickWithoutCompressionIsRefusedOnceAndTheKnobStays) {
    test::ScriptedMessages messages;
    messages.whileShown = [] { QTest::qWait(700); }; // past the slider's repeat delay
    message = messages.fn();
    auto w = make();
    w->show();
    click(*w, "btn_welcome_settings");
    auto* level = child<QSlider>(*w, "tb_ComprQty");
    ASSERT_EQ(level->value(), 1);
    QTest::mousePress(level, Qt::LeftButton, {}, QPoint(level->width() - 4, level->height() / 2));
    QTest::qWait(700); // the user reads on after closing the box
    EXPECT_EQ(messages.shown,
              std::vector<std::string>{
                  "Compression feature has not been enabled.  Please select Compression Type."});
    EXPECT_EQ(level->value(), 1);
    EXPECT_EQ(w->model().settings().level(), 1);
    EXPECT_FALSE(w->model().settings().FindChanges()) << "leaving the page asks nothing";
}

// The mouse wheel over the level bar with "No compression" ticked and a stored level
// the bar never had the focus at: refused like a press, the knob stays on that level.
TEST_F(FrmMainTest, AWheelOverTheLevelWithoutCompressionIsRefusedAndTheKnobStays) {
    TSettingsStore().setNumber(SettingId::Compression, 5);
    test::ScriptedMessages messages;
    message = messages.fn();
    auto w = make();
    w->show();
    click(*w, "btn_welcome_settings");
    auto* level = child<QSlider>(*w, "tb_ComprQty");
    ASSERT_EQ(level->value(), 5);
    const QPointF at(level->width() / 2.0, level->height() / 2.0);
    for (const int notch : {120, -120}) {
        QWheelEvent wheel(at, level->mapToGlobal(at), QPoint(), QPoint(0, notch), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(level, &wheel);
    }
    EXPECT_EQ(messages.shown,
              std::vector<std::string>(
                  2, "Compression feature has not been enabled.  Please select Compression Type."));
    EXPECT_EQ(level->value(), 5);
    EXPECT_EQ(w->model().settings().level(), 5);
    EXPECT_FALSE(w->model().settings().FindChanges()) << "leaving the page asks nothing";
}

TEST_F(FrmMainTest, LeavingChangedSettingsAsksAndNoRestores) {
    auto w = make();
    w->show();
    click(*w, "btn_welcome_settings");
    tick(*w, "Rb_Multiple");
    ASSERT_TRUE(child<QRadioButton>(*w, "Rb_Multiple")->isChecked());
    AnswerScript::instance().addAnswer("new changes to be applied", "7");
    click(*w, "btn_Help");
    EXPECT_EQ(asked(), std::vector<std::string>{"Do you want the new changes to be applied?"});
    EXPECT_TRUE(child<QRadioButton>(*w, "Rb_NoCompression")->isChecked());
}

TEST_F(FrmMainTest, EveryTickOfTheSettingsPageIsWrittenByApply) {
    struct Tick {
        const char* widget;
        SettingId id;
    };
    const Tick ticks[] = {
        {"chb_LogFile", SettingId::Log},           {"chb_UseExeptList", SettingId::ExeptList},
        {"chb_SaveSel", SettingId::SaveSelection}, {"cb_AutoStart", SettingId::AutoBackup},
        {"cb_AutoLaunch", SettingId::AutoLaunch},  {"chb_Updater", SettingId::Updater},
    };
    auto w = make();
    w->show();
    click(*w, "btn_welcome_settings");
    for (const Tick& t : ticks)
        tick(*w, t.widget);
    click(*w, "btn_apply");
    TfrmMain fresh(TMainWindowSetup{});
    for (const Tick& t : ticks) {
        EXPECT_EQ(TSettingsStore().flag(t.id),
                  !TSettingsStore::clamp(settingDef(t.id), settingDef(t.id).defaultValue))
            << t.widget;
        EXPECT_EQ(child<QCheckBox>(fresh, t.widget)->isChecked(), TSettingsStore().flag(t.id))
            << t.widget << " read back";
    }
}

TEST_F(FrmMainTest, SettingsButtonsWearTheSkinAndTheReminderEditStandsInItsCaption) {
    const std::pair<const char*, const char*> faces[] = {
        {"btn_apply", "button_apply"},  {"imr_SetDef", "button_default"},
        {"imr_Rev1", "button_spin_up"}, {"imr_Rev2", "button_spin_down"},
        {"imr_Rem1", "button_spin_up"}, {"imr_Rem2", "button_spin_down"},
    };
    auto w = make();
    w->show();
    click(*w, "btn_welcome_settings");
    for (const auto& [name, skin] : faces) {
        auto* button = child<TImageRegion>(*w, name);
        const QString face = QString::fromLatin1(skin);
        EXPECT_EQ(button->picture().toImage(), skinPicture(face, button->size()).toImage()) << name;
        EXPECT_EQ(button->bitMapEnter().toImage(),
                  skinPicture(face + "_hover", button->size()).toImage())
            << name;
    }
    // "Remind me to backup my data every [edit] days", on one line.
    auto* edit = child<QWidget>(*w, "edtRemday");
    QLabel *before = nullptr, *after = nullptr;
    for (QLabel* label : w->findChildren<QLabel*>()) {
        if (label->text() == "Remind me to backup my data every")
            before = label;
        if (label->text() == "days")
            after = label;
    }
    ASSERT_TRUE(before && after);
    const QRect edge = edit->geometry();
    EXPECT_GE(edge.left(), before->geometry().right()) << "after the caption's start";
    EXPECT_LE(edge.right(), after->geometry().left()) << "before \"days\"";
    for (QLabel* label : {before, after}) {
        EXPECT_GE(label->width(), label->sizeHint().width()) << "not cut";
        EXPECT_TRUE(label->geometry().intersects(QRect(0, edge.top(), 10000, edge.height())))
            << "on the edit's line";
    }
}

TEST_F(FrmMainTest, TheSmallWindowShowsEverySettingWithApplyAndDefaultInView) {
    auto w = make();
    w->show();
    click(*w, "btn_welcome_settings");
    ASSERT_EQ(w->size(), QSize(790, 580));
    auto* page = child<QWidget>(*w, "TS_Settings");
    for (const char* name : {"RG_winsize", "chb_UseExeptList", "chb_Updater", "lb_Exeptions",
                             "imr_Ext_Del", "imr_SetDef", "btn_apply"}) {
        auto* widget = child<QWidget>(*w, name);
        const QRect at(widget->mapTo(page, QPoint(0, 0)), widget->size());
        EXPECT_TRUE(page->rect().contains(at)) << name << " lies outside the page";
    }
}

TEST_F(FrmMainTest, ButtonsWithoutAPictureOfTheirOwnWearTheSkinsFace) {
    auto w = make();
    w->show();
    for (const char* name : {"imr_Exept_Add", "imr_Ext_Del", "imr_Restore", "imr_DeleteSel",
                             "imr_drives_r", "imr_Print", "imr_DelAll"}) {
        auto* button = child<TImageRegion>(*w, name);
        // The skin's face is a light body in a dark outline, not a flat panel-coloured box.
        const QImage face = button->picture().toImage();
        const QColor body = face.pixelColor(face.width() / 2, 2);
        EXPECT_GT(body.lightness(), 200) << name;
        EXPECT_LT(face.pixelColor(face.width() / 2, 0).lightness(), 120) << name << " outline";
    }
}

TEST_F(FrmMainTest, TheTickOrDotOfEveryOptionStandsOutFromItsBox) {
    auto w = make();
    w->show();
    w->model().ShowMenuPanel();
    for (const char* page : {"TS_BackUp", "TS_Restore", "TS_Settings", "TS_Sync"}) {
        for (QAbstractButton* option : child<QWidget>(*w, page)->findChildren<QAbstractButton*>()) {
            if (!qobject_cast<QCheckBox*>(option) && !qobject_cast<QRadioButton*>(option))
                continue;
            option->ensurePolished();
            const QPalette palette = option->palette();
            const int mark = palette.color(QPalette::Active, QPalette::Text).lightness();
            const int box = palette.color(QPalette::Active, QPalette::Base).lightness();
            EXPECT_GT(std::abs(mark - box), 120) << option->objectName().toStdString();
        }
    }
}

TEST_F(FrmMainTest, DefaultAndApplyResizeTheWindowBeforeTheirNotice) {
    TSettingsStore store;
    store.setNumber(SettingId::Width, 1010);
    store.setNumber(SettingId::Height, 750);
    std::vector<std::pair<std::string, QSize>> notices;
    TfrmMain* window = nullptr;
    message = [&](int, const std::string& text) {
        notices.emplace_back(text, window->size());
        return kResultYes;
    };
    auto w = make();
    window = w.get();
    w->show();
    click(*w, "btn_welcome_settings");
    click(*w, "imr_SetDef");
    click(*w, "btn_Help");
    EXPECT_EQ(TSettingsStore().number(SettingId::Width), 790u);
    EXPECT_EQ(TSettingsStore().number(SettingId::Height), 580u);
    EXPECT_EQ(w->size(), QSize(790, 580));
    click(*w, "btn_options");
    tick(*w, "RG_winsize_1");
    click(*w, "btn_apply");
    using Notice = std::pair<std::string, QSize>;
    EXPECT_EQ(notices, (std::vector<Notice>{{"Default settings applied.", QSize(790, 580)},
                                            {"New settings applied.", QSize(1010, 750)}}))
        << "no apply-changes question after Default";
}

TEST_F(FrmMainTest, OutlineFollowsTheWindowSize) {
    for (const bool large : {false, true}) {
        TSettingsStore store;
        store.setNumber(SettingId::Width, large ? 1010 : 790);
        store.setNumber(SettingId::Height, large ? 750 : 580);
        auto w = make();
        const QRegion outline = w->mask();
        EXPECT_FALSE(outline.contains(QPoint(1, 1))) << large << ": the top-left corner is cut";
        EXPECT_FALSE(outline.contains(QPoint(w->width() - 3, 3))) << large << ": beside the tab";
        EXPECT_TRUE(outline.contains(QPoint(w->width() / 2, w->height() / 2))) << large;
        EXPECT_EQ(outline.boundingRect().right(), w->width() - 1) << large;
    }
}

TEST_F(FrmMainTest, WithoutATrayClosingTheWindowEndsTheProgram) {
    tray = false;
    auto w = make();
    w->show();
    AnswerScript::instance().addAnswer("exit Quillmoor", "7");
    click(*w, "btn_welcome_exit");
    EXPECT_FALSE(w->ended());
    EXPECT_TRUE(w->isVisible()) << "No keeps the window in view";
    AnswerScript::instance().addAnswer("exit Quillmoor", "6");
    w->close();
    EXPECT_TRUE(w->ended());
    EXPECT_EQ(asked().size(), 2u);
}

TEST_F(FrmMainTest, HintsAreBalloonsOnceTheWindowExists) {
    auto w = make();
    w->show();
    auto* hint = w->findChild<TASHint*>(QStringLiteral("ASHint1"));
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->Active());
    EXPECT_EQ(hint->settings().FrameWidth, 1);
    EXPECT_EQ(hint->settings().RoundSize, 8);
    EXPECT_EQ(hint->settings().FrameFade, 35);
    EXPECT_TRUE(hint->settings().AutoFrameColor);
    QWidget* button = child<QWidget>(*w, "btn_welcome_help");
    QHelpEvent request(QEvent::ToolTip, QPoint(5, 5), button->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(button, &request);
    ASSERT_NE(TASHintWindow::current(), nullptr);
    EXPECT_TRUE(TASHintWindow::current()->isVisible());
    EXPECT_EQ(TASHintWindow::current()->hintText(), "Get help");
    EXPECT_FALSE(QToolTip::isVisible());
}

TEST_F(FrmMainTest, FolderPickerOffersSourceDrivesAndBringsTheWindowUp) {
    ASSERT_TRUE(MakeMediaDrive("E:\\"));
    auto w = make();
    TFrmSelectDir picker;
    picker.prepare();
    EXPECT_EQ(picker.model().drives(), std::vector<std::string>{"C:\\"}) << "no media drive";
    EXPECT_FALSE(w->isVisible());
    picker.show();
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(child<QWidget>(*w, "Pnl_mnu")->isVisible());
}

TEST_F(FrmMainTest, LargeWindowSizeComesFromTheStore) {
    TSettingsStore store;
    store.setNumber(SettingId::Width, 1010);
    store.setNumber(SettingId::Height, 750);
    auto w = make();
    EXPECT_EQ(w->size(), QSize(1010, 750));
    EXPECT_TRUE(child<QRadioButton>(*w, "RG_winsize_1")->isChecked());
}

TEST_F(FrmMainTest, TrayExitAsksAndNoKeepsTheProgram) {
    auto w = make();
    QAction* exit = w->tray().item("mnu_Exit");
    ASSERT_NE(exit, nullptr);
    AnswerScript::instance().addAnswer("exit Quillmoor", "7");
    exit->trigger();
    EXPECT_FALSE(w->ended());
    AnswerScript::instance().addAnswer("exit Quillmoor", "6");
    exit->trigger();
    EXPECT_TRUE(w->ended());
    EXPECT_EQ(asked().size(), 2u);
}

TEST_F(FrmMainTest, TrayTickWritesAtOnceAndSettingsTickFollows) {
    auto w = make();
    w->tray().item("mnu_StartBackupAutomatically")->trigger();
    EXPECT_FALSE(TSettingsStore().flag(SettingId::AutoBackup));
    EXPECT_FALSE(child<QCheckBox>(*w, "cb_AutoStart")->isChecked());
    EXPECT_FALSE(w->tray().item("mnu_StartBackupAutomatically")->isChecked());
    EXPECT_EQ(asked(), std::vector<std::string>{"New settings applied."});
}

TEST_F(FrmMainTest, TrayOffersOnlyShowAndTheTicksWhileARunIsShown) {
    struct Run : TRunControl {
        void requestCancel() override {}
    } run;
    auto w = make();
    const char* locked[] = {"mnu_StartBackup", "mnu_LaunchFileSync", "mnu_FileSyncSettings",
                            "mnu_FileSynchronization", "mnu_Exit"};
    const char* ticks[] = {"mnu_LoadFileSyncinStartups", "mnu_StartBackupAutomatically",
                           "mnu_DisableAutoLaunch"};
    {
        auto handle = w->beginRun(run);
        ASSERT_NE(handle, nullptr);
        EXPECT_TRUE(w->tray().item("mnu_ShowMainWindow")->isVisible());
        for (const char* name : locked)
            EXPECT_FALSE(w->tray().item(name)->isEnabled()) << name;
        for (const char* name : ticks)
            EXPECT_TRUE(w->tray().item(name)->isEnabled()) << name;
    }
    EXPECT_FALSE(w->tray().item("mnu_ShowMainWindow")->isVisible());
    for (const char* name : locked)
        EXPECT_TRUE(w->tray().item(name)->isEnabled()) << name << " back after the run";
}

TEST_F(FrmMainTest, TrayClickBringsTheWindowForwardOnlyOutsideARun) {
    struct Run : TRunControl {
        void requestCancel() override {}
    } run;
    auto w = make();
    w->show();
    QWidget other;
    // The window that is active right after the click, before the menu closes.
    auto clickTray = [&](QSystemTrayIcon::ActivationReason reason) {
        other.show();
        other.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&other));
        emit w->tray().icon()->activated(reason);
        QTest::qWait(50);
        QWidget* active = QApplication::activeWindow();
        w->tray().menu()->hide();
        return active;
    };
    {
        auto handle = w->beginRun(run);
        EXPECT_EQ(clickTray(QSystemTrayIcon::Context), &other) << "no foreground during a run";
    }
    EXPECT_EQ(clickTray(QSystemTrayIcon::Context), w.get());
}

// Clicks on the tray icon as a user makes them: while the menu is open, a click goes to
// the menu (a popup closes on a click outside it) and never reaches the icon.
TEST_F(FrmMainTest, TrayClickPopsUpTheMenuAndADoubleClickOpensTheWindow) {
    auto w = make();
    QMenu* menu = w->tray().menu();
    auto clickIcon = [&](QSystemTrayIcon::ActivationReason reason) {
        if (menu->isVisible())
            menu->hide();
        else
            emit w->tray().icon()->activated(reason);
    };
    clickIcon(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, 5000)) << "a click's menu";
    EXPECT_FALSE(w->isVisible());
    clickIcon(QSystemTrayIcon::Trigger);
    ASSERT_FALSE(menu->isVisible());
    // A desktop tells the second click of a double click as such, or as another click.
    for (const auto second : {QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Trigger}) {
        w->hide();
        clickIcon(QSystemTrayIcon::Trigger);
        QTest::qWait(100); // well within the double-click time
        clickIcon(second);
        QTest::qWait(QApplication::doubleClickInterval() + 100);
        EXPECT_TRUE(w->isVisible()) << second;
        EXPECT_FALSE(menu->isVisible()) << second;
    }
}

TEST_F(FrmMainTest, WaitWindowDisablesOnlyWhileShownAndDefersThePoll) {
    auto w = make();
    w->show();
    w->model().ShowWaitForm(true, 4);
    ASSERT_NE(w->waitWindow(), nullptr);
    EXPECT_EQ(w->waitWindow()->pageIndex(), 4);
    EXPECT_FALSE(w->pages()->isEnabled());
    const int before = polls;
    w->model().Tmr_DrivesTimer();
    EXPECT_EQ(polls, before);
    w->hide(); // hiding frees the wait window and never leaves the window disabled
    EXPECT_EQ(w->waitWindow(), nullptr);
    EXPECT_TRUE(w->pages()->isEnabled());
    QTest::qWait(50);
    EXPECT_EQ(polls, before) << "the work that showed the wait window still runs";
    w->model().ShowWaitForm(false, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return polls > before; }, 5000));
}

TEST_F(FrmMainTest, TimersRunWithInjectedIntervals) {
    auto w = make({20, 10000, 3600000});
    EXPECT_EQ(w->timer("Tmr_Drives")->interval(), 20);
    EXPECT_EQ(w->timer("TmrRemind")->interval(), 10000);
    EXPECT_EQ(w->timer("tmr_Updater")->interval(), 3600000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return polls >= 2; }, 5000));
}

TEST_F(FrmMainTest, ReminderWindowOpensOnceAndTurnOffSavesQuietly) {
    TSettingsStore().setNumber(SettingId::Reminder, 2);
    auto w = make({3600000, 10, 3600000});
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->reminderWindow() != nullptr; }, 5000));
    TFrmReminder* first = w->reminderWindow();
    QTest::qWait(50);
    EXPECT_EQ(w->reminderWindow(), first) << "one reminder window at a time";
    auto* off = first->findChild<TImageRegion*>(QStringLiteral("Imr_Cancel"));
    ASSERT_NE(off, nullptr);
    press(off, QPoint(3, 3));
    EXPECT_EQ(TSettingsStore().number(SettingId::Reminder), 0u);
    EXPECT_TRUE(asked().empty());
}

TEST_F(FrmMainTest, EveryShownPageRendersAtWindowSize) {
    auto w = make();
    w->show();
    w->model().ShowMenuPanel();
    const QString dir = qEnvironmentVariable("QM_SCREENSHOT_DIR"); // for a reviewer's eye
    for (int page : {6, 4, 5}) {
        w->model().showPage(page);
        const QImage image = w->grab().toImage();
        EXPECT_EQ(image.size(), QSize(790, 580));
        if (!dir.isEmpty())
            image.save(QStringLiteral("%1/frmMain_page%2.png").arg(dir).arg(page));
    }
}

} // namespace
} // namespace qm
