#include "controls/addtoexceptionlst.h"
#include "controls/frmreminder.h"
#include "controls/frmselectdir.h"
#include "controls/frmsplash.h"
#include "controls/frmwait.h"
#include "platform/answerscript.h"
#include "support/rowname.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>

namespace qm {
namespace {

TEST(InputDialogTest, BrowseKeepsOnlyTheFileName) {
    TAddToExceptionModel model("Enter file name:", "old", true);
    model.fileChosen("/home/user/docs/report.doc");
    EXPECT_EQ(model.text(), "report.doc");
    model.fileChosen("C:\\dir\\sub\\a.txt");
    EXPECT_EQ(model.text(), "a.txt");
    model.fileChosen("");
    EXPECT_EQ(model.text(), "a.txt");
}

TEST(InputDialogTest, EnterAndEscapeInTheEdit) {
    TaddToExceptionLst dialog(nullptr, "Enter file extension (do not include dot):", "tmp", false);
    auto* edit = dialog.findChild<QLineEdit*>("edt_Data");
    ASSERT_NE(edit, nullptr);
    EXPECT_FALSE(dialog.findChild<QWidget*>("imr_Browse")->isVisibleTo(&dialog));
    QTimer::singleShot(0, edit, [edit] {
        QTest::keyClicks(edit, "x");
        QTest::keyClick(edit, Qt::Key_Return);
    });
    EXPECT_EQ(dialog.exec(), 1);
    EXPECT_EQ(dialog.text(), "tmpx");
    QTimer::singleShot(0, edit, [edit] { QTest::keyClick(edit, Qt::Key_Escape); });
    EXPECT_EQ(dialog.exec(), 2);
}

TEST(InputDialogTest, ScriptAnswersThePrompt) {
    AnswerScript::instance().reset();
    AnswerScript::instance().addAnswer("Enter file name:", "pagefile.sys");
    std::string text;
    EXPECT_EQ(TaddToExceptionLst::ask(nullptr, "Enter file name:", text, true), 1);
    EXPECT_EQ(text, "pagefile.sys");
    EXPECT_EQ(TaddToExceptionLst::ask(nullptr, "Enter file name:", text, true), 2);
    EXPECT_EQ(text, "pagefile.sys");
    AnswerScript::instance().reset();
}

struct PlaceRow {
    std::optional<QRect> tray;
    QPoint expected;
};

class ReminderPlaceTest : public ::testing::TestWithParam<PlaceRow> {};

TEST_P(ReminderPlaceTest, StaysInsideTheScreen) {
    const QRect available(0, 0, 1024, 740);
    EXPECT_EQ(TReminderModel::place(GetParam().tray, available, QSize(195, 68)),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReminderPlaceTest,
    ::testing::Values(PlaceRow{QRect(900, 745, 16, 16), QPoint(765, 665)},  // beside the tray
                      PlaceRow{QRect(1000, 750, 16, 16), QPoint(829, 670)}, // clamped right
                      PlaceRow{QRect(20, 10, 16, 16), QPoint(0, 0)},        // clamped top left
                      PlaceRow{std::nullopt, QPoint(829, 672)}),
    qm::test::RowsNamedBy([](const PlaceRow& row) {
        if (!row.tray)
            return std::string("unknown_tray");
        return "tray_at_" + std::to_string(row.tray->x()) + "_" + std::to_string(row.tray->y());
    })); // unknown tray

TEST(ReminderTest, ButtonsRunTheirActionsAndHide) {
    TFrmReminder reminder;
    int backups = 0, turnOffs = 0;
    reminder.model().onBackup = [&] { ++backups; };
    reminder.model().onTurnOff = [&] { ++turnOffs; };
    reminder.show();
    QTest::mouseClick(reminder.findChild<QWidget*>("Imr_Cancel"), Qt::LeftButton);
    EXPECT_EQ(turnOffs, 1);
    EXPECT_FALSE(reminder.isVisible());
    reminder.show();
    QTest::mouseClick(reminder.findChild<QWidget*>("imr_Backup"), Qt::LeftButton);
    EXPECT_EQ(backups, 1);
    reminder.show();
    QTest::mouseClick(reminder.findChild<QWidget*>("img_Close"), Qt::LeftButton);
    EXPECT_FALSE(reminder.isVisible());
    EXPECT_EQ(backups + turnOffs, 2);
}

TEST(WaitTest, PagesByIndex) {
    QWidget owner;
    for (int i = 0; i < TFrmWait::kPageCount; ++i) {
        TFrmWait wait(i, &owner);
        auto* pages = wait.findChild<QStackedWidget*>("pgc_Main");
        EXPECT_EQ(pages->currentWidget()->objectName(), QString::fromLatin1(TFrmWait::pageName(i)));
        EXPECT_FALSE(wait.findChild<QWidget*>("Pnl_prg")->isVisibleTo(&wait));
    }
    EXPECT_EQ(TFrmWait(9, &owner).pageIndex(), 0);
}

TEST(SplashTest, TimerHidesTheWindow) {
    TFrmSplash splash;
    EXPECT_EQ(splash.timer()->interval(), TFrmSplash::kInterval);
    EXPECT_TRUE(splash.timer()->isActive());
    splash.show();
    splash.timer()->setInterval(1);
    QTRY_VERIFY_WITH_TIMEOUT(!splash.isVisible(), 5000);
}

TEST(SelectDirModelTest, WalksFoldersOfTheDriveTable) {
    test::Sandbox sandbox;
    sandbox.writeFile("C:\\Data\\Photos\\a.jpg", "a");
    sandbox.writeFile("C:\\Data\\Music\\b.mp3", "b");
    TSelectDirModel model;
    model.start();
    ASSERT_EQ(model.drives(), (std::vector<std::string>{"C:\\", "E:\\"}));
    EXPECT_EQ(model.selectedPath(), "C:\\");
    auto find = [&](const std::string& text) {
        for (size_t i = 0; i < model.items().size(); ++i)
            if (model.items()[i].text == text)
                return int(i);
        return -1;
    };
    model.open(find("Data"));
    EXPECT_EQ(model.currentFolder(), "C:\\Data");
    model.select(find("Photos"));
    EXPECT_EQ(model.selectedPath(), "C:\\Data\\Photos");
    std::string path = "unchanged";
    model.finish(path);
    EXPECT_EQ(path, "C:\\Data\\Photos");
    model.selectDrive(1);
    EXPECT_EQ(model.selectedPath(), "E:\\");
}

TEST(SelectDirModelTest, NoDrivesLeavesPathUnchanged) {
    TSelectDirModel model([] { return std::vector<std::string>{}; });
    model.start();
    std::string path = "C:\\old";
    model.finish(path);
    EXPECT_EQ(path, "C:\\old");
}

TEST(SelectFolderTest, CancelStillTakesTheSelectedPathButReportsFalse) {
    test::Sandbox sandbox;
    sandbox.writeFile("C:\\Data\\x.txt", "x");
    TFrmSelectDir picker;
    QTimer::singleShot(0, &picker, [&picker] {
        QTest::mouseClick(picker.findChild<QWidget*>("imr_Cancel_"), Qt::LeftButton);
    });
    std::string path = "C:\\old";
    EXPECT_EQ(picker.Execute(path), 2);
    EXPECT_EQ(path, "C:\\");
    // C:\, then its folders: Data and the sandbox's program folder.
    EXPECT_EQ(picker.findChild<QListWidget*>("DirListBox")->count(), 3);
}

TEST(SelectFolderTest, ScriptChoosesAnExistingFolderOnly) {
    test::Sandbox sandbox;
    sandbox.writeFile("C:\\Restore\\x.txt", "x");
    AnswerScript::instance().reset();
    AnswerScript::instance().addAnswer("SelectFolder", "C:\\Restore");
    AnswerScript::instance().addAnswer("SelectFolder", "C:\\Missing");
    std::string path;
    EXPECT_TRUE(SelectFolder(path));
    EXPECT_EQ(path, "C:\\Restore");
    EXPECT_FALSE(SelectFolder(path));
    AnswerScript::instance().reset();
}

} // namespace
} // namespace qm
