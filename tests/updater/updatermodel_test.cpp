#include "updater/updatermodel.h"

#include "installedsandbox.h"
#include "platform/datetime.h"
#include "platform/fileio.h"
#include "platform/productkeys.h"
#include "platform/registry.h"
#include "platform/settingkeys.h"
#include "setup/uninstaller.h"
#include "support/lzfiles.h"
#include "testhttpserver.h"
#include "updater/updatersettings.h"

#include <QCoreApplication>
#include <QObject>
#include <chrono>
#include <climits>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

namespace qm {
namespace {

namespace fs = std::filesystem;
using Length = test::ScriptedReply::Length;
using State = TUpdaterModel::State;

constexpr const char* kCheckTarget = test::kInstalledCheckTarget;
constexpr const char* kReleaseFolder = "/software/updates/2026-15-03/";
constexpr const char* kUnrecognized = "Unrecognized server response.";

struct ReleaseFile {
    std::string name;
    test::ScriptedReply reply;
    std::string date = "2026-14-03";
};

test::ScriptedReply body(std::string text, Length length = Length::Exact) {
    test::ScriptedReply reply;
    reply.body = std::move(text);
    reply.length = length;
    return reply;
}

std::string releaseReply(const std::vector<ReleaseFile>& files) {
    std::string text = "<result>NEW RELEASE</result>\r\n<descr>Faster backups.\r\nFewer "
                       "questions.</descr>\r\n<date>2026-15-03</date>\r\n";
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string tag = "file_" + std::to_string(i);
        text += "<" + tag + "><name>" + files[i].name + "</name><date>" + files[i].date +
                "</date></" + tag + ">\r\n";
    }
    return text;
}

// An installed sandbox, a scripted server and the model wired to recorders instead of a
// window.
class UpdaterFlow : public ::testing::Test {
  protected:
    UpdaterFlow() {
        setClock([] { return 46100.5; });
    }

    void offer(const std::vector<ReleaseFile>& files) {
        server.reply(kCheckTarget, body(releaseReply(files)));
        for (const ReleaseFile& file : files)
            server.reply(kReleaseFolder + file.name, file.reply);
    }

    void start(std::vector<std::string> arguments = {"updater"}) {
        TUpdaterModel::Actions a;
        a.post = [this](std::function<void()> task) {
            QMetaObject::invokeMethod(&context, std::move(task), Qt::QueuedConnection);
        };
        a.showWindow = [this] {
            visible = true;
            model->FormShow();
        };
        a.hideWindow = [this] { visible = false; };
        a.windowVisible = [this] { return visible; };
        a.closeWindow = [this] { ended = ended || model->FormClose(); };
        a.SetTrayIcon = [this](int frame) { frames.push_back(frame); };
        a.removeTrayIcon = [this] { trayRemoved = true; };
        a.IsMainProgramRunning = [this] { return mainProgramRunning; };
        a.IAmAdmin = [this] { return admin; };
        a.startProgram = [this](const std::string& path) { started.push_back(path); };
        a.busyCursor = [](bool) {};
        TUpdaterModel::Config config{*parseServerAddress(server.authority()), timeoutMs, folder};
        auto message = [this](int kind, const std::string& text) {
            messages.push_back(text);
            if (whileAsked)
                whileAsked();
            if (!answers.empty()) {
                const int answer = answers.front();
                answers.pop_front();
                return answer;
            }
            return kind == 2 ? 7 : 1;
        };
        model = std::make_unique<TUpdaterModel>(message, a, config);
        created = model->FormCreate(arguments);
        if (created && !model->silent())
            a.showWindow();
    }

    // Runs the window thread's events and the one-second timer until `done`.
    void runUntil(const std::function<bool()>& done, int ms = 8000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) {
                ADD_FAILURE() << "timed out waiting";
                return;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            model->tmr_UpdateTimer();
        }
    }

    void check() {
        model->tmr_DownloadTimer();
        runUntil([this] { return model->state() != State::Checking; });
    }

    std::map<std::string, std::string> installed() const { return sandbox.installed(); }
    std::string read(const std::string& relative) const { return sandbox.read(relative); }
    std::string localDate(const std::string& relative) const { return sandbox.localDate(relative); }

    test::InstalledSandbox sandbox;
    test::TestHttpServer server{200, 30000};
    QObject context;
    std::string folder = sandbox.folder();
    int timeoutMs = 600;
    bool admin = true;
    bool mainProgramRunning = false;
    bool visible = false;
    bool created = false;
    bool ended = false;
    bool trayRemoved = false;
    std::vector<int> frames;
    std::vector<std::string> messages;
    std::deque<int> answers;
    std::function<void()> whileAsked;
    std::vector<std::string> started;
    std::unique_ptr<TUpdaterModel> model;
};

struct CheckRow {
    const char* name;
    test::ScriptedReply reply;
    const char* message; // what a visible check says; a silent one says nothing
};

class CheckOutcome : public UpdaterFlow, public ::testing::WithParamInterface<CheckRow> {};

TEST_P(CheckOutcome, EndsTheUpdaterWithItsMessageOnlyWhenVisible) {
    server.reply(kCheckTarget, GetParam().reply);
    for (const bool silent : {false, true}) {
        messages.clear();
        ended = visible = false;
        start(silent ? std::vector<std::string>{"updater", "-w"}
                     : std::vector<std::string>{"updater"});
        ASSERT_TRUE(created);
        EXPECT_EQ(model->mainPage(),
                  silent ? TUpdaterModel::TS_Description : TUpdaterModel::TS_Request);
        check();
        EXPECT_TRUE(ended);
        EXPECT_EQ(messages, silent ? std::vector<std::string>{}
                                   : std::vector<std::string>{GetParam().message});
        EXPECT_FALSE(silent && visible) << "a silent check shows nothing";
    }
    EXPECT_EQ(server.requestLines(),
              std::vector<std::string>(2, std::string("GET ") + kCheckTarget + " HTTP/1.0"));
}

test::ScriptedReply stalledCheck() {
    test::ScriptedReply reply = body("<result>NO UPDATE</result>");
    reply.stallAfter = 3;
    reply.stallMs = 5000;
    return reply;
}

test::ScriptedReply errorPage() {
    test::ScriptedReply reply = body("<result>NO UPDATE</result>");
    reply.status = 500;
    return reply;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, CheckOutcome,
    ::testing::Values(
        CheckRow{"up_to_date", body("<Result>NO UPDATE</Result>", Length::None),
                 "Your Quillmoor program is up to date."},
        CheckRow{"bad_request", body("<result>BAD REQUEST</result>"), kUnrecognized},
        CheckRow{"lower_case_value", body("<result>new release</result>"), kUnrecognized},
        CheckRow{"trailing_blank", body("<result>NEW RELEASE </result>"), kUnrecognized},
        CheckRow{"error_page", errorPage(), kUnrecognized},
        CheckRow{"time_out", stalledCheck(), kUnrecognized},
        CheckRow{"oversized_reply", body(std::string(70000, ' ') + "<result>NO UPDATE</result>"),
                 kUnrecognized},
        CheckRow{"unsafe_file_name", body(releaseReply({{"../Qmoor.exe", {}}})), kUnrecognized},
        CheckRow{"release_date_no_date",
                 body("<result>NEW RELEASE</result><date>2026-31-02</date>"), kUnrecognized}),
    [](const auto& info) { return std::string(info.param.name); });

// Who may update and what is there to update decide before anything is sent.
TEST_F(UpdaterFlow, StartRulesDecideBeforeTheCheck) {
    admin = false;
    start({"updater", "-w"});
    EXPECT_FALSE(created);
    EXPECT_TRUE(messages.empty());
    start();
    EXPECT_EQ(messages, std::vector<std::string>{TUpdaterModel::kNotAdmin});
    EXPECT_FALSE(Registry().keyExists(kUpdateKey)) << "no day stamp without the rights";

    admin = true;
    messages.clear();
    fs::remove(folder + "/Qmoor");
    server.reply("/software/updates/quillmoor.php?date=", body("<result>NO UPDATE</result>"));
    start();
    EXPECT_TRUE(Registry().keyExists(kUpdateKey));
    check();
    EXPECT_EQ(server.requestLines(),
              std::vector<std::string>{"GET /software/updates/quillmoor.php?date= HTTP/1.0"});

    messages.clear();
    fs::remove_all(folder);
    start();
    check();
    EXPECT_TRUE(ended);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("not installed"), std::string::npos) << messages[0];
    EXPECT_EQ(server.requestLines().size(), 1u) << "no installation, no check";
}

TEST_F(UpdaterFlow, ClosingDuringTheCheckEndsWithoutAnOffer) {
    server.reply(kCheckTarget, stalledCheck());
    start();
    model->tmr_DownloadTimer();
    runUntil([this] { return server.requestLines().size() == 1; });
    model->imr_StopClick();
    EXPECT_TRUE(ended);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(model->state(), State::Ended);
    EXPECT_TRUE(trayRemoved);
}

// A silent check that finds a release shows the window; Yes downloads every file and
// installs it: LZ files expanded, help pages copied into their folder, each with its
// listed date, and "common.exe" started at the end.
TEST_F(UpdaterFlow, ReleaseIsDownloadedAndInstalled) {
    const std::string program = "#!/bin/sh\necho new release\n";
    offer({{"Qmoor.ex_", body(test::literalLzFile(program))},
           {"Help/Backup.htm", body("<html>new page</html>", Length::None), "2026-13-03"},
           {"common.ex_", body(test::literalLzFile("#!/bin/sh\n"))}});
    fs::create_directories(folder + "/Temp/notes");
    std::ofstream(folder + "/Temp/notes/keep.txt") << "not the updater's";
    fs::create_directories(folder + "/Temp/update-x1Y2z3/files"); // a crashed run's
    start({"updater", "-w"});
    EXPECT_FALSE(visible);
    check();
    ASSERT_EQ(model->state(), State::Offered);
    EXPECT_TRUE(visible);
    EXPECT_EQ(model->mainPage(), TUpdaterModel::TS_Description);
    EXPECT_EQ(model->description(), "Faster backups.\r\nFewer questions.");
    model->imr_YesClick();
    EXPECT_EQ(model->mainPage(), TUpdaterModel::TS_Download);
    EXPECT_EQ(model->Total(), 3);
    runUntil([this] { return ended; });

    EXPECT_EQ(messages, std::vector<std::string>{"Update with new release complete."});
    EXPECT_EQ(read("Qmoor"), program);
    EXPECT_EQ(read("Help/Backup.htm"), "<html>new page</html>");
    EXPECT_EQ(localDate("Qmoor"), "2026-03-14 00:00") << "its own listed date, not the first";
    EXPECT_EQ(localDate("Help/Backup.htm"), "2026-03-13 00:00");
    EXPECT_EQ(fs::status(folder + "/Qmoor").permissions() & fs::perms::owner_exec,
              fs::perms::owner_exec);
    EXPECT_EQ(fs::status(folder + "/Help/Backup.htm").permissions() & fs::perms::owner_exec,
              fs::perms::none);
    EXPECT_EQ(read("Temp/notes/keep.txt"), "not the updater's") << "only its own folders go";
    EXPECT_EQ(std::distance(fs::directory_iterator(folder + "/Temp"), {}), 1);
    EXPECT_EQ(started, std::vector<std::string>{folder + "/common"});
    EXPECT_EQ(frames, (std::vector<int>{-1, -1, 0, 2, 4}));
    EXPECT_EQ(server.requestLines(),
              (std::vector<std::string>{std::string("GET ") + kCheckTarget + " HTTP/1.0",
                                        "GET /software/updates/2026-15-03/Qmoor.ex_ HTTP/1.0",
                                        "GET /software/updates/2026-15-03/Help/Backup.htm HTTP/1.0",
                                        "GET /software/updates/2026-15-03/common.ex_ HTTP/1.0"}));
}

// What a release adds is recorded in uninst.ini (each path once, the entries of a new
// folder before it), so an uninstall after the update leaves nothing behind, also not
// the staging folder of an updater that crashed since. Made by root, the new folders may
// be read by every user whatever the administrator's umask.
TEST_F(UpdaterFlow, AnUninstallAfterAnUpdateLeavesNothing) {
    offer({{"Qmoor.ex_", body(test::literalLzFile("new program"))},
           {"Help/Drives.htm", body("<html>Drives</html>")},
           {"Tools/Extra/tool.txt", body("a tool")}});
    const mode_t umaskBefore = umask(077); // an administrator's: root's release is for all
    start();
    check();
    model->imr_YesClick();
    runUntil([this] { return ended; });
    umask(umaskBefore);
    ASSERT_EQ(messages, std::vector<std::string>{"Update with new release complete."});
    ASSERT_EQ(read("Tools/Extra/tool.txt"), "a tool");
    for (const char* made : {"Tools", "Tools/Extra", "Tools/Extra/tool.txt"}) {
        if (geteuid() == 0) {
            EXPECT_EQ(fs::status(folder + "/" + made).permissions() & fs::perms::others_read,
                      fs::perms::others_read)
                << made;
        }
    }
    const std::string base = "C:\\Program Files\\Quillmoor\\";
    std::vector<std::string> lines;
    std::istringstream list(read("uninst.ini"));
    for (std::string line; std::getline(list, line);)
        lines.push_back(line);
    const std::vector<std::string> added = {base + "Help\\Drives.htm\r",
                                            base + "Tools\\Extra\\tool.txt\r",
                                            base + "Tools\\Extra\r", base + "Tools\r"};
    ASSERT_GE(lines.size(), added.size() + 2);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 4), added);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), base + "Qmoor\r"), 1);
    EXPECT_EQ(lines.back(), base + "uninst.ini\r");

    fs::create_directories(folder + "/Temp/update-Q1w2E3/ready");
    TUninstallEnvironment env;
    env.message = [](int kind, const std::string&) { return kind == 2 ? 6 : 1; };
    env.isAdmin = [] { return IsAdmin(); };
    ASSERT_TRUE(TUninstaller(base, env).bbUninstalClick());
    EXPECT_FALSE(fs::exists(folder));
}

TEST_F(UpdaterFlow, ReleaseWithoutTheMainProgramGivesItTheFirstFileDate) {
    offer({{"Help/Backup.htm", body("page"), "2026-10-03"}, {"Help/Faq.htm", body("faq")}});
    start();
    check();
    model->imr_YesClick();
    runUntil([this] { return ended; });
    EXPECT_EQ(localDate("Qmoor"), "2026-03-10 00:00");
    EXPECT_EQ(read("Qmoor"), "old main program");
    EXPECT_TRUE(started.empty());
}

// The program files (not the updater's folder, not uninst.ini, which may name a file the
// release would have added) with their bytes and modes.
std::map<std::string, std::string> programFiles(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(entry.path(), folder).string();
        if (name.starts_with("Temp") || name == "uninst.ini")
            continue;
        std::ostringstream text;
        if (entry.is_regular_file())
            text << std::ifstream(entry.path(), std::ios::binary).rdbuf();
        text << "|" << std::oct
             << static_cast<int>(fs::symlink_status(entry.path()).permissions() & fs::perms::all);
        files[name] = text.str();
    }
    return files;
}

// An updater killed at any change from the moment it records its swap leaves the
// installation wholly old or wholly new once the next run has looked at it, and that run
// never deletes the only copy of an installed file. The kill is the file system refusing
// every change from the Nth on, so the killed run cannot put anything back either.
TEST_F(UpdaterFlow, AKilledUpdateEndsWhollyOldOrWhollyNew) {
    const std::string program = "#!/bin/sh\necho new\n";
    const std::vector<ReleaseFile> release = {{"Qmoor.exe", body(program)},
                                              {"Help/Quillmoor.htm", body("new page")},
                                              {"Help/New/Page.htm", body("added page")}};
    const test::ScriptedReply upToDate = body("<result>NO UPDATE</result>");
    server.reply("/software/updates/quillmoor.php?date=2026-14-03", upToDate);
    fs::permissions(folder + "/Help/Quillmoor.htm", fs::perms::owner_read | fs::perms::owner_write);
    // Copies with the dates: the check asks by the program's date.
    const auto copyTree = [](const fs::path& from, const fs::path& to) {
        fs::remove_all(to);
        fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        for (const auto& entry : fs::recursive_directory_iterator(from))
            fs::last_write_time(to / fs::relative(entry.path(), from), entry.last_write_time());
    };
    const std::string pristine = sandbox.root() + "/pristine";
    copyTree(folder, pristine);
    const auto restore = [&] { copyTree(pristine, folder); };
    const auto before = programFiles(folder);
    const auto update = [&](int killAt) {
        int changes = 0;
        bool swapping = false;
        setFileChangeGate([&](FileChange, std::string_view path) {
            swapping = swapping || path.ends_with("swap.lst");
            return !swapping || ++changes < killAt;
        });
        offer(release);
        messages.clear();
        ended = false;
        start();
        check();
        model->imr_YesClick();
        runUntil([this] { return ended; });
        setFileChangeGate({});
        model.reset();
        return changes;
    };
    const int allChanges = update(INT_MAX);
    const auto after = programFiles(folder);
    EXPECT_EQ(messages, std::vector<std::string>{"Update with new release complete."});
    EXPECT_EQ(read("Qmoor"), program);
    EXPECT_EQ(after.at("Qmoor").substr(program.size()), "|755") << "a program stays runnable";
    EXPECT_EQ(after.at("Help/Quillmoor.htm"), "new page|600") << "the replaced file's mode";
    EXPECT_EQ(after.at("Help/New/Page.htm"), "added page|644");
    ASSERT_GT(allChanges, 5);
    int keptForTheNextRun = 0;
    for (int killAt = 1; killAt <= allChanges; ++killAt) {
        SCOPED_TRACE("killed at change " + std::to_string(killAt));
        restore();
        update(killAt);
        ASSERT_EQ(messages.size(), 1u);
        keptForTheNextRun += messages[0].find("could not be put back") != std::string::npos;
        server.reply(kCheckTarget, upToDate);
        ended = false;
        start(); // the next run: it tidies up, checks and finds nothing new
        check();
        runUntil([this] { return ended; });
        const auto found = programFiles(folder);
        EXPECT_TRUE(found == before || found == after);
        EXPECT_FALSE(fs::exists(folder + "/Temp")) << "the killed run's folder is gone";
    }
    EXPECT_GT(keptForTheNextRun, 3) << "most kill points leave files only the next run puts back";
}

struct FailureRow {
    const char* name;
    std::vector<ReleaseFile> files;
    const char* message;     // a part of the one message shown
    bool helpIsLink = false; // the installed Help folder is a link to a folder elsewhere
    bool listFails = false;  // uninst.ini cannot be written
};

class FailedRelease : public UpdaterFlow, public ::testing::WithParamInterface<FailureRow> {};

// Whatever goes wrong, the installation stays exactly as it was: no file replaced, no
// date changed, "common.exe" not started, the staging folder gone.
TEST_P(FailedRelease, LeavesTheInstallationAsItWas) {
    offer(GetParam().files);
    const std::string elsewhere = sandbox.root() + "/elsewhere";
    fs::create_directories(elsewhere);
    if (GetParam().helpIsLink) {
        fs::remove_all(folder + "/Help");
        fs::create_directory_symlink(elsewhere, folder + "/Help");
    }
    const auto before = installed();
    if (GetParam().listFails)
        setFileChangeGate([](FileChange, std::string_view path) {
            return path.find("uninst.ini") == std::string_view::npos;
        });
    start();
    check();
    ASSERT_EQ(model->state(), State::Offered);
    model->imr_YesClick();
    runUntil([this] { return ended; });
    setFileChangeGate({});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(GetParam().message), std::string::npos) << messages[0];
    EXPECT_EQ(installed(), before);
    EXPECT_TRUE(fs::is_empty(elsewhere)) << "nothing is written outside the install folder";
    EXPECT_TRUE(started.empty());
}

test::ScriptedReply stalledFile() {
    test::ScriptedReply reply = body(std::string(3000, 'x'));
    reply.stallAfter = 100;
    reply.stallMs = 5000;
    return reply;
}

test::ScriptedReply missingFile() {
    test::ScriptedReply reply = body("<html>Not here</html>");
    reply.status = 404;
    return reply;
}

const ReleaseFile kCommon{"common.ex_", body(test::literalLzFile("#!/bin/sh\n"))};
const ReleaseFile kProgram{"Qmoor.ex_", body(test::literalLzFile("new program"))};

INSTANTIATE_TEST_SUITE_P(
    Failures, FailedRelease,
    ::testing::Values(
        FailureRow{"error_page", {kCommon, {"Help/Backup.htm", missingFile()}}, "status 404"},
        FailureRow{"shorter_than_announced",
                   {kCommon, {"Help/Backup.htm", body("page", Length::Short)}},
                   "of the 14 bytes"},
        FailureRow{"longer_than_announced",
                   {kCommon, {"Help/Backup.htm", body("page", Length::Long)}},
                   "more than the 3 bytes"},
        FailureRow{"stalled_download",
                   {kCommon, {"Help/Backup.htm", stalledFile()}},
                   "sent nothing for 0.6 seconds"},
        FailureRow{"lz_length_wrong",
                   {kCommon, {"Qmoor.ex_", body(test::literalLzFile("new program", 99))}},
                   "not a valid compressed file"},
        FailureRow{"not_lz",
                   {kCommon, {"Qmoor.ex_", body("MZ plain program")}},
                   "not a valid compressed file"},
        // A file where a folder is stops the release before anything moves.
        FailureRow{"rolled_back",
                   {kCommon, kProgram, {"Help", body("a file where a folder is")}},
                   "is a folder"},
        FailureRow{"help_folder_is_a_link",
                   {kCommon, {"Help/Backup.htm", body("page")}},
                   "cannot make the folder",
                   true},
        FailureRow{"no_files", {}, "lists no files"},
        // Everything is in place, but what it added cannot be recorded for the uninstaller.
        FailureRow{"install_list_unwritable",
                   {kProgram, {"Tools/New/tool.txt", body("a tool")}},
                   "cannot record the new files",
                   false,
                   true}),
    [](const auto& info) { return std::string(info.param.name); });

// Stop and the tray's Cancel ask first and pause the download while they ask; No goes on
// where it was, Yes cancels and removes what was downloaded.
TEST_F(UpdaterFlow, ClosingDuringTheDownloadAsksAndPausesIt) {
    timeoutMs = 800;
    test::ScriptedReply slow = body(std::string(3000, 'x'));
    slow.stallAfter = 100;
    slow.stallMs = 1500;
    offer({{"Help/One.htm", slow}, {"Help/Two.htm", stalledFile()}});
    const auto before = installed();
    start();
    check();
    model->imr_YesClick();
    runUntil([this] { return model->currentReceived() > 0; });
    answers = {7};
    whileAsked = [] { std::this_thread::sleep_for(std::chrono::milliseconds(1200)); };
    model->imr_StopClick();
    whileAsked = {};
    EXPECT_EQ(messages, std::vector<std::string>{TUpdaterModel::kNotComplete});
    EXPECT_FALSE(ended);
    runUntil([this] { return model->Index() == 1 || ended; });
    EXPECT_FALSE(ended) << "the pause was not taken for a silent server";
    runUntil([this] { return server.requestLines().size() == 3; });
    answers = {6};
    model->mnu_CancelUpdateClick();
    EXPECT_TRUE(ended);
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(installed(), before);
    EXPECT_FALSE(fs::exists(folder + "/Temp"));
}

TEST_F(UpdaterFlow, DeclineWithDontUseTurnsTheUpdaterOff) {
    offer({kCommon});
    start();
    check();
    model->imr_NoClick();
    EXPECT_TRUE(ended);
    EXPECT_FALSE(fs::exists(folder + "/Settings.dat")) << "the tick counts only with No";

    start();
    check();
    model->setUsageTicked(true);
    model->imr_NoClick();
    EXPECT_TRUE(ended);
    EXPECT_NE(read("Settings.dat").find("[UPDATER]\nUpdater=0"), std::string::npos)
        << read("Settings.dat");
    Registry registry;
    uint32_t updater = 1;
    ASSERT_TRUE(registry.openKeyReadOnly(kSettingsKey));
    EXPECT_EQ(registry.readDword("Updater", updater), RegistryStatus::Ok);
    EXPECT_EQ(updater, 0u);
    EXPECT_TRUE(started.empty());
}

// The main program must be closed at Yes, and again just before files are replaced; a
// user who gives up there gets nothing installed and nothing recorded.
TEST_F(UpdaterFlow, MainProgramMustBeClosedAtYesAndAgainBeforeInstalling) {
    offer({kCommon, kProgram});
    const auto before = installed();
    start();
    check();
    mainProgramRunning = true;
    answers = {1};
    whileAsked = [this] {
        if (messages.size() == 2)
            mainProgramRunning = false;
    };
    model->imr_YesClick();
    EXPECT_EQ(messages.size(), 2u) << "the question repeats while the program runs";
    EXPECT_EQ(model->state(), State::Downloading);
    whileAsked = {};
    runUntil([this] { return model->Index() == 1; });
    mainProgramRunning = true; // started again while the files come in
    answers = {2};
    runUntil([this] { return ended; });
    EXPECT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages.back(), TUpdaterModel::kMainProgramRunning);
    EXPECT_EQ(installed(), before);
    EXPECT_TRUE(started.empty());
}

} // namespace
} // namespace qm
