// The updater from end to end on an installed sandbox, against the scripted server: the
// real program as a child for the checks that end by themselves, and the real window in
// this process for the release that is accepted and the download that is cancelled.

#include "installedsandbox.h"
#include "platform/answerscript.h"
#include "support/lzfiles.h"
#include "testhttpserver.h"
#include "updater/frmmain.h"

#include <QLabel>
#include <QProcess>
#include <QStackedWidget>
#include <QTest>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include <gtest/gtest.h>

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::ScriptedReply;

constexpr int kWaitMs = 20000;
const std::string kCheckLine = std::string("GET ") + test::kInstalledCheckTarget + " HTTP/1.0";

ScriptedReply reply(std::string body) {
    ScriptedReply r;
    r.body = std::move(body);
    return r;
}

ScriptedReply stalled(std::string body, int ms) {
    ScriptedReply r = reply(std::move(body));
    r.stallAfter = 3;
    r.stallMs = ms;
    return r;
}

class UpdaterEndToEnd : public ::testing::Test {
  protected:
    UpdaterEndToEnd() {
        if (::geteuid() != 0)
            skip = "the updater needs administrator rights, which are root's here";
    }
    ~UpdaterEndToEnd() override { AnswerScript::instance().reset(); }

    std::string skip;
    test::InstalledSandbox sandbox;
    test::TestHttpServer server{8, 30000};
};

#ifdef QM_UPDATER_PROGRAM
struct ChildRow {
    const char* name;
    ScriptedReply check;
    bool silent;
    const char* asked; // the answer log: "<kind>|<answer>|<text>" lines
};

class UpdaterProgram : public UpdaterEndToEnd, public ::testing::WithParamInterface<ChildRow> {};

// The program as the main program or the shortcut starts it, with its server and time-out
// from the environment: each check ends by itself, visibly with its message.
TEST_P(UpdaterProgram, EndsTheCheckByItself) {
    if (!skip.empty())
        GTEST_SKIP() << skip;
    server.reply(test::kInstalledCheckTarget, GetParam().check);
    const std::string answers = sandbox.root() + "/answers";
    const std::string asked = sandbox.root() + "/asked";
    std::ofstream(answers) << "up to date=1\nUnrecognized server response=1\n";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QUILLMOOR_UPDATE_SERVER", QString::fromStdString(server.authority()));
    env.insert("QUILLMOOR_UPDATE_TIMEOUT_MS", "500");
    env.insert("QUILLMOOR_ANSWERS", QString::fromStdString(answers));
    env.insert("QUILLMOOR_ANSWERS_LOG", QString::fromStdString(asked));
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const auto started = std::chrono::steady_clock::now();
    child.start(QStringLiteral(QM_UPDATER_PROGRAM),
                GetParam().silent ? QStringList{"-w"} : QStringList{});
    ASSERT_TRUE(child.waitForFinished(kWaitMs));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));
    std::ostringstream log;
    log << std::ifstream(asked).rdbuf();
    EXPECT_EQ(log.str(), GetParam().asked);
    EXPECT_EQ(server.requestLines(), std::vector<std::string>{kCheckLine});
}

INSTANTIATE_TEST_SUITE_P(
    Checks, UpdaterProgram,
    ::testing::Values(ChildRow{"up_to_date", reply("<result>NO UPDATE</result>"), false,
                               "0|1|Your Quillmoor program is up to date.\n"},
                      ChildRow{"up_to_date_silent", reply("<result>NO UPDATE</result>"), true, ""},
                      ChildRow{"bad_request", reply("<result>BAD REQUEST</result>"), false,
                               "0|1|Unrecognized server response.\n"},
                      ChildRow{"time_out", stalled("<result>NO UPDATE</result>", 10000), false,
                               "0|1|Unrecognized server response.\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdaterEndToEnd, ATerminatedUpdaterEndsAtOnce) {
    if (!skip.empty())
        GTEST_SKIP() << skip;
    server.reply(test::kInstalledCheckTarget, stalled("<result>NO UPDATE</result>", 15000));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QUILLMOOR_UPDATE_SERVER", QString::fromStdString(server.authority()));
    QProcess child;
    child.setProcessEnvironment(env);
    child.start(QStringLiteral(QM_UPDATER_PROGRAM), {"-w"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requestLines().size() == 1; }, kWaitMs));
    ::kill(static_cast<pid_t>(child.processId()), SIGTERM);
    ASSERT_TRUE(child.waitForFinished(5000));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0);
}
#endif

// The real window, its timers and message box (answered by the script): a release with
// the main program, a help page and "common.exe" is installed, and "common.exe" runs.
TEST_F(UpdaterEndToEnd, AcceptedReleaseIsInstalledAndCommonRuns) {
    if (!skip.empty())
        GTEST_SKIP() << skip;
    const std::string release =
        "<result>NEW RELEASE</result><descr>Help for the Drives page.</descr>"
        "<date>2026-15-03</date>"
        "<file_0><name>Qmoor.ex_</name><date>2026-14-03</date></file_0>"
        "<file_1><name>Help/Drives.htm</name><date>2026-13-03</date></file_1>"
        "<file_2><name>common.ex_</name><date>2026-14-03</date></file_2>";
    server.reply(test::kInstalledCheckTarget, reply(release));
    server.reply("/software/updates/2026-15-03/Qmoor.ex_",
                 reply(test::literalLzFile("#!/bin/sh\nexit 0\n")));
    server.reply("/software/updates/2026-15-03/Help/Drives.htm", reply("<html>Drives</html>"));
    server.reply("/software/updates/2026-15-03/common.ex_",
                 reply(test::literalLzFile("#!/bin/sh\ntouch \"$0.ran\"\n")));
    AnswerScript::instance().addAnswer("Update with new release complete.", "1");
    TUpdaterSetup setup;
    setup.arguments = {"updater", "-w"};
    setup.config.server = *parseServerAddress(server.authority());
    TFrmMain window(std::move(setup));
    ASSERT_TRUE(window.created());
    window.start();
    EXPECT_FALSE(window.isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.isVisible(); }, kWaitMs));
    EXPECT_EQ(window.findChild<QStackedWidget*>("pgc_Main")->currentWidget()->objectName(),
              "TS_Description");
    EXPECT_EQ(window.findChild<QLabel*>("lbl_Descrption")->text(), "Help for the Drives page.");
    QTest::mouseClick(window.findChild<QWidget*>("imr_Yes"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window.model().state() == TUpdaterModel::State::Ended; }, kWaitMs));

    EXPECT_EQ(AnswerScript::instance().failures(), 0);
    EXPECT_EQ(sandbox.read("Qmoor"), "#!/bin/sh\nexit 0\n");
    EXPECT_EQ(sandbox.read("Help/Drives.htm"), "<html>Drives</html>");
    EXPECT_EQ(sandbox.read("Help/Quillmoor.htm"), "<html>help</html>");
    EXPECT_EQ(sandbox.localDate("Help/Drives.htm"), "2026-03-13 00:00");
    EXPECT_FALSE(fs::exists(sandbox.folder() + "/Temp"));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return fs::exists(sandbox.folder() + "/common.ran"); }, kWaitMs))
        << "common.exe is started after the update that installed it";
    EXPECT_EQ(server.requestLines().size(), 4u);
}

// Stop during a download asks; Yes cancels the download, keeps every installed file as it
// was and removes what was downloaded.
TEST_F(UpdaterEndToEnd, DownloadCancelledWithStopChangesNothing) {
    if (!skip.empty())
        GTEST_SKIP() << skip;
    server.reply(test::kInstalledCheckTarget,
                 reply("<result>NEW RELEASE</result><date>2026-15-03</date>"
                       "<file_0><name>common.ex_</name><date>2026-14-03</date></file_0>"));
    server.reply("/software/updates/2026-15-03/common.ex_",
                 stalled(test::literalLzFile("#!/bin/sh\ntouch \"$0.ran\"\n"), 15000));
    AnswerScript::instance().addAnswer("Download & Update is not complete.", "6");
    const auto before = sandbox.installed();
    TUpdaterSetup setup;
    setup.arguments = {"updater"};
    setup.config.server = *parseServerAddress(server.authority());
    TFrmMain window(std::move(setup));
    window.start();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window.model().state() == TUpdaterModel::State::Offered; }, kWaitMs));
    QTest::mouseClick(window.findChild<QWidget*>("imr_Yes"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requestLines().size() == 2; }, kWaitMs));
    QTest::mouseClick(window.findChild<QWidget*>("imr_Stop"), Qt::LeftButton);
    EXPECT_EQ(window.model().state(), TUpdaterModel::State::Ended);
    EXPECT_EQ(AnswerScript::instance().records().size(), 1u);
    EXPECT_EQ(sandbox.installed(), before);
    EXPECT_FALSE(fs::exists(sandbox.folder() + "/common.ran"));
}

} // namespace
} // namespace qm
