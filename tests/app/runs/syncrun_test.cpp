// Synchronisation end to end, through the Sync page, the compare window and the job
// runner as a user drives them: files change, appear and go on both sides of a sandbox,
// the page compares and synchronises, and both sides are then checked byte for byte (the
// media side by restoring it into a folder of its own), in plain, per-file archive,
// run archive and encrypted modes. Questions are answered by the answer script.

#include "app/drives/mediadrives.h"
#include "app/mainwindow/frmmain.h"
#include "app/pages/sync/syncpage.h"
#include "app/runs/backupoperation.h"
#include "app/runs/syncoperation.h"
#include "app/runwindows/joblauncher.h"
#include "app/stores/reportstore.h"
#include "engine/backupjob.h"
#include "engine/enginestate.h"
#include "platform/answerscript.h"
#include "platform/fileio.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace qm {
namespace {

namespace fs = std::filesystem;

struct Mode {
    const char* name;
    int compression; // 0 none, 1 one archive per run, 2 one archive per file
    bool encryption;
};

class SyncRunTest : public ::testing::Test {
  protected:
    SyncRunTest() {
        AnswerScript::instance().reset();
        AnswerScript::instance().start();
        Engine().Reset();
        Engine().SleepProc = [](int) {};
        MakeMediaDrive("E:\\");
        createFolderChain("C:\\program");
    }
    ~SyncRunTest() override {
        w.reset();
        Engine().Reset();
        Engine().SleepProc = nullptr;
        AnswerScript::instance().reset();
    }

    void answer(const char* part, const char* text) {
        AnswerScript::instance().addAnswer(part, text);
    }
    void write(const std::string& path, const std::string& content, int day) {
        sandbox.writeFile(path, content);
        sandbox.setFileTime(path, 2026, 3, day, 10, 0, 0);
    }
    // The main window with the settings of `mode`, on the Sync page.
    void openSyncPage(const Mode& mode) {
        TMainWindowSetup setup;
        setup.splashShown = true;
        w = std::make_unique<TfrmMain>(std::move(setup));
        TSettingsPageModel& settings = w->model().settings();
        settings.setCompressionType(mode.compression);
        settings.setEncryption(mode.encryption);
        settings.WriteSettings(false, false);
        w->model().ShowMenuPanel();
        w->model().menuClick(TMainWindowModel::MenuButton::Tools);
    }
    void backUp(const Mode& mode, std::vector<std::string> paths) {
        TBackupRequest r;
        r.mediaCaption = "(E:\\)";
        r.incremental = false;
        r.encryption = mode.encryption;
        r.compressionType = mode.compression;
        r.level = 6;
        r.selection = [paths](const TSelectionVisit& visit) {
            for (const std::string& p : paths)
                visit(p, false);
        };
        if (mode.encryption)
            answer("Enter Password for Encryption", "Secret");
        answer("Statistics", "2");
        ASSERT_TRUE(w->jobs().run(kOpBackup, std::make_unique<TBackupOperation>(r)).ran);
    }
    TSyncPageModel& page() { return w->syncPage()->model(); }
    void compareAll() {
        for (const auto& root : page().tree().roots())
            if (root->state != TCheckTree::kChecked)
                page().tree().click(root.get());
        page().imr_CompareClick();
    }
    std::map<std::string, TSyncKind> rows() {
        std::map<std::string, TSyncKind> kinds;
        for (const TSyncRow& row : page().list().rows())
            kinds[row.name] = row.kind;
        return kinds;
    }
    // What the media holds for `paths`, restored into C:\check.
    std::map<std::string, std::string> mediaContents(const std::vector<std::string>& paths) {
        fs::remove_all(sandbox.hostOf('C') + "/check");
        createFolderChain("C:\\check");
        TBackUpJob job;
        job.SetDestination('E');
        job.SetRestoreType("C:\\check\\");
        job.LoadDriveList();
        job.SourceFiles = paths;
        Engine().PasswordList = {"Secret"};
        job.Restore();
        std::map<std::string, std::string> contents;
        for (const std::string& p : paths)
            if (auto text = sandbox.readFile("C:\\check\\" + p.substr(3)))
                contents[p] = *text;
        return contents;
    }
    std::vector<std::string> catalogue() {
        TBackUpJob job;
        job.SetDestination('E');
        std::vector<std::string> paths;
        job.ListDriveFiles(nullptr, nullptr, nullptr, &paths);
        return paths;
    }

    // Runs operation `code` over the ticked rows of the last comparison without the
    // runner window, so a test can act from inside the password window (`password`) and
    // between two files of the run (`duringRun`, called from the progress procedure).
    struct DirectRun {
        TJobOutcome outcome;
        std::vector<std::string> messages;
    };
    DirectRun runDirect(int code, const std::function<void(const std::string& prompt)>& password,
                        const std::function<void(const TJobRunnerModel&)>& duringRun) {
        TSyncRequest request;
        request.mediaCaption = "(E:\\)";
        request.deletions = page().list().ticked(TSyncKind::Red);
        const TSyncLists blue = page().list().ticked(TSyncKind::Blue);
        const TSyncLists green = page().list().ticked(TSyncKind::Green);
        request.mediaToHardDrive = code == kOpSyncBothWays ? blue : green;
        if (code != kOpSyncBothWays)
            request.mediaToHardDrive.append(blue);
        request.hardDriveToMedia = code == kOpSyncBothWays ? green : request.mediaToHardDrive;
        request.encryption = true;
        request.run = code == kOpSyncBothWays       ? TSyncRun::BothWays
                      : code == kOpMediaToHardDrive ? TSyncRun::MediaToHardDrive
                      : code == kOpHardDriveToMedia ? TSyncRun::HardDriveToMedia
                                                    : TSyncRun::Deletions;
        EXPECT_EQ(SyncOperationCode(request.run), code);
        DirectRun result;
        TJobRunnerModel runner(code, {});
        runner.setHooks({{}, [&] { duringRun(runner); }, {}});
        TJobServices services;
        services.message = [&result](int, const std::string& text) {
            result.messages.push_back(text);
            return 1;
        };
        services.askPassword = [&](bool, const std::string& prompt, std::vector<std::string>& list,
                                   bool, const std::string&, const std::function<void()>&) {
            password(prompt);
            list = {"Secret"};
            return 1;
        };
        services.programFolder = [] { return std::string("C:\\program\\"); };
        TJobContext context{runner, services};
        result.outcome = MakeSyncOperation(request)->Run(context);
        return result;
    }
    std::string reportLog(const TActivityRecord& report) {
        return sandbox.readFile(report.ReportFolder + "\\Log.txt").value_or("");
    }

    test::Sandbox sandbox;
    std::unique_ptr<TfrmMain> w;
};

TEST_F(SyncRunTest, BothWaysWithDeletionsInEveryStorageMode) {
    const Mode modes[] = {{"plain", 0, false},
                          {"archive per file", 2, false},
                          {"run archive", 1, false},
                          {"encrypted", 2, true}};
    for (const Mode& mode : modes) {
        SCOPED_TRACE(mode.name);
        fs::remove_all(sandbox.hostOf('E') + "/Quillmoor/Drive_C");
        deleteFile("E:\\Quillmoor\\drive.lst");
        fs::remove_all(sandbox.hostOf('E') + "/Quillmoor/Reports");
        fs::remove_all(sandbox.hostOf('C') + "/data");
        write("C:\\data\\same.txt", "unchanged on both sides", 1);
        write("C:\\data\\green.txt", "first version", 1);
        write("C:\\data\\sub\\blue.txt", "the media's version, to come back", 1);
        write("C:\\data\\red.txt", "deleted on the hard drive", 1);
        const std::vector<std::string> all = {"C:\\data\\same.txt", "C:\\data\\green.txt",
                                              "C:\\data\\sub\\blue.txt", "C:\\data\\red.txt"};
        openSyncPage(mode);
        backUp(mode, all);

        // Changed on the hard drive, stale on the hard drive, gone, and new.
        write("C:\\data\\green.txt", "second version, written on the hard drive", 2);
        write("C:\\data\\sub\\blue.txt", "stale", 1);
        sandbox.setFileTime("C:\\data\\sub\\blue.txt", 2026, 2, 1, 10, 0, 0);
        deleteFile("C:\\data\\red.txt");
        write("C:\\data\\new.txt", "only on the hard drive", 2);

        w->model().menuClick(TMainWindowModel::MenuButton::Backup);
        w->model().menuClick(TMainWindowModel::MenuButton::Tools); // reads the catalogue
        compareAll();
        EXPECT_EQ(rows(), (std::map<std::string, TSyncKind>{{"green.txt", TSyncKind::Green},
                                                            {"blue.txt", TSyncKind::Blue},
                                                            {"red.txt", TSyncKind::Red}}));
        page().imr_CheckAllClick();
        page().setDeleteOnMedia(true);
        page().setSyncOption(TSyncPageModel::SyncTheFiles);
        if (mode.encryption) {
            answer("Add Password for Decryption", "Secret");
            answer("Enter Password for Encryption", "Secret");
        }
        answer("Statistics", "2");
        answer("Statistics", "2");
        const size_t asked = AnswerScript::instance().records().size();
        page().imr_SyncClick();
        size_t summaries = 0;
        for (size_t i = asked; i < AnswerScript::instance().records().size(); ++i)
            summaries += AnswerScript::instance().records()[i].text.starts_with("Statistics");
        EXPECT_EQ(summaries, 2u) << "the deletions show no summary, each copy run its own";

        // The hard drive has the media's version back, with the media's date.
        EXPECT_EQ(sandbox.readFile("C:\\data\\sub\\blue.txt"), "the media's version, to come back");
        EXPECT_EQ(fileDosDateTime("C:\\data\\sub\\blue.txt"),
                  dateTimeToDos(encodeDateTime({2026, 3, 1, 10, 0, 0, 0})));
        EXPECT_EQ(sandbox.readFile("C:\\data\\new.txt"), "only on the hard drive");
        EXPECT_FALSE(fileExists("C:\\data\\red.txt")) << "nothing brought back that was deleted";
        // The media has the hard drive's newer file and lost the deleted one.
        const auto media = mediaContents(all);
        EXPECT_EQ(media.at("C:\\data\\green.txt"), "second version, written on the hard drive");
        EXPECT_EQ(media.at("C:\\data\\sub\\blue.txt"), "the media's version, to come back");
        EXPECT_EQ(media.at("C:\\data\\same.txt"), "unchanged on both sides");
        EXPECT_EQ(media.count("C:\\data\\red.txt"), 0u);
        const std::vector<std::string> listed = catalogue();
        EXPECT_EQ(std::count(listed.begin(), listed.end(), "C:\\data\\red.txt"), 0);
        EXPECT_EQ(std::count(listed.begin(), listed.end(), "C:\\data\\new.txt"), 0);

        // One report per run, counted from what each run finished.
        TActivityArray reports;
        LoadReports(reports, "E:\\");
        ASSERT_EQ(reports.size(), 4u)
            << "backup, deletion, media to hard drive, hard drive to media";
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(reports[i].ActivityType, "Synchronize");
            EXPECT_EQ(reports[i].FileCount, 1);
            EXPECT_EQ(reports[i].Errors, 0);
        }
        EXPECT_EQ(reports[2].SizeText, "0 Kb") << "deletions have no size";

        // Both sides agree now.
        answer("No file differences were found.", "1");
        compareAll();
        EXPECT_TRUE(page().list().empty());
        EXPECT_EQ(AnswerScript::instance().failures(), 0);
        EXPECT_EQ(AnswerScript::instance().unusedAnswers(), std::vector<std::string>{});
        w.reset();
    }
}

TEST_F(SyncRunTest, OneWayRunsUseTheComparedDriveCheckItAndNeverHalfWriteAUsersFile) {
    const Mode mode{"archive per file", 2, false};
    write("C:\\data\\a.txt", "a as backed up", 1);
    write("C:\\data\\b.txt", "b as backed up", 1);
    const std::vector<std::string> both = {"C:\\data\\a.txt", "C:\\data\\b.txt"};
    sandbox.addDrive('G', DriveType::Removable);
    MakeMediaDrive("G:\\");
    SetMediaDriveSetting("(E:\\)");
    openSyncPage(mode);
    backUp(mode, both);
    const auto change = [&](const char* name, const std::string& content, int day) {
        write(std::string("C:\\data\\") + name, content, day);
        if (day == 0)
            sandbox.setFileTime(std::string("C:\\data\\") + name, 2026, 2, 1, 10, 0, 0);
    };
    const auto compareAndTick = [&](int option) {
        w->model().menuClick(TMainWindowModel::MenuButton::Backup);
        w->model().menuClick(TMainWindowModel::MenuButton::Tools);
        compareAll();
        page().imr_CheckAllClick();
        page().setSyncOption(option);
    };
    const auto newestLog = [&]() -> std::string {
        TActivityArray reports;
        LoadReports(reports, "E:\\");
        std::string folder = reports.empty() ? std::string() : reports.front().ReportFolder;
        if (!folder.empty() && folder.back() != '\\')
            folder += '\\';
        return sandbox.readFile(folder + "Log.txt").value_or("");
    };

    // Hard drive overwrites media: both rows go to the drive that was compared, even
    // with another media drive chosen since; the log starts fresh.
    change("a.txt", "a newer on the hard drive", 2);
    change("b.txt", "b older on the hard drive", 0);
    compareAndTick(TSyncPageModel::HardDriveOverwritesMedia);
    ASSERT_EQ(page().list().rows().size(), 2u);
    answer("Nothing to Synchronize", "1"); // G: has no catalogue
    page().selectMediaDrive(1);
    ASSERT_EQ(page().driveText(), "(G:\\)");
    sandbox.writeFile("C:\\program\\Log.txt", "a line of an earlier run\r\n");
    answer("Statistics", "2");
    page().imr_SyncClick();
    auto media = mediaContents(both);
    EXPECT_EQ(media["C:\\data\\a.txt"], "a newer on the hard drive");
    EXPECT_EQ(media["C:\\data\\b.txt"], "b older on the hard drive");
    EXPECT_FALSE(folderExists("G:\\Quillmoor\\Drive_C"));
    const std::string log = newestLog();
    EXPECT_NE(log.find("C:\\data\\a.txt"), std::string::npos);
    EXPECT_EQ(log.find("earlier run"), std::string::npos);

    // Media overwrites the hard drive: the green row comes back from the media too.
    change("a.txt", "a changed once more", 3);
    page().selectMediaDrive(0);
    compareAndTick(TSyncPageModel::MediaOverwritesHardDrive);
    answer("Statistics", "2");
    page().imr_SyncClick();
    EXPECT_EQ(sandbox.readFile("C:\\data\\a.txt"), "a newer on the hard drive");

    // A damaged media copy: the user's file stays exactly as it was, nothing is left
    // beside it, and the run counts the failure.
    change("b.txt", "b the user keeps", 0);
    sandbox.setFileTime("C:\\data\\b.txt", 2026, 1, 10, 10, 0, 0); // older than the media's
    const std::string archive = sandbox.hostOf('E') + "/Quillmoor/Drive_C/data/b.txt.bpa";
    ASSERT_TRUE(fs::exists(archive));
    {
        std::fstream bytes(archive, std::ios::in | std::ios::out | std::ios::binary);
        bytes.seekp(-8, std::ios::end);
        bytes.write("\xff\xff\xff\xff\xff\xff\xff\xff", 8);
    }
    compareAndTick(TSyncPageModel::MediaOverwritesHardDrive);
    ASSERT_EQ(page().list().rows().size(), 1u);
    answer("Statistics", "2");
    page().imr_SyncClick();
    EXPECT_EQ(sandbox.readFile("C:\\data\\b.txt"), "b the user keeps");
    size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(sandbox.hostOf('C') + "/data"))
        ++entries;
    EXPECT_EQ(entries, 2u) << "no half-written file beside the user's";
    TActivityArray reports;
    LoadReports(reports, "E:\\");
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.front().Errors, 1);

    // The compared drive is gone when the copies would start: nothing runs.
    change("a.txt", "a newest", 4);
    compareAndTick(TSyncPageModel::HardDriveOverwritesMedia);
    const std::string host = sandbox.hostOf('E');
    DriveTable::instance().unmap('E');
    answer("Wrong Media Drive. Cannot back up any files.", "1");
    page().imr_SyncClick();
    DriveTable::instance().map('E', host, DriveType::Removable);
    EXPECT_EQ(mediaContents(both)["C:\\data\\a.txt"], "a newer on the hard drive");
    EXPECT_EQ(AnswerScript::instance().failures(), 0);
    EXPECT_EQ(AnswerScript::instance().unusedAnswers(), std::vector<std::string>{});
}

TEST_F(SyncRunTest, AFileThatChangedAfterTheComparisonIsLeftAsItIsNow) {
    const Mode mode{"plain", 0, false};
    write("C:\\data\\kept.txt", "the backed-up version", 2);
    write("C:\\data\\back.txt", "backed up, then deleted", 2);
    const std::vector<std::string> both = {"C:\\data\\kept.txt", "C:\\data\\back.txt"};
    openSyncPage(mode);
    backUp(mode, both);
    write("C:\\data\\kept.txt", "older on the hard drive", 1);
    deleteFile("C:\\data\\back.txt");
    w->model().menuClick(TMainWindowModel::MenuButton::Backup);
    w->model().menuClick(TMainWindowModel::MenuButton::Tools);
    compareAll();
    ASSERT_EQ(rows(), (std::map<std::string, TSyncKind>{{"kept.txt", TSyncKind::Blue},
                                                        {"back.txt", TSyncKind::Red}}));
    page().imr_CheckAllClick();
    page().setDeleteOnMedia(true);
    page().setSyncOption(TSyncPageModel::MediaOverwritesHardDrive);

    // Before the Sync button, the user edits one file and brings the other back, spelled
    // in capitals: neither is what the rows offered, so neither is touched.
    write("C:\\data\\kept.txt", "edited after the comparison", 3);
    write("C:\\data\\BACK.TXT", "brought back", 3);
    answer("changed after the comparison", "1");
    answer("changed after the comparison", "1");
    page().imr_SyncClick();
    EXPECT_EQ(sandbox.readFile("C:\\data\\kept.txt"), "edited after the comparison");
    const std::vector<std::string> listed = catalogue();
    EXPECT_EQ(std::count(listed.begin(), listed.end(), "C:\\data\\back.txt"), 1)
        << "the backup of a file that is there again stays";
    EXPECT_EQ(AnswerScript::instance().failures(), 0);
    EXPECT_EQ(AnswerScript::instance().unusedAnswers(), std::vector<std::string>{});
}

TEST_F(SyncRunTest, EachFileIsCheckedRightBeforeItIsReplacedAndAChangedOneIsKeptAndNamed) {
    const Mode mode{"encrypted plain copies", 0, true};
    write("C:\\data\\asked.txt", "asked: the media's version", 2);
    write("C:\\data\\later.txt", "later: the media's version", 2);
    write("C:\\data\\green.txt", "green: the media's version", 2);
    const std::vector<std::string> all = {"C:\\data\\asked.txt", "C:\\data\\later.txt",
                                          "C:\\data\\green.txt"};
    openSyncPage(mode);
    backUp(mode, all);
    // Two files older on the hard drive (the media's copies come back), one newer.
    write("C:\\data\\asked.txt", "asked: stale", 1);
    write("C:\\data\\later.txt", "later: stale", 1);
    write("C:\\data\\green.txt", "green: newer on the hard drive", 3);
    w->model().menuClick(TMainWindowModel::MenuButton::Backup);
    w->model().menuClick(TMainWindowModel::MenuButton::Tools);
    compareAll();
    ASSERT_EQ(rows(), (std::map<std::string, TSyncKind>{{"asked.txt", TSyncKind::Blue},
                                                        {"later.txt", TSyncKind::Blue},
                                                        {"green.txt", TSyncKind::Green}}));
    page().imr_CheckAllClick();

    // Media to hard drive: one file saved while the password window is open, another
    // while the first file is being restored. Both stay as the user saved them, the run
    // counts and logs them, and the message at the end names them.
    bool laterSaved = false;
    const DirectRun toHardDrive = runDirect(
        kOpMediaToHardDrive,
        [&](const std::string&) { write("C:\\data\\asked.txt", "asked: saved meanwhile", 4); },
        [&](const TJobRunnerModel& runner) {
            if (laterSaved || runner.texts().operation != "Backup process..." ||
                runner.FinishedCount < 1)
                return;
            laterSaved = true;
            write("C:\\data\\later.txt", "later: saved meanwhile", 4);
        });
    ASSERT_TRUE(laterSaved);
    EXPECT_EQ(sandbox.readFile("C:\\data\\asked.txt"), "asked: saved meanwhile");
    EXPECT_EQ(sandbox.readFile("C:\\data\\later.txt"), "later: saved meanwhile");
    EXPECT_EQ(sandbox.readFile("C:\\data\\green.txt"), "green: the media's version")
        << "the unchanged file is restored";
    EXPECT_EQ(toHardDrive.outcome.record.Errors, 2);
    EXPECT_EQ(toHardDrive.messages, std::vector<std::string>{ChangedSinceCompareText(
                                        {"C:\\data\\asked.txt", "C:\\data\\later.txt"})});
    TActivityArray reports;
    LoadReports(reports, "E:\\");
    ASSERT_FALSE(reports.empty());
    const std::string log = reportLog(reports.front());
    EXPECT_NE(log.find("C:\\data\\asked.txt - left as it is"), std::string::npos) << log;
    EXPECT_NE(log.find("C:\\data\\later.txt - left as it is"), std::string::npos) << log;

    // Both ways: the green row's file is replaced by an older copy while the run asks for
    // the encryption password. The media's newer copy is not backed up over.
    write("C:\\data\\asked.txt", "asked: stale again", 1);
    write("C:\\data\\later.txt", "later: the media's version", 2);
    write("C:\\data\\green.txt", "green: newest on the hard drive", 5);
    compareAll();
    ASSERT_EQ(rows(), (std::map<std::string, TSyncKind>{{"asked.txt", TSyncKind::Blue},
                                                        {"green.txt", TSyncKind::Green}}));
    page().imr_CheckAllClick();
    const DirectRun both = runDirect(
        kOpSyncBothWays,
        [&](const std::string& prompt) {
            if (prompt == "Enter Password for Encryption")
                write("C:\\data\\green.txt", "green: an older copy put back", 1);
        },
        [](const TJobRunnerModel&) {});
    EXPECT_EQ(sandbox.readFile("C:\\data\\asked.txt"), "asked: the media's version");
    EXPECT_EQ(mediaContents(all).at("C:\\data\\green.txt"), "green: the media's version");
    EXPECT_EQ(both.outcome.record.Errors, 1);
    EXPECT_EQ(both.messages,
              std::vector<std::string>{ChangedSinceCompareText({"C:\\data\\green.txt"})});
}

} // namespace
} // namespace qm
