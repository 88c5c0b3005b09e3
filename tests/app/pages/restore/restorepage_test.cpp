// The road of a user through the pages: tick a folder on the Backup page and back it up
// twice to the media drive E:, restore the older version of one file into a chosen folder
// from the Restore page, delete another file from the media, and read the reports back
// on the Reports page. Questions are answered by the answer script.

#include "app/drives/mediadrives.h"
#include "app/mainwindow/frmmain.h"
#include "app/pages/backup/backuppage.h"
#include "app/pages/backup/backuppagemodel.h"
#include "app/pages/reports/reportspagemodel.h"
#include "app/pages/restore/restorepage.h"
#include "app/stores/settingsstore.h"
#include "app/trees/qmrestoretreemodel.h"
#include "engine/backupjob.h"
#include "engine/enginestate.h"
#include "platform/answerscript.h"
#include "platform/dospath.h"
#include "platform/drivetable.h"
#include "platform/fileio.h"
#include "support/qt/mouseclick.h"
#include "support/sandbox.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace qm {
namespace {

class PagesRoadTest : public ::testing::Test {
  protected:
    PagesRoadTest() {
        AnswerScript::instance().reset();
        AnswerScript::instance().start();
        Engine().Reset();
        Engine().SleepProc = [](int) {};
        sandbox.writeFile("C:\\data\\a.txt", "version one");
        sandbox.setFileTime("C:\\data\\a.txt", 2026, 1, 2, 3, 4, 6);
        sandbox.writeFile("C:\\data\\sub\\b.txt", "bee");
        sandbox.writeFile("C:\\data\\skip.tmp", "left out");
        MakeMediaDrive("E:\\");
        SetMediaDriveSetting("(E:\\)");
        TMainWindowSetup setup;
        setup.splashShown = true;
        setup.timings = {3600000, 3600000, 3600000};
        w = std::make_unique<TfrmMain>(std::move(setup));
        w->model().drivePoll().Tmr_DrivesTimer();
    }
    ~PagesRoadTest() override {
        w.reset();
        Engine().Reset();
        Engine().SleepProc = nullptr;
        AnswerScript::instance().reset();
    }
    void click(const char* name) {
        QWidget* button = w->findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        test::leftClick(button);
    }
    std::string memo(const char* name) {
        return w->findChild<QPlainTextEdit*>(QString::fromLatin1(name))
            ->toPlainText()
            .toStdString();
    }
    void answer(const char* question, const char* reply) {
        AnswerScript::instance().addAnswer(question, reply);
    }
    // Ticks one file in the restore file list of its folder.
    void tickRestoreFile(const char* folder, const char* name, bool on = true) {
        TRestorePageModel& page = w->restorePage()->model();
        TCheckNode* node = page.tree().roots().front().get();
        for (const char* part : {"data", "sub"}) {
            if (node->path == folder)
                break;
            page.tree().expand(node);
            for (auto& child : node->children)
                if (child->text == part)
                    node = child.get();
        }
        ASSERT_EQ(node->path, folder);
        page.tree().select(node);
        const auto& rows = page.files().rows();
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].name == name) {
                ASSERT_TRUE(page.files().tick(static_cast<int>(i), on));
            }
        }
    }

    test::Sandbox sandbox;
    std::unique_ptr<TfrmMain> w;
};

TEST_F(PagesRoadTest, BackUpRestoreAChosenVersionDeleteAndReadTheReports) {
    TSettingsPageModel& settings = w->model().settings();
    settings.setRevisionTick(true);
    settings.revisionUp(); // two copies kept
    settings.setExeptList(true);
    SaveExtExceptions({"tmp"});
    ASSERT_TRUE(settings.WriteSettings(false, false)); // the pages read the stored settings
    w->model().ShowMenuPanel();
    w->model().menuClick(TMainWindowModel::MenuButton::Backup);
    TBackupPageModel& backup = w->backupPage()->model();
    ASSERT_EQ(backup.mediaDriveText(), "(E:\\)");
    ASSERT_TRUE(backup.tree().click(backup.tree().FindFolderNode("C:\\data")));

    answer("Statistics", "2");
    click("btn_BackupJob");
    EXPECT_NE(memo("Memo_LogBackup").find("a.txt - Backup with"), std::string::npos);
    EXPECT_EQ(memo("Memo_LogBackup").find("skip.tmp"), std::string::npos) << "excepted";
    sandbox.writeFile("C:\\data\\a.txt", "version two");
    sandbox.setFileTime("C:\\data\\a.txt", 2026, 1, 3, 3, 4, 6);
    answer("Statistics\nActivity Type: Backup\nActivity Start Time", "2");
    click("btn_BackupJob"); // incremental: only a.txt
    EXPECT_TRUE(fileExists("E:\\Quillmoor\\Drive_C\\data\\a_1.txt"));

    w->model().menuClick(TMainWindowModel::MenuButton::Restore);
    tickRestoreFile("C:\\data\\", "a.txt");
    w->findChild<QRadioButton*>("rb_SelectVersion")->click();
    w->findChild<QRadioButton*>("rb_RestoreDest")->click();
    createFolderChain("C:\\restored");
    answer("Select file versions", "0");
    answer("SelectFolder", "C:\\restored");
    answer("Statistics", "2");
    click("imr_Restore");
    EXPECT_EQ(sandbox.readFile("C:\\restored\\data\\a.txt"), "version one");
    EXPECT_EQ(sandbox.readFile("C:\\data\\a.txt"), "version two") << "the original stays";
    EXPECT_NE(memo("Memo_LogRestore").find("restored to new"), std::string::npos)
        << "the log of this restore";

    tickRestoreFile("C:\\data\\", "a.txt", false);
    tickRestoreFile("C:\\data\\sub\\", "b.txt");
    answer("Are you sure you want to delete selected files", "6");
    answer("Statistics", "2");
    click("imr_DeleteSel");
    EXPECT_FALSE(fileExists("E:\\Quillmoor\\Drive_C\\data\\sub\\b.txt"));
    EXPECT_NE(memo("Memo_LogRestore").find("b.txt - deleted"), std::string::npos)
        << "the log of this delete, not the restore's before it";
    for (const std::string& line : w->restorePage()->model().tree().PathList)
        EXPECT_EQ(line.find("b.txt"), std::string::npos) << "the tree was read again";

    w->model().menuClick(TMainWindowModel::MenuButton::Reports);
    std::vector<std::string> kinds;
    for (const TActivityRecord& r : w->reportsPage().reports())
        kinds.push_back(r.ActivityType + " " + std::to_string(r.FileCount));
    EXPECT_EQ(kinds, (std::vector<std::string>{"Delete 1", "Restore 1", "Backup 1", "Backup 2"}));
    for (const AnswerRecord& r : AnswerScript::instance().records())
        EXPECT_TRUE(r.scripted) << r.text;
    EXPECT_TRUE(AnswerScript::instance().unusedAnswers().empty());
}

TEST_F(PagesRoadTest, TheRestoreLogShowsThisRunOrNothingAndStaysWhenNoRunHappened) {
    w->model().ShowMenuPanel();
    w->model().menuClick(TMainWindowModel::MenuButton::Backup);
    TBackupPageModel& backup = w->backupPage()->model();
    ASSERT_TRUE(backup.tree().click(backup.tree().FindFolderNode("C:\\data")));
    answer("Statistics", "2");
    click("btn_BackupJob");
    w->model().menuClick(TMainWindowModel::MenuButton::Restore);
    tickRestoreFile("C:\\data\\", "a.txt");
    answer("Statistics", "2");
    click("imr_Restore");
    const std::string log = memo("Memo_LogRestore");
    ASSERT_NE(log, "");
    // Nothing ticked: no run happens, and the box keeps what it showed.
    tickRestoreFile("C:\\data\\", "a.txt", false);
    answer("Nothing to Restore", "1");
    click("imr_Restore");
    EXPECT_EQ(memo("Memo_LogRestore"), log);
    tickRestoreFile("C:\\data\\", "a.txt");
    // Logging off: this run leaves no log, and the last run's must not stand for it.
    w->model().settings().setLog(false);
    answer("Statistics", "2");
    click("imr_Restore");
    EXPECT_EQ(memo("Memo_LogRestore"), "");
}

// Two backed-up files whose folders differ only in case: a tick on one row of the
// Restore page deletes that file's backup and leaves its twin's.
TEST_F(PagesRoadTest, DeleteTakesOnlyTheTickedOneOfTwoFilesWhosePathsDifferInCase) {
    const std::vector<std::string> twins = {"C:\\data\\Docs\\t.txt", "C:\\data\\docs\\t.txt"};
    TBackUpJob job;
    job.SetDestination('E');
    for (const std::string& path : twins) {
        sandbox.writeFile(path, path);
        job.SourceFiles.push_back(path);
    }
    job.Backup();
    ASSERT_TRUE(fileExists("E:\\Quillmoor\\Drive_C\\data\\docs\\t.txt"));
    w->model().menuClick(TMainWindowModel::MenuButton::Restore);
    TRestorePageModel& page = w->restorePage()->model();
    TCheckNode* folder = page.tree().nodeByLabels({"C:", "data", "Docs"});
    ASSERT_NE(folder, nullptr);
    page.tree().select(folder);
    EXPECT_EQ(page.files().rows().size(), 1u) << "its twin is in a folder of its own";
    ASSERT_TRUE(page.files().tick(0, true));
    answer("Are you sure you want to delete selected files", "6");
    answer("Statistics", "2");
    click("imr_DeleteSel");
    EXPECT_FALSE(fileExists("E:\\Quillmoor\\Drive_C\\data\\Docs\\t.txt"));
    EXPECT_TRUE(fileExists("E:\\Quillmoor\\Drive_C\\data\\docs\\t.txt")) << "not ticked";
    std::vector<std::string> listed;
    for (const std::string& line : page.tree().PathList)
        listed.push_back(line.substr(0, line.rfind('*')));
    EXPECT_EQ(listed, (std::vector<std::string>{twins[1]}));
}

// The Restore page follows the media drive in force: when the drive whose catalogue it
// shows is pulled, the box and the tree go together to the media drive left, and with
// none left both are empty.
TEST_F(PagesRoadTest, TheRestorePageShowsTheMediaDriveTheDrivePollPutInForce) {
    sandbox.addDrive('G', DriveType::Removable);
    ASSERT_TRUE(MakeMediaDrive("G:\\"));
    const std::pair<char, const char*> backups[] = {{'E', "C:\\data\\a.txt"},
                                                    {'G', "C:\\data\\sub\\b.txt"}};
    for (const auto& [drive, path] : backups) {
        TBackUpJob job;
        job.SetDestination(drive);
        job.SourceFiles = {path};
        job.Backup();
    }
    SetMediaDriveSetting("(G:\\)");
    w->model().drivePoll().Tmr_DrivesTimer();
    w->model().menuClick(TMainWindowModel::MenuButton::Restore);
    auto* box = w->findChild<QComboBox*>(QStringLiteral("cbSourceDrive"));
    TQMRestoreTreeModel& tree = w->restorePage()->model().tree();
    const auto listed = [&tree] {
        std::string paths;
        for (const std::string& line : tree.PathList)
            paths += line.substr(0, line.rfind('*')) + ";";
        return paths;
    };
    ASSERT_EQ(box->currentText(), "(G:\\)");
    ASSERT_EQ(listed(), "C:\\data\\sub\\b.txt;");
    DriveTable::instance().unmap('G');
    w->model().drivePoll().Tmr_DrivesTimer();
    EXPECT_EQ(box->currentText(), "(E:\\)");
    EXPECT_EQ(listed(), "C:\\data\\a.txt;");
    EXPECT_EQ(tree.roots().size(), 1u);
    DriveTable::instance().unmap('E');
    w->model().drivePoll().Tmr_DrivesTimer();
    EXPECT_EQ(box->currentIndex(), -1);
    EXPECT_EQ(listed(), "");
    EXPECT_TRUE(tree.roots().empty());
}

// A real file of 4 GiB less one byte (FAT's largest file; 4 GiB is a disk image's size),
// ticked on the Backup page: backed up with no error, listed on the Restore page with its
// size, and restored byte for byte. The source is sparse; its marks sit where the copy's
// blocks meet and at the very end.
TEST_F(PagesRoadTest, AFourGiBFileBacksUpListsAndRestoresByteExact) {
    constexpr int64_t kSize = 4294967295;
    const std::vector<std::pair<int64_t, char>> marks = {
        {0, 'a'}, {8388607, 'b'}, {8388608, 'c'}, {kSize - 8388608, 'd'}, {kSize - 1, 'e'}};
    sandbox.writeFile("C:\\image\\disk.img", "");
    const std::string host = *toHostPath("C:\\image\\disk.img");
    {
        const int fd = ::open(host.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, kSize), 0);
        for (const auto& [at, mark] : marks)
            ASSERT_EQ(::pwrite(fd, &mark, 1, at), 1);
        ::close(fd);
    }
    sandbox.setFileTime("C:\\image\\disk.img", 2026, 2, 3, 4, 5, 6);

    w->model().ShowMenuPanel();
    w->model().menuClick(TMainWindowModel::MenuButton::Backup);
    TBackupPageModel& backup = w->backupPage()->model();
    ASSERT_TRUE(backup.tree().click(backup.tree().FindFolderNode("C:\\image")));
    answer("Statistics", "2");
    click("btn_BackupJob");
    const std::string backupLog = memo("Memo_LogBackup");
    EXPECT_NE(backupLog.find("disk.img - Backup with"), std::string::npos) << backupLog;
    ASSERT_EQ(std::filesystem::file_size(sandbox.hostOf('E') + "/Quillmoor/Drive_C/image/disk.img"),
              static_cast<uintmax_t>(kSize));
    std::filesystem::remove(host);

    w->model().menuClick(TMainWindowModel::MenuButton::Restore);
    TRestorePageModel& page = w->restorePage()->model();
    TCheckNode* folder = page.tree().nodeByLabels({"C:", "image"});
    ASSERT_NE(folder, nullptr);
    page.tree().select(folder);
    ASSERT_EQ(page.files().rows().size(), 1u);
    EXPECT_TRUE(page.files().rows()[0].hasSize);
    EXPECT_EQ(page.files().rows()[0].size, kSize);
    ASSERT_TRUE(page.files().tick(0, true));
    answer("Statistics", "2");
    click("imr_Restore");
    const std::string restoreLog = memo("Memo_LogRestore");
    EXPECT_NE(restoreLog.find("disk.img restored to its"), std::string::npos) << restoreLog;
    EXPECT_EQ(restoreLog.find("can't restore"), std::string::npos) << restoreLog;

    // Byte for byte: zeros but for the marks, to the last byte and no further.
    ASSERT_EQ(std::filesystem::file_size(host), static_cast<uintmax_t>(kSize));
    const int fd = ::open(host.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    std::vector<char> block(8388608);
    size_t next = 0;
    int64_t differing = 0;
    for (int64_t at = 0; at < kSize;) {
        const ssize_t n = ::pread(fd, block.data(), block.size(), at);
        ASSERT_GT(n, 0);
        for (ssize_t i = 0; i < n; ++i) {
            char expected = 0;
            if (next < marks.size() && marks[next].first == at + i)
                expected = marks[next++].second;
            differing += block[static_cast<size_t>(i)] != expected;
        }
        at += n;
    }
    ::close(fd);
    EXPECT_EQ(next, marks.size());
    EXPECT_EQ(differing, 0);
    EXPECT_TRUE(AnswerScript::instance().unusedAnswers().empty());
}

} // namespace
} // namespace qm
