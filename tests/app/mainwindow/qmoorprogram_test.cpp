#include "app/mainwindow/qmoorprogram.h"

#include "demoenvironment.h"
#include "platform/programfiles.h"
#include "platform/registry.h"
#include "platform/windowtitle.h"
#include "support/rowname.h"
#include "support/sandbox.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <algorithm>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace qm {
namespace {

struct ArgsRow {
    std::vector<std::string> args;
    bool logon;
};

class LogonStart : public ::testing::TestWithParam<ArgsRow> {};

TEST_P(LogonStart, OnlyAnArgumentEqualToDashWCounts) {
    EXPECT_EQ(isLogonStart(GetParam().args), GetParam().logon);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, LogonStart,
    ::testing::Values(ArgsRow{{"/opt/q/Qmoor", "-w"}, true}, ArgsRow{{"/opt/q/Qmoor"}, false},
                      ArgsRow{{"/opt/q/Qmoor", "-W"}, false},
                      ArgsRow{{"/opt/q/Qmoor", "/home/andrew"}, false}, // ends in "w"
                      ArgsRow{{"/opt/q/Qmoor", "x", "-w"}, true}, ArgsRow{{"-w"}, false}),
    qm::test::RowsNamedBy([](const ArgsRow& row) {
        // The first argument is the program; a row without arguments says so.
        std::string args = row.args.size() < 2 ? "program " + row.args[0] + " alone" : "";
        for (size_t i = 1; i < row.args.size(); ++i)
            args += row.args[i] + " ";
        return args;
    }));

TEST(ProgramFiles, WindowsNamesMapToTheProgramFolderNames) {
    EXPECT_EQ(hostProgramFile("Updater.exe"), "updater");
    EXPECT_EQ(hostProgramFile("QMOOR.EXE"), "Qmoor");
    EXPECT_EQ(hostProgramFile("User.dat"), "User.dat");
    EXPECT_EQ(hostProgramFile("Common.EXE"), "common");
    EXPECT_EQ(hostProgramPath("/opt/q", "Uninstall.exe"), "/opt/q/Uninstall");
    EXPECT_EQ(hostProgramPath("/opt/q/", "Updater.exe"), "/opt/q/updater");
}

// The real program, started as a child in the sandbox: one instance per user, the end at
// login when the user switched it off, the close request of other programs, and a socket
// left by a killed copy. Every wait is bounded.
#ifdef QM_QMOOR_PROGRAM
constexpr int kWaitMs = 20000;

class QmoorProcess : public ::testing::Test {
  protected:
    ~QmoorProcess() override {
        for (auto& child : children) {
            if (child->state() == QProcess::NotRunning)
                continue;
            child->kill();
            child->waitForFinished(kWaitMs);
        }
    }

    // Starts Qmoor with `args` in `env` (this process's unless given); its questions are
    // answered from `answers` and logged.
    QProcess& start(const QStringList& args, const std::string& answers = {},
                    QProcessEnvironment env = QProcessEnvironment::systemEnvironment()) {
        const std::string tag = std::to_string(children.size());
        const std::string answerFile = sandbox.root() + "/answers" + tag;
        std::ofstream(answerFile) << answers;
        logs.push_back(sandbox.root() + "/asked" + tag);
        env.insert("QT_QPA_PLATFORM", platform);
        env.insert("QUILLMOOR_ANSWERS", QString::fromStdString(answerFile));
        env.insert("QUILLMOOR_ANSWERS_LOG", QString::fromStdString(logs.back()));
        auto child = std::make_unique<QProcess>();
        child->setProcessEnvironment(env);
        child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child->start(QStringLiteral(QM_QMOOR_PROGRAM), args);
        EXPECT_TRUE(child->waitForStarted(kWaitMs));
        children.push_back(std::move(child));
        return *children.back();
    }
    // What child `index` asked, one "<kind>|<answer>|<text>" line each.
    std::string asked(size_t index) const {
        std::ifstream in(logs.at(index));
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static bool titleHeldBy(const QProcess& child) {
        const auto pid = windowTitleOwnerPid(kMainWindowTitle);
        return pid && *pid == child.processId();
    }
    static bool waitUntilTitleHeldBy(const QProcess& child) {
        return QTest::qWaitFor([&] { return titleHeldBy(child); }, kWaitMs);
    }
    static bool endsCleanly(QProcess& child) {
        return child.waitForFinished(kWaitMs) && child.exitStatus() == QProcess::NormalExit &&
               child.exitCode() == 0;
    }
    // The close request other programs send: message 3258, 0x12012, lParam 18.
    static std::optional<int32_t> requestClose() {
        return SendWindowMessage(kMainWindowTitle, 3258, 0x12012, 18);
    }

    test::Sandbox sandbox;
    QString platform = QStringLiteral("offscreen"); // of the children started from now on
    std::vector<std::unique_ptr<QProcess>> children;
    std::vector<std::string> logs;
};

TEST_F(QmoorProcess, SecondStartSaysAlreadyRunningAndLeavesTheFirstAlone) {
    QProcess& first = start({});
    ASSERT_TRUE(waitUntilTitleHeldBy(first));
    QProcess& second = start({}, "Program is already running=1\n");
    ASSERT_TRUE(endsCleanly(second));
    EXPECT_EQ(asked(1), "0|1|Program is already running. Can't create process.\n");
    EXPECT_TRUE(titleHeldBy(first));
    EXPECT_EQ(first.state(), QProcess::Running);
    requestClose();
    ASSERT_TRUE(endsCleanly(first));
    EXPECT_EQ(asked(0), "") << "the first copy asked nothing, not even on its way out";
}

TEST_F(QmoorProcess, LogonStartWithTheSwitchOffEndsAtOnce) {
    {
        Registry registry;
        ASSERT_TRUE(registry.openKey("\\SOFTWARE\\Quillmoor\\Run", true));
        ASSERT_EQ(registry.writeString("Auto", "OFF"), RegistryStatus::Ok);
        ASSERT_EQ(registry.writeDword("Date", 0), RegistryStatus::Ok); // no uninstaller: 0
    }
    QProcess& child = start({"-w"});
    ASSERT_TRUE(endsCleanly(child));
    EXPECT_EQ(asked(0), "");
    EXPECT_FALSE(FindWindowByTitle(kMainWindowTitle));
}

TEST_F(QmoorProcess, CloseRequestEndsARunningCopy) {
    QProcess& child = start({"-w"});
    ASSERT_TRUE(waitUntilTitleHeldBy(child));
    ASSERT_TRUE(requestClose().has_value()) << "the request is taken";
    ASSERT_TRUE(endsCleanly(child));
    EXPECT_EQ(asked(0), "") << "closes without the exit question";
    EXPECT_FALSE(FindWindowByTitle(kMainWindowTitle));
}

TEST_F(QmoorProcess, SocketOfAKilledCopyDoesNotBlockTheNextStart) {
    QProcess& killed = start({"-w"});
    ASSERT_TRUE(waitUntilTitleHeldBy(killed));
    killed.kill();
    ASSERT_TRUE(killed.waitForFinished(kWaitMs));
    struct stat info {};
    ASSERT_EQ(::stat(windowTitleSocketPath(kMainWindowTitle).c_str(), &info), 0)
        << "the killed copy left its socket behind";
    EXPECT_FALSE(FindWindowByTitle(kMainWindowTitle));

    QProcess& next = start({});
    ASSERT_TRUE(waitUntilTitleHeldBy(next));
    requestClose();
    ASSERT_TRUE(endsCleanly(next));
    EXPECT_EQ(asked(1), "");
}

// On a real X display a window's caption is its own title and nothing more: setup and the
// updater find the main window by its exact caption, and the desktop shows each as given.
TEST_F(QmoorProcess, OnAnXDisplayTheCaptionsAreTheWindowsOwn) {
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    const QString xwininfo = QStandardPaths::findExecutable(QStringLiteral("xwininfo"));
    if (xvfb.isEmpty() || xwininfo.isEmpty())
        GTEST_SKIP() << "needs Xvfb and xwininfo (scripts/install-deps.sh)";
    QProcess server; // prints its display number once it takes connections
    server.start(xvfb, {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1280x1024x24"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.canReadLine() || server.waitForReadyRead(50); },
                                kWaitMs));
    const QString display = QStringLiteral(":") + QString::fromLatin1(server.readLine()).trimmed();
    // The program's windows, by caption (those with the program's window class).
    const auto captions = [&] {
        QProcess list;
        list.start(xwininfo, {"-display", display, "-root", "-tree"});
        list.waitForFinished(kWaitMs);
        std::vector<std::string> found;
        for (const QString& line : QString::fromUtf8(list.readAllStandardOutput()).split('\n')) {
            const qsizetype open = line.indexOf('"'),
                            close = line.indexOf(QStringLiteral("\": (\"Qmoor\""));
            if (open >= 0 && close > open)
                found.push_back(line.mid(open + 1, close - open - 1).toStdString());
        }
        return found;
    };
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    platform = QStringLiteral("xcb");
    QProcess& child = start({"-w"}, {}, env); // no tray on a bare display: the window shows
    ASSERT_TRUE(waitUntilTitleHeldBy(child));
    std::vector<std::string> shown;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            shown = captions();
            return std::find(shown.begin(), shown.end(), kMainWindowTitle) != shown.end();
        },
        kWaitMs))
        << ::testing::PrintToString(shown);
    for (const std::string& caption : shown)
        EXPECT_FALSE(caption != "Quillmoor Backup" && caption.ends_with("Quillmoor Backup"))
            << "\"" << caption << "\" carries the application's name";
    requestClose();
    EXPECT_TRUE(endsCleanly(child));
    server.terminate();
    server.waitForFinished(kWaitMs);
}

// The README's run command: everything a run writes lands in the demo folder, and the
// account (its home, config and registry) stays as it was.
TEST_F(QmoorProcess, DemoRunLeavesTheAccountAsItFoundIt) {
    const QString account = QString::fromStdString(sandbox.root() + "/account");
    const QString demo = QString::fromStdString(sandbox.root() + "/demo");
    QDir().mkpath(account);
    const QProcessEnvironment demoEnv =
        test::DemoEnvironment(QStringLiteral(QM_DEMO_ENV_SCRIPT), account, demo);
    // This process finds the demo's copy by its title in the demo's socket folder.
    setenv("QUILLMOOR_IPC_DIR", demoEnv.value("QUILLMOOR_IPC_DIR").toLocal8Bit().constData(), 1);

    QProcess& run = start({"-w"}, {}, demoEnv); // no splash to wait for
    ASSERT_TRUE(waitUntilTitleHeldBy(run));
    requestClose();
    ASSERT_TRUE(endsCleanly(run));
    EXPECT_TRUE(
        QDir(account).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty())
        << "the account was written to";
    EXPECT_TRUE(QFile::exists(demo + "/registry/HKEY_CURRENT_USER.hive"));
    EXPECT_TRUE(QFile::exists(demo + "/config/autostart/quillmoor.desktop"))
        << "start at login is written, into the demo folder";
}

#endif

} // namespace
} // namespace qm
