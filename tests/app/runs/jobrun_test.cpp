// Runs through the job runner window as a user would: a backup of a ticked folder to the
// sandbox's media drive E: in each storage mode, an incremental re-run, a restore of a
// chosen version into a chosen folder, deletions from the media, cancels and a close
// request. Questions are answered by the answer script; the report is read back.

#include "app/drives/drivepoll.h"
#include "app/drives/mediadrives.h"
#include "app/mainwindow/frmmain.h"
#include "app/mainwindow/traymenu.h"
#include "app/pages/backup/backuppagemodel.h"
#include "app/pages/sync/comparemodel.h"
#include "app/runs/backupoperation.h"
#include "app/runs/restoreoperation.h"
#include "app/runwindows/joblauncher.h"
#include "app/stores/reportstore.h"
#include "app/stores/settingsinforce.h"
#include "demoenvironment.h"
#include "engine/backupjob.h"
#include "engine/enginestate.h"
#include "platform/actingas.h"
#include "platform/answerscript.h"
#include "platform/dospath.h"
#include "platform/drivetable.h"
#include "platform/fileio.h"
#include "platform/stagedfile.h"
#include "scriptedmessages.h"
#include "support/sandbox.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {
namespace {

namespace fs = std::filesystem;

class JobRunTest : public ::testing::Test {
  protected:
    JobRunTest() {
        AnswerScript::instance().reset();
        AnswerScript::instance().start();
        Engine().Reset();
        Engine().SleepProc = [](int) {};
        TMainWindowSetup setup;
        setup.splashShown = true;
        w = std::make_unique<TfrmMain>(std::move(setup));
        sandbox.writeFile("C:\\data\\a.txt", "version one");
        sandbox.writeFile("C:\\data\\sub\\b.txt", std::string(5000, 'b'));
        sandbox.writeFile("C:\\data\\Recycler\\r.txt", "scanned");
        sandbox.writeFile("C:\\data\\RECYCLED\\junk.txt", "never");
        sandbox.writeFile("C:\\data\\x.TMP", "excluded");
        sandbox.writeFile("C:\\elsewhere\\secret.txt", "outside");
        fs::create_directory_symlink(sandbox.hostOf('C') + "/elsewhere",
                                     sandbox.hostOf('C') + "/data/link");
        sandbox.setFileTime("C:\\data\\a.txt", 2026, 1, 2, 3, 4, 6);
    }
    ~JobRunTest() override {
        w.reset();
        Engine().Reset();
        Engine().SleepProc = nullptr;
        AnswerScript::instance().reset();
    }

    TBackupRequest backup(int compression, bool incremental, int revisions = 0) {
        TBackupRequest r;
        r.mediaCaption = "(E:\\)";
        r.incremental = incremental;
        r.selection = [](const TSelectionVisit& visit) { visit("C:\\data", true); };
        r.excluded = [](const std::string& name) { return IsExceptedTmp(name); };
        r.compressionType = compression;
        r.level = 6;
        r.revisions = revisions;
        return r;
    }
    static bool IsExceptedTmp(const std::string& name) {
        return name.size() > 4 && (name.ends_with(".tmp") || name.ends_with(".TMP"));
    }
    TRestoreRequest restore(std::vector<std::string> paths) {
        TRestoreRequest r;
        r.mediaCaption = "(E:\\)";
        r.selection = [paths](const TSelectionVisit& visit) {
            for (const std::string& p : paths)
                if (!visit(p, false))
                    return;
        };
        r.catalogueSize = [](const std::string&) { return std::optional<int64_t>(10); };
        return r;
    }
    TJobOutcome run(int code, std::unique_ptr<TJobOperation> op) {
        return w->jobs().run(code, std::move(op));
    }
    std::vector<std::string> asked() const {
        std::vector<std::string> texts;
        for (const AnswerRecord& r : AnswerScript::instance().records())
            texts.push_back(r.text);
        return texts;
    }
    bool askedAbout(const std::string& part) const {
        for (const std::string& t : asked())
            if (t.find(part) != std::string::npos)
                return true;
        return false;
    }
    // Runs `action` once, from the first event processing of the engine run.
    void duringTheRun(std::function<void()> action) {
        auto* poll = new QTimer(w.get());
        poll->setInterval(0);
        QObject::connect(poll, &QTimer::timeout, [this, poll, action] {
            TFrmProgress* runner = w->jobs().current();
            if (!runner || runner->model().texts().operation != "Backup process...")
                return;
            poll->stop();
            action();
        });
        poll->start();
    }

    test::Sandbox sandbox;
    std::unique_ptr<TfrmMain> w;
};

TEST_F(JobRunTest, BackupInEachModeThenIncrementalRerunsAndTheReportReadsBack) {
    struct Mode {
        int compression;
        const char* copy; // where a.txt lands on the media
    };
    for (const Mode& mode :
         {Mode{0, "E:\\Quillmoor\\Drive_C\\data\\a.txt"},
          Mode{2, "E:\\Quillmoor\\Drive_C\\data\\a.txt.bpa"}, Mode{1, nullptr}}) {
        SCOPED_TRACE(mode.compression);
        fs::remove_all(sandbox.hostOf('E') + "/Quillmoor");
        AnswerScript::instance().addAnswer("Statistics", "2");
        const std::string deep = "C:\\data\\deep\\" + std::string(240, 'n') + ".txt";
        sandbox.writeFile(deep, "too long for a record");
        const TJobOutcome full =
            run(kOpBackup, std::make_unique<TBackupOperation>(backup(mode.compression, false)));
        deleteFile(deep);
        ASSERT_TRUE(full.ran);
        EXPECT_FALSE(full.cancelled);
        if (mode.copy) {
            EXPECT_TRUE(fileExists(mode.copy));
        }
        EXPECT_FALSE(folderExists("E:\\Quillmoor\\Drive_C\\data\\RECYCLED"));
        EXPECT_FALSE(folderExists("E:\\Quillmoor\\Drive_C\\data\\link")) << "links not followed";
        EXPECT_EQ(full.record.FileCount, 3) << "a, b and r: not junk, x.TMP or the link";
        EXPECT_EQ(full.record.SizeText, "5 Kb");
        EXPECT_EQ(full.record.Errors, 1) << "the path a record cannot hold";
        ASSERT_TRUE(full.log);
        EXPECT_NE(full.log->find(" - path is too long to back up."), std::string::npos);
        EXPECT_NE(full.log->find("a.txt - Backup with"), std::string::npos);
        EXPECT_TRUE(askedAbout("Statistics\nActivity Type: Backup"));
        EXPECT_EQ(sandbox.readFile(full.reportLogPath), full.log) << "the log moved";

        AnswerScript::instance().addAnswer("Nothing to back up", "1");
        const TJobOutcome none =
            run(kOpBackup, std::make_unique<TBackupOperation>(backup(mode.compression, true)));
        EXPECT_FALSE(none.ran);
        EXPECT_EQ(asked().back(), "Nothing to back up. New file count : 0");

        sandbox.writeFile("C:\\data\\a.txt", "version two");
        sandbox.setFileTime("C:\\data\\a.txt", 2026, 1, 3, 3, 4, 6);
        AnswerScript::instance().addAnswer("Statistics", "2");
        const TJobOutcome changed =
            run(kOpBackup, std::make_unique<TBackupOperation>(backup(mode.compression, true)));
        EXPECT_EQ(changed.record.FileCount, 1);
        EXPECT_EQ(changed.record.Status, "Complete");
        sandbox.writeFile("C:\\data\\a.txt", "version one");
        sandbox.setFileTime("C:\\data\\a.txt", 2026, 1, 2, 3, 4, 6);

        TActivityArray reports;
        LoadReports(reports, "E:\\");
        ASSERT_EQ(reports.size(), 2u) << "the refused run leaves no report";
        EXPECT_EQ(reports[0].FileCount, 1);
        EXPECT_EQ(reports[1].FileCount, 3);
        EXPECT_EQ(reports[1].ActivityType, "Backup");
    }
    EXPECT_EQ(AnswerScript::instance().failures(), 0);
}

// Names a Linux disk holds that the DOS paths of the design cannot, or tell apart only
// by case or a trailing blank, carried through tick, backup, compare and restore: each
// ticked file is backed up and restored under its own name, or named in the log and
// counted as an error; what was not ticked stays out.
TEST_F(JobRunTest, EveryTickedNameIsBackedUpAndRestoredAsItIsOrLoggedAndCounted) {
    struct Row {
        const char* name; // below C:\names, "/" between folders
        bool kept;        // backed up and restored; else logged and counted
    };
    const Row rows[] = {
        {"odd/ok.txt", true},       {"odd/meeting 10:30.txt", false}, {"odd/what?.txt", false},
        {"odd/bell\a.txt", false},  {"odd/caf\xe9.txt", true},        {"odd/report.txt", true},
        {"odd/sub /in.txt", true},  {"trail /t.txt", true},           {"docs/b.txt", true},
        {"odd/REPORT.TXT", true},                                 // made after the first backup
        {"odd/a:b/one.txt", false}, {"odd/a:b/c/two.txt", false}, // below such a folder
    };
    const std::vector<std::string> unticked = {"trail/u.txt", "Docs/a.txt"};
    const std::string names = sandbox.hostOf('C') + "/names/";
    auto dos = [](std::string name) {
        std::replace(name.begin(), name.end(), '/', '\\');
        return "C:\\names\\" + name;
    };
    auto write = [&](const std::string& name) {
        fs::create_directories(fs::path(names + name).parent_path());
        std::ofstream(names + name, std::ios::binary) << "content of " << name;
        fs::last_write_time(names + name, fs::last_write_time(names + "../data/a.txt"));
    };
    for (const Row& row : rows)
        if (std::string(row.name) != "odd/REPORT.TXT")
            write(row.name);
    for (const std::string& name : unticked)
        write(name);

    // Tick: the folder ending in a blank, not its sibling; a file of "docs", not "Docs".
    ASSERT_TRUE(MakeMediaDrive("E:\\"));
    SetMediaDriveSetting("(E:\\)");
    test::ScriptedMessages messages;
    TDrivePoll poll{TDrivePoll::Hooks{}};
    TSettingsInForce settings;
    TBackupPageModel page(poll, settings, messages.fn());
    page.pageVisible = [] { return true; };
    page.FormCreate();
    page.TS_BackUpShow();
    TQMFolderTreeModel& tree = page.tree();
    auto state = [&](const std::string& path) {
        const TCheckNode* node = tree.FindFolderNode(path);
        return node && node->path == path ? node->state : 0;
    };
    ASSERT_TRUE(tree.click(tree.FindFolderNode("C:\\names\\odd")));
    ASSERT_TRUE(tree.click(tree.FindFolderNode("C:\\names\\trail ")));
    tree.select(tree.FindFolderNode("C:\\names\\Docs"));
    ASSERT_EQ(page.files().rows().size(), 1u);
    EXPECT_EQ(page.files().rows()[0].name, "a.txt");
    tree.select(tree.FindFolderNode("C:\\names\\docs"));
    ASSERT_EQ(page.files().rows().size(), 1u);
    ASSERT_EQ(page.files().rows()[0].name, "b.txt") << "the list switches to the other folder";
    ASSERT_TRUE(page.files().tick(0, true));
    ASSERT_TRUE(page.SaveSelections(true));
    const std::vector<std::pair<std::string, int>> ticks = {{"C:\\names\\docs", 2},
                                                            {"C:\\names\\Docs", 1},
                                                            {"C:\\names\\trail ", 2},
                                                            {"C:\\names\\trail", 1},
                                                            {"C:\\names\\odd", 2}};
    for (const char* when : {"ticked", "selection loaded again", "reloaded", "drive poll"}) {
        SCOPED_TRACE(when);
        if (std::string(when) == "selection loaded again")
            page.cbMediaDriveChange(true);
        else if (std::string(when) == "reloaded")
            tree.Reload();
        else if (std::string(when) == "drive poll")
            poll.drivesMoved();
        for (const auto& [path, expected] : ticks)
            EXPECT_EQ(state(path), expected) << path;
    }

    // Backup: the names a DOS path cannot carry are logged and counted.
    TBackupRequest request = page.request();
    request.incremental = false;
    request.compressionType = 0;
    AnswerScript::instance().addAnswer("Statistics", "2");
    const TJobOutcome full = run(kOpBackup, std::make_unique<TBackupOperation>(request));
    ASSERT_TRUE(full.ran);
    ASSERT_TRUE(full.log);
    EXPECT_EQ(full.record.FileCount, 6) << *full.log;
    EXPECT_EQ(full.record.Errors, 5) << *full.log;
    for (const Row& row : rows) {
        std::string shown = dos(row.name);
        if (const size_t bell = shown.find('\a'); bell != std::string::npos)
            shown.replace(bell, 1, "^G");
        EXPECT_EQ(full.log->find(shown + " - not backed up: its name holds") != std::string::npos,
                  !row.kept)
            << shown;
    }

    // A file that differs only in case from a catalogued one, with the same date, is new.
    write("odd/REPORT.TXT");
    request.incremental = true;
    AnswerScript::instance().addAnswer("Statistics", "2");
    const TJobOutcome added = run(kOpBackup, std::make_unique<TBackupOperation>(request));
    ASSERT_TRUE(added.ran) << "not \"Nothing to back up\"";
    EXPECT_EQ(added.record.FileCount, 1) << "REPORT.TXT";
    EXPECT_EQ(added.record.Errors, 5) << "the unnamable files, again";

    TBackUpJob catalogue;
    catalogue.SetDestination('E');
    catalogue.LoadDriveList();
    std::vector<std::string> paths, dates, sizes;
    catalogue.ListDriveFiles(nullptr, &dates, &sizes, &paths);
    std::vector<std::string> expected;
    for (const Row& row : rows)
        if (row.kept)
            expected.push_back(dos(row.name));
    std::vector<std::string> listed = paths;
    std::sort(listed.begin(), listed.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);

    // Compare: a folder renamed in case only holds its files still; a gone file is gone.
    fs::rename(names + "docs", names + "dOCS");
    fs::remove(names + "odd/ok.txt");
    for (size_t i = 0; i < paths.size(); ++i) {
        const std::optional<TSyncRow> row =
            TCompareModel::CompareFiles(paths[i], dates[i], sizes[i]);
        if (paths[i] == dos("odd/ok.txt")) {
            ASSERT_TRUE(row);
            EXPECT_EQ(row->hardText, TSyncListModel::kDeleted);
        } else {
            EXPECT_FALSE(row) << paths[i] << " is as it was backed up";
        }
    }
    fs::rename(names + "dOCS", names + "docs");

    // Restore: every file comes back under its own name, with its own bytes.
    for (const Row& row : rows)
        fs::remove(names + row.name);
    AnswerScript::instance().addAnswer("Statistics", "2");
    const TJobOutcome restored =
        run(kOpRestore, std::make_unique<TRestoreOperation>(restore(paths)));
    ASSERT_TRUE(restored.ran);
    EXPECT_EQ(restored.record.Errors, 0) << restored.log.value_or("");
    for (const Row& row : rows) {
        if (row.kept)
            EXPECT_EQ(sandbox.readFile(dos(row.name)), "content of " + std::string(row.name));
        else
            EXPECT_FALSE(fs::exists(names + row.name)) << row.name;
    }
    for (const std::string& name : unticked)
        EXPECT_EQ(sandbox.readFile(dos(name)), "content of " + name) << "never touched";
    EXPECT_EQ(AnswerScript::instance().failures(), 0);
}

TEST_F(JobRunTest, AFullBackupMeasuresTheMediaAgainstEverythingItWillWrite) {
    // A sparse file larger than the free space of the sandbox's disk.
    int64_t free = 0, total = 0;
    ASSERT_TRUE(diskSpace("E:\\", free, total));
    sandbox.writeFile("C:\\big\\huge.bin", "");
    fs::resize_file(sandbox.hostOf('C') + "/big/huge.bin", static_cast<uintmax_t>(free) * 2);
    TBackupRequest request = backup(0, false);
    request.selection = [](const TSelectionVisit& visit) { visit("C:\\big", true); };
    AnswerScript::instance().addAnswer("Not enough disk space", "1");
    const TJobOutcome outcome = run(kOpBackup, std::make_unique<TBackupOperation>(request));
    EXPECT_FALSE(outcome.ran);
    EXPECT_EQ(asked(), std::vector<std::string>{TBackupOperation::kNoRoom});
}

TEST_F(JobRunTest, AFileThatCannotBeOpenedIsLeftToTheEngineToLogAndCount) {
    ASSERT_EQ(::mkfifo((sandbox.hostOf('C') + "/data/pipe").c_str(), 0600), 0);
    TBackupRequest request = backup(0, false);
    request.selection = [](const TSelectionVisit& visit) { visit("C:\\data\\pipe", false); };
    AnswerScript::instance().addAnswer("Statistics", "2");
    const TJobOutcome outcome = run(kOpBackup, std::make_unique<TBackupOperation>(request));
    ASSERT_TRUE(outcome.ran);
    EXPECT_EQ(outcome.record.FileCount, 1);
    EXPECT_EQ(outcome.record.Errors, 1);
    ASSERT_TRUE(outcome.log);
    EXPECT_NE(outcome.log->find("pipe - can't open file."), std::string::npos) << *outcome.log;
}

// A ticked folder whose only file has a name a backup path cannot carry is not "Nothing
// to back up": the run names the file and counts it, in a full and an incremental run.
TEST_F(JobRunTest, AFolderOfUnnamableFilesOnlyIsReportedNotNothingToBackUp) {
    fs::create_directories(sandbox.hostOf('C') + "/odd");
    std::ofstream(sandbox.hostOf('C') + "/odd/meeting 10:30.txt") << "notes";
    for (const bool incremental : {false, true}) {
        SCOPED_TRACE(incremental ? "incremental" : "full");
        TBackupRequest request = backup(0, incremental);
        request.selection = [](const TSelectionVisit& visit) { visit("C:\\odd", true); };
        AnswerScript::instance().addAnswer("Statistics", "2");
        const TJobOutcome outcome = run(kOpBackup, std::make_unique<TBackupOperation>(request));
        ASSERT_TRUE(outcome.ran) << "not \"Nothing to back up\"";
        EXPECT_EQ(outcome.record.FileCount, 0);
        EXPECT_EQ(outcome.record.Errors, 1);
        ASSERT_TRUE(outcome.log);
        EXPECT_NE(outcome.log->find("meeting 10:30.txt - not backed up"), std::string::npos)
            << *outcome.log;
    }
    EXPECT_EQ(AnswerScript::instance().failures(), 0);
}

// A program folder this user cannot write (here: there is none) keeps the run log in the
// user's state folder; the log box and the report find it there.
TEST_F(JobRunTest, WithoutAWritableProgramFolderTheLogIsInTheStateFolder) {
    fs::remove_all(sandbox.root() + "/C/program");
    DriveTable::instance().map('H', sandbox.root() + "/home", DriveType::Fixed);
    ASSERT_EQ(::mkfifo((sandbox.hostOf('C') + "/data/pipe").c_str(), 0600), 0);
    TBackupRequest request = backup(0, false);
    request.selection = [](const TSelectionVisit& visit) { visit("C:\\data\\pipe", false); };
    AnswerScript::instance().addAnswer("Statistics", "2");
    const TJobOutcome outcome = run(kOpBackup, std::make_unique<TBackupOperation>(request));
    ASSERT_TRUE(outcome.ran);
    ASSERT_TRUE(outcome.log);
    EXPECT_NE(outcome.log->find("pipe - can't open file."), std::string::npos) << *outcome.log;
    EXPECT_EQ(sandbox.readFile(outcome.reportLogPath), outcome.log) << "the report has it";
}

TEST_F(JobRunTest, HideKeepsTheRunGoingAndTheRunnerComesBackWithTheWindow) {
    w->show();
    bool hidden = false, back = false;
    duringTheRun([&] {
        TFrmProgress* runner = w->jobs().current();
        // Showing the main window must not bury the runner and its Cancel button.
        EXPECT_EQ(runner->windowHandle()->transientParent(), w->windowHandle());
        runner->Fr();
        hidden = !runner->isVisible() && (!w->isVisible() || w->isMinimized());
        w->tray().item("mnu_ShowMainWindow")->trigger();
        back = runner->isVisible() && w->isVisible() && !w->isMinimized();
    });
    AnswerScript::instance().addAnswer("Statistics", "2");
    const TJobOutcome outcome =
        run(kOpBackup, std::make_unique<TBackupOperation>(backup(0, false)));
    EXPECT_TRUE(hidden);
    EXPECT_TRUE(back);
    EXPECT_EQ(outcome.record.Status, "Complete");
}

TEST_F(JobRunTest, TheRunnerStaysInFrontOfTheMainWindowItBringsUp) {
    w->show();
    QWidget *runner = nullptr, *first = nullptr, *afterShow = nullptr;
    duringTheRun([&] {
        runner = w->jobs().current();
        QApplication::processEvents();
        first = QApplication::activeWindow();
        w->tray().item("mnu_ShowMainWindow")->trigger();
        for (int settle = 0; settle < 3; ++settle) // activations arrive one pass apart
            QApplication::processEvents();
        afterShow = QApplication::activeWindow();
    });
    AnswerScript::instance().addAnswer("Statistics", "2");
    run(kOpBackup, std::make_unique<TBackupOperation>(backup(0, false)));
    // The user must see the counts, Hide and Cancel: the window of the run is in front.
    ASSERT_NE(runner, nullptr);
    EXPECT_EQ(first, runner) << "at the start of the run";
    EXPECT_EQ(afterShow, runner) << "after \"Show Main Window\"";
}

TEST_F(JobRunTest, CancelInThePasswordWindowStopsTheRunWithoutAsking) {
    TBackupRequest request = backup(0, false);
    request.encryption = true;
    AnswerScript::instance().addAnswer("Enter Password for Encryption", "[cancel]");
    const TJobOutcome outcome = run(kOpBackup, std::make_unique<TBackupOperation>(request));
    EXPECT_FALSE(outcome.ran);
    EXPECT_EQ(AnswerScript::instance().records().size(), 1u) << "no cancel question";
    EXPECT_FALSE(fileExists("E:\\Quillmoor\\drive.lst"));
}

TEST_F(JobRunTest, EncryptedRestoreOfAChosenVersionIntoAChosenFolder) {
    AnswerScript& script = AnswerScript::instance();
    TBackupRequest request = backup(0, false, 3);
    request.encryption = true;
    request.keyBits = 192;
    request.selection = [](const TSelectionVisit& visit) { visit("C:\\data\\a.txt", false); };
    script.addAnswer("Enter Password for Encryption", "Secret");
    script.addAnswer("Statistics", "2");
    ASSERT_TRUE(run(kOpBackup, std::make_unique<TBackupOperation>(request)).ran);
    sandbox.writeFile("C:\\data\\a.txt", "version two");
    sandbox.setFileTime("C:\\data\\a.txt", 2026, 1, 3, 3, 4, 6);
    script.addAnswer("Enter Password for Encryption", "Secret");
    script.addAnswer("Statistics", "2");
    ASSERT_TRUE(run(kOpBackup, std::make_unique<TBackupOperation>(request)).ran);

    TRestoreRequest r = restore({"C:\\data\\a.txt"});
    r.mediaEncrypted = true;
    r.keyBits = 192;
    r.selectVersions = true;
    r.toFolder = true;
    createFolderChain("C:\\restored");
    script.addAnswer("Add Password for Decryption", "secret"); // wrong case: a second password
    script.addAnswer("Can't find a valid password", "Secret");
    script.addAnswer("Select file versions", "0");
    script.addAnswer("SelectFolder", "C:\\restored");
    script.addAnswer("Statistics", "2");
    const TJobOutcome outcome = run(kOpRestore, std::make_unique<TRestoreOperation>(r));
    ASSERT_TRUE(outcome.ran);
    EXPECT_EQ(sandbox.readFile("C:\\restored\\data\\a.txt"), "version one") << "the oldest";
    EXPECT_EQ(Engine().PasswordList, (std::vector<std::string>{"secret", "Secret"}));
    EXPECT_EQ(outcome.record.ActivityType, "Restore");
    EXPECT_EQ(outcome.record.Errors, 0);
    const std::string log = sandbox.readFile(outcome.reportLogPath).value_or("");
    EXPECT_NE(log.find("restored to new"), std::string::npos) << log;
    EXPECT_FALSE(Engine().DriveListHandle.isOpen());
    EXPECT_EQ(script.failures(), 0);
    EXPECT_TRUE(script.unusedAnswers().empty());
}

TEST_F(JobRunTest, RestoreRefusesACataloguePathOutsideItsTarget) {
    AnswerScript& script = AnswerScript::instance();
    script.addAnswer("Statistics", "2");
    run(kOpBackup, std::make_unique<TBackupOperation>(backup(0, false)));
    script.addAnswer("Statistics", "2");
    const TJobOutcome outcome =
        run(kOpRestore, std::make_unique<TRestoreOperation>(restore({"C:\\data\\..\\..\\etc\\x"})));
    EXPECT_EQ(outcome.record.Errors, 1);
    ASSERT_TRUE(outcome.log);
    EXPECT_NE(outcome.log->find("can't restore."), std::string::npos);
}

TEST_F(JobRunTest, DeleteFromTheMediaGoesOnOnlyOnYes) {
    AnswerScript& script = AnswerScript::instance();
    script.addAnswer("Statistics", "2");
    run(kOpBackup, std::make_unique<TBackupOperation>(backup(0, false)));
    const std::string copy = "E:\\Quillmoor\\Drive_C\\data\\a.txt";
    ASSERT_TRUE(fileExists(copy));
    script.addAnswer("Are you sure you want to delete selected files", "7");
    TJobOutcome no =
        run(kOpDeleteFromMedia, std::make_unique<TDeleteOperation>(restore({"C:\\data\\a.txt"})));
    EXPECT_FALSE(no.filesDeleted);
    EXPECT_TRUE(fileExists(copy));
    script.addAnswer("Are you sure you want to delete selected files", "6");
    script.addAnswer("Statistics", "2");
    TJobOutcome yes =
        run(kOpDeleteFromMedia, std::make_unique<TDeleteOperation>(restore({"C:\\data\\a.txt"})));
    EXPECT_TRUE(yes.filesDeleted);
    EXPECT_FALSE(fileExists(copy));
    EXPECT_EQ(yes.record.ActivityType, "Delete");
    EXPECT_EQ(yes.record.FileCount, 1);
    EXPECT_EQ(script.failures(), 0);
}

TEST_F(JobRunTest, CancelDuringTheRunRecordsAnInterruptedRunWithoutSummary) {
    AnswerScript::instance().addAnswer("Canceling now will corrupt your data", "6");
    duringTheRun([this] { w->jobs().current()->Imr_CancelClick(); });
    const TJobOutcome outcome =
        run(kOpBackup, std::make_unique<TBackupOperation>(backup(0, false)));
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(outcome.record.Status, "Interrupted by user");
    EXPECT_FALSE(askedAbout("Statistics"));
    TActivityArray reports;
    LoadReports(reports, "E:\\");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].Status, "Interrupted by user");
    EXPECT_FALSE(Engine().CancelFlag) << "the run took its cancel";
}

TEST_F(JobRunTest, ACloseRequestStopsTheRunAndClosesOnceItEnded) {
    bool lockedDuringRun = false;
    duringTheRun([&] {
        lockedDuringRun = w->model().runActive() && !w->tray().item("mnu_Exit")->isEnabled();
        w->model().WMM_APP_EXCHANGE(TMainWindowModel::kExchangeClose,
                                    TMainWindowModel::kExchangeCloseCheck);
        EXPECT_FALSE(w->ended()) << "not while the run holds the window";
    });
    const TJobOutcome outcome =
        run(kOpBackup, std::make_unique<TBackupOperation>(backup(0, false)));
    EXPECT_TRUE(lockedDuringRun);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_TRUE(AnswerScript::instance().records().empty()) << "nothing asked";
    QApplication::processEvents();
    EXPECT_TRUE(w->ended());
}

// Synchronising both ways runs two halves in one runner: the window, the tray lock and
// the busy state last until the second half has run.
TEST_F(JobRunTest, ASequenceKeepsTheRunnerUntilItsLastStep) {
    struct Step : TJobOperation {
        std::vector<bool>* seen;
        TfrmMain* main;
        const char* title() const override { return "Synchronize"; }
        TJobOutcome Run(TJobContext& context) override {
            context.runner.processMessages();
            QApplication::processEvents();
            seen->push_back(main->model().runActive() && main->jobs().current() &&
                            main->jobs().current()->isVisible());
            context.runner.JobRunning = 0; // a half that marks the run over does not end it
            QTimer timerTicks;
            timerTicks.start(150);
            QEventLoop wait;
            QTimer::singleShot(250, &wait, &QEventLoop::quit);
            wait.exec();
            return {};
        }
    };
    std::vector<bool> seen;
    std::vector<std::unique_ptr<TJobOperation>> steps;
    for (int i = 0; i < 2; ++i) {
        auto step = std::make_unique<Step>();
        step->seen = &seen;
        step->main = w.get();
        steps.push_back(std::move(step));
    }
    run(kOpSyncBothWays, std::make_unique<TJobSequence>("Synchronize", std::move(steps)));
    EXPECT_EQ(seen, (std::vector<bool>{true, true}));
    EXPECT_FALSE(w->model().runActive());
}

#ifdef QM_DEMO_ENV_SCRIPT
// The README's demo, from a fresh account: its media drive M: takes the first backup
// at once, and a backup and a restore of a file on the computer (C: is / in the demo)
// write nothing into the account's empty home: the restore's list of temporaries goes
// to the demo folder too.
TEST(DemoRun, TheFirstBackupAndARestoreLeaveAnEmptyHomeEmpty) {
    test::Sandbox sandbox; // stands in for whatever the demo leaves to the machine
    const QString home = QString::fromStdString(sandbox.root() + "/account");
    const QString demo = QString::fromStdString(sandbox.root() + "/demo");
    QDir().mkpath(home);
    const QProcessEnvironment demoEnv =
        test::DemoEnvironment(QStringLiteral(QM_DEMO_ENV_SCRIPT), home, demo);
    if (!demoEnv.value("QUILLMOOR_DRIVES").contains("M=removable:"))
        GTEST_SKIP() << "a removable medium is plugged in: the demo backs up to it instead";
    test::ScopedDemoEnvironment inDemo(demoEnv);
    DriveTable::instance().reload();
    EXPECT_EQ(GetMediaDriveCaptions(), std::vector<std::string>{"(M:\\)"})
        << "the demo's drive is a media drive from the start";

    // The sandbox's files as the demo's C: sees them.
    std::string folder = "C:" + sandbox.root() + "/data";
    std::replace(folder.begin(), folder.end(), '/', '\\');
    const std::string file = folder + "\\letter.txt";
    ASSERT_TRUE(createFolderChain(folder));
    ASSERT_TRUE(StagedFile::Replace(file, "first draft"));

    AnswerScript& script = AnswerScript::instance();
    script.reset();
    script.start();
    Engine().Reset();
    Engine().SleepProc = [](int) {};
    {
        TMainWindowSetup setup;
        setup.splashShown = true;
        TfrmMain w(std::move(setup));
        TBackupRequest backup;
        backup.mediaCaption = "(M:\\)";
        backup.selection = [&folder](const TSelectionVisit& visit) { visit(folder, true); };
        backup.excluded = [](const std::string&) { return false; };
        script.addAnswer("Statistics", "2");
        const TJobOutcome saved =
            w.jobs().run(kOpBackup, std::make_unique<TBackupOperation>(backup));
        EXPECT_EQ(saved.record.FileCount, 1);
        EXPECT_EQ(saved.record.Errors, 0);

        ASSERT_TRUE(StagedFile::Replace(file, "spoilt"));
        TRestoreRequest restore;
        restore.mediaCaption = "(M:\\)";
        restore.selection = [&file](const TSelectionVisit& visit) { visit(file, false); };
        restore.catalogueSize = [](const std::string&) { return std::optional<int64_t>(11); };
        script.addAnswer("Statistics", "2");
        const TJobOutcome restored =
            w.jobs().run(kOpRestore, std::make_unique<TRestoreOperation>(restore));
        EXPECT_EQ(restored.record.Errors, 0);
    }
    Engine().SleepProc = nullptr;
    Engine().Reset();
    EXPECT_EQ(script.failures(), 0);
    script.reset();
    EXPECT_EQ(readWholeFile(file, 100), std::optional<std::string>("first draft"));
    EXPECT_TRUE(QDir(demo + "/state/quillmoor").exists()) << "the restore listed its temporaries";
    EXPECT_EQ(QDir(home)
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                  .join(QLatin1Char(' '))
                  .toStdString(),
              "")
        << "the demo wrote into the home folder";
}
#endif

} // namespace
} // namespace qm

namespace qm {
namespace {

// The user's case: an encrypted copy cut short on the media (its check file intact) must
// not replace the newer file on the computer; the run names it and counts it.
TEST_F(JobRunTest, ACopyCutShortOnTheMediaIsNotRestoredOverTheNewerFile) {
    AnswerScript& script = AnswerScript::instance();
    std::string doc;
    for (int i = 0; i < 220; ++i)
        doc.push_back(static_cast<char>('A' + i % 26));
    sandbox.writeFile("C:\\data\\doc.txt", doc);
    TBackupRequest request = backup(0, false);
    request.encryption = true;
    request.keyBits = 128;
    request.selection = [](const TSelectionVisit& visit) { visit("C:\\data\\doc.txt", false); };
    script.addAnswer("Enter Password for Encryption", "Secret");
    script.addAnswer("Statistics", "2");
    ASSERT_TRUE(run(kOpBackup, std::make_unique<TBackupOperation>(request)).ran);
    const std::string copy = sandbox.hostOf('E') + "/Quillmoor/Drive_C/data/doc.txt";
    ASSERT_EQ(fs::file_size(copy), 220u);
    ASSERT_TRUE(fs::exists(copy + ".mac"));
    for (const uintmax_t length : {100, 0}) {
        SCOPED_TRACE(length);
        fs::resize_file(copy, length);
        sandbox.writeFile("C:\\data\\doc.txt", "today's work");
        TRestoreRequest r = restore({"C:\\data\\doc.txt"});
        r.mediaEncrypted = true;
        r.keyBits = 128;
        script.addAnswer("Add Password for Decryption", "Secret");
        script.addAnswer("Statistics", "2");
        const TJobOutcome outcome = run(kOpRestore, std::make_unique<TRestoreOperation>(r));
        ASSERT_TRUE(outcome.ran);
        EXPECT_EQ(sandbox.readFile("C:\\data\\doc.txt"), "today's work");
        EXPECT_EQ(outcome.record.Errors, 1);
        ASSERT_TRUE(outcome.log);
        EXPECT_NE(outcome.log->find("C:\\data\\doc.txt - can't restore."), std::string::npos)
            << *outcome.log;
        EXPECT_EQ(outcome.log->find("restored to its"), std::string::npos) << *outcome.log;
    }
    EXPECT_EQ(script.failures(), 0);
}

// A folder chain deeper than a path may be: made and removed through folder handles,
// since no call takes its whole path.
class DeepFolders {
  public:
    DeepFolders(const std::string& top, int levels) : top_(top), levels_(levels) {
        fs::create_directories(top_);
        int fd = ::open(top_.c_str(), O_RDONLY | O_DIRECTORY);
        for (int i = 0; i < levels_ && fd >= 0; ++i) {
            ::mkdirat(fd, kName.c_str(), 0755);
            const int next = ::openat(fd, kName.c_str(), O_RDONLY | O_DIRECTORY);
            ::close(fd);
            fd = next;
        }
        if (fd >= 0) {
            const int file = ::openat(fd, "bottom.txt", O_WRONLY | O_CREAT, 0644);
            if (file >= 0)
                ::close(file);
            ::close(fd);
        }
    }
    ~DeepFolders() {
        // Cut the chain in the middle: both halves have paths short enough to remove.
        std::string middle = top_;
        for (int i = 0; i < levels_ / 2; ++i)
            middle += "/" + kName;
        std::error_code ec;
        fs::rename(middle, top_ + "-half", ec);
        fs::remove_all(top_ + "-half", ec);
        fs::remove_all(top_, ec);
    }

  private:
    const std::string kName = std::string(200, 'n');
    std::string top_;
    int levels_;
};

// A folder below a ticked one that cannot be listed or entered, or whose path is longer
// than the system takes, hides ticked files: each such folder is one line and one error,
// in a full run and in the incremental run after it (never "Nothing to back up").
TEST_F(JobRunTest, EveryFolderTheScanCannotOpenIsNamedAndCounted) {
    sandbox.writeFile("C:\\deep\\top.txt", "at the top");
    DeepFolders deep(sandbox.hostOf('C') + "/deep/chain", 22);
    for (const bool incremental : {false, true}) {
        SCOPED_TRACE(incremental ? "incremental" : "full");
        TBackupRequest request = backup(0, incremental);
        request.selection = [](const TSelectionVisit& visit) { visit("C:\\deep", true); };
        AnswerScript::instance().addAnswer("Statistics", "2");
        const TJobOutcome outcome = run(kOpBackup, std::make_unique<TBackupOperation>(request));
        ASSERT_TRUE(outcome.ran) << "not \"Nothing to back up\"";
        EXPECT_EQ(outcome.record.FileCount, incremental ? 0 : 1);
        EXPECT_EQ(outcome.record.Errors, 1);
        ASSERT_TRUE(outcome.log);
        const size_t line = outcome.log->find(" - can't open folder.");
        ASSERT_NE(line, std::string::npos) << *outcome.log;
        EXPECT_EQ(outcome.log->find(" - can't open folder.", line + 1), std::string::npos);
        const size_t start = outcome.log->rfind('\n', line) + 1;
        const std::string shown = outcome.log->substr(start, line - start);
        EXPECT_TRUE(shown.starts_with("***ERROR***")) << shown;
        EXPECT_NE(shown.find(" C:\\deep\\chain\\nnn"), std::string::npos) << shown;
    }

    // As another user: folders without read, without search, or without both rights.
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to scan as another user";
    struct Row {
        const char* name;
        fs::perms mode;
        bool lost; // its file is hidden from the scan
    };
    const Row rows[] = {{"none", fs::perms::none, true},
                        {"writeAndSearch", static_cast<fs::perms>(0311), true},
                        {"readOnly", static_cast<fs::perms>(0644), true},
                        {"open", static_cast<fs::perms>(0755), false}};
    for (const Row& row : rows)
        sandbox.writeFile(std::string("C:\\perm\\") + row.name + "\\f.txt", row.name);
    sandbox.writeFile("C:\\perm\\emptyReadOnly\\.keep", "");
    fs::remove(sandbox.hostOf('C') + "/perm/emptyReadOnly/.keep");
    for (const std::string& folder :
         {sandbox.root(), sandbox.hostOf('C'), sandbox.hostOf('C') + "/perm"})
        fs::permissions(folder, static_cast<fs::perms>(0755));
    for (const Row& row : rows)
        fs::permissions(sandbox.hostOf('C') + "/perm/" + row.name, row.mode);
    fs::permissions(sandbox.hostOf('C') + "/perm/emptyReadOnly", static_cast<fs::perms>(0644));
    TBackupRequest request = backup(0, false);
    request.selection = [](const TSelectionVisit& visit) {
        RealUser nobody;
        nobody.uid = 65534;
        nobody.gid = 65534;
        ActingAsUser as(nobody);
        ASSERT_TRUE(as.ok());
        visit("C:\\perm", true);
    };
    AnswerScript::instance().addAnswer("Statistics", "2");
    const TJobOutcome outcome = run(kOpBackup, std::make_unique<TBackupOperation>(request));
    for (const Row& row : rows)
        fs::permissions(sandbox.hostOf('C') + "/perm/" + row.name, fs::perms::owner_all);
    ASSERT_TRUE(outcome.ran);
    ASSERT_TRUE(outcome.log);
    EXPECT_EQ(outcome.record.FileCount, 1) << *outcome.log;
    EXPECT_EQ(outcome.record.Errors, 3) << *outcome.log;
    for (const Row& row : rows)
        EXPECT_EQ(outcome.log->find(std::string("C:\\perm\\") + row.name +
                                    " - can't open folder.") != std::string::npos,
                  row.lost)
            << row.name;
    EXPECT_EQ(outcome.log->find("emptyReadOnly"), std::string::npos) << "nothing lost there";
}

// A delete refused because the copy sits behind a link on the media is no "deleted".
TEST_F(JobRunTest, ADeleteRefusedAtALinkSaysSoAndCounts) {
    AnswerScript& script = AnswerScript::instance();
    script.addAnswer("Statistics", "2");
    run(kOpBackup, std::make_unique<TBackupOperation>(backup(0, false)));
    const std::string folder = sandbox.hostOf('E') + "/Quillmoor/Drive_C/data";
    fs::rename(folder, sandbox.hostOf('E') + "/elsewhere");
    fs::create_directory_symlink(sandbox.hostOf('E') + "/elsewhere", folder);
    script.addAnswer("Are you sure you want to delete selected files", "6");
    script.addAnswer("Statistics", "2");
    const TJobOutcome outcome =
        run(kOpDeleteFromMedia, std::make_unique<TDeleteOperation>(restore({"C:\\data\\a.txt"})));
    ASSERT_TRUE(outcome.log);
    EXPECT_EQ(outcome.log->find("a.txt - deleted."), std::string::npos) << *outcome.log;
    EXPECT_NE(outcome.log->find("C:\\data\\a.txt - not deleted"), std::string::npos)
        << *outcome.log;
    EXPECT_EQ(outcome.record.Errors, 1);
    EXPECT_TRUE(fs::exists(sandbox.hostOf('E') + "/elsewhere/a.txt"));
    EXPECT_EQ(script.failures(), 0);
}

// Files whose dates have no DOS form (the 1970 epoch, before 1980, after 2107) are
// backed up once with the time of the backup, logged and counted; an incremental run of
// the unchanged tree then finds nothing to back up, and one of a file that changed size
// copies that file only.
TEST_F(JobRunTest, DatesARecordCannotHoldAreBackedUpOnceNotOnEveryRun) {
    struct Row {
        const char* name;
        time_t seconds;
    };
    const Row rows[] = {{"epoch.txt", 0}, {"1975.txt", 157766400}, {"2110.txt", 4420000000}};
    for (const Row& row : rows) {
        const std::string dos = std::string("C:\\odd\\") + row.name;
        sandbox.writeFile(dos, row.name);
        const timespec times[2] = {{row.seconds, 0}, {row.seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, toHostPath(dos)->c_str(), times, 0), 0);
    }
    sandbox.writeFile("C:\\odd\\usual.txt", "dated as usual");
    TBackupRequest request = backup(0, false);
    request.selection = [](const TSelectionVisit& visit) { visit("C:\\odd", true); };
    AnswerScript::instance().addAnswer("Statistics", "2");
    const TJobOutcome full = run(kOpBackup, std::make_unique<TBackupOperation>(request));
    ASSERT_TRUE(full.ran);
    EXPECT_EQ(full.record.FileCount, 4);
    EXPECT_EQ(full.record.Errors, 3) << full.log.value_or("");

    request.incremental = true;
    AnswerScript::instance().addAnswer("Nothing to back up", "1");
    const TJobOutcome again = run(kOpBackup, std::make_unique<TBackupOperation>(request));
    EXPECT_FALSE(again.ran) << again.log.value_or("");
    EXPECT_EQ(asked().back(), "Nothing to back up. New file count : 0");

    sandbox.writeFile("C:\\odd\\epoch.txt", "now longer than before");
    const timespec epoch[2] = {{0, 0}, {0, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, toHostPath("C:\\odd\\epoch.txt")->c_str(), epoch, 0), 0);
    AnswerScript::instance().addAnswer("Statistics", "2");
    const TJobOutcome changed = run(kOpBackup, std::make_unique<TBackupOperation>(request));
    ASSERT_TRUE(changed.ran);
    EXPECT_EQ(changed.record.FileCount, 1);
    EXPECT_EQ(changed.record.Errors, 1) << changed.log.value_or("");
    EXPECT_EQ(AnswerScript::instance().failures(), 0);
}

} // namespace
} // namespace qm
