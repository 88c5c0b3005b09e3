#include "app/qmoorprogram.h"

#include "platform/programfiles.h"
#include "platform/registry.h"
#include "platform/windowtitle.h"
#include "support/sandbox.h"

#include <QProcess>
#include <QTest>
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
                      ArgsRow{{"/opt/q/Qmoor", "x", "-w"}, true}, ArgsRow{{"-w"}, false}));

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

    // Starts Qmoor with `args`; its questions are answered from `answers` and logged.
    QProcess& start(const QStringList& args, const std::string& answers = {}) {
        const std::string tag = std::to_string(children.size());
        const std::string answerFile = sandbox.root() + "/answers" + tag;
        std::ofstream(answerFile) << answers;
        logs.push_back(sandbox.root() + "/asked" + tag);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
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

#endif

} // namespace
} // namespace qm
