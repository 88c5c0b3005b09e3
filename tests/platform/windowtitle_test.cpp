#include "platform/windowtitle.h"

#include "support/sandbox.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qm {
namespace {

constexpr const char* kMainTitle = "Quillmoor Main Window";
constexpr uint32_t kExchange = 3258;
constexpr uint32_t kQuit = 1;

// A second program that takes a title, tells the test through a pipe, and answers
// messages until it is asked to quit (or, with `crash`, dies without cleaning up).
class OwnerProcess {
  public:
    explicit OwnerProcess(const std::string& title, bool crash = false) {
        int fds[2];
        if (pipe(fds) != 0)
            std::abort();
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            runChild(title, fds[1], crash);
        }
        close(fds[1]);
        char ready = 0;
        if (read(fds[0], &ready, 1) != 1)
            ready = 0;
        close(fds[0]);
        registered_ = ready == 'R';
    }
    ~OwnerProcess() { wait(); }

    bool registered() const { return registered_; }
    pid_t pid() const { return pid_; }
    int wait() {
        if (pid_ <= 0)
            return status_;
        waitpid(pid_, &status_, 0);
        pid_ = -1;
        return status_;
    }

  private:
    [[noreturn]] static void runChild(const std::string& title, int readyFd, bool crash) {
        auto owner = WindowTitleOwner::registerTitle(title);
        char ready = owner ? 'R' : 'F';
        if (write(readyFd, &ready, 1) != 1 || !owner)
            _exit(2);
        close(readyFd);
        if (crash)
            _exit(3); // the socket stays behind, as after a crash
        bool quit = false;
        while (!quit) {
            pollfd p{owner->fd(), POLLIN, 0};
            poll(&p, 1, 5000);
            owner->processPending([&](uint32_t message, uint32_t wParam, int32_t lParam) {
                if (message == kQuit)
                    quit = true;
                return static_cast<int32_t>(message + wParam) * (lParam == 18 ? -1 : 1);
            });
        }
        owner.reset();
        _exit(0);
    }

    pid_t pid_ = -1;
    int status_ = 0;
    bool registered_ = false;
};

class WindowTitleTest : public testing::Test {
  protected:
    test::Sandbox sandbox;
};

TEST_F(WindowTitleTest, SocketsLiveInTheTestFolder) {
    EXPECT_EQ(windowTitleFolder(), sandbox.root() + "/ipc");
    EXPECT_EQ(windowTitleSocketPath(kMainTitle).rfind(sandbox.root() + "/ipc/qmwin-", 0), 0u);
    EXPECT_NE(windowTitleSocketPath(kMainTitle), windowTitleSocketPath("Quillmoor Updater"));
    unsetenv("QUILLMOOR_IPC_DIR");
    EXPECT_EQ(windowTitleFolder(), sandbox.root() + "/runtime");
}

TEST_F(WindowTitleTest, AFolderOpenToOthersIsRefused) {
    const std::string folder = sandbox.root() + "/ipc-open";
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    setenv("QUILLMOOR_IPC_DIR", folder.c_str(), 1);
    for (mode_t mode : {0770, 0707, 0750, 0705}) {
        ASSERT_EQ(chmod(folder.c_str(), mode), 0);
        std::string error;
        EXPECT_EQ(WindowTitleOwner::registerTitle(kMainTitle, &error), nullptr) << mode;
        EXPECT_NE(error.find(folder), std::string::npos);
    }
    ASSERT_EQ(chmod(folder.c_str(), 0700), 0);
    EXPECT_NE(WindowTitleOwner::registerTitle(kMainTitle), nullptr);
}

// An elevated program (setup, updater) makes the socket folder as its user; a root-owned
// folder would lock the user's own programs out of every title.
TEST_F(WindowTitleTest, AFolderMadeWhileElevatedBelongsToTheUser) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to act elevated for another user";
    // Made with the user's rights, in a folder open to all as /tmp is.
    ASSERT_EQ(chmod(sandbox.root().c_str(), 0755), 0);
    const std::string shared = sandbox.root() + "/tmp";
    ASSERT_EQ(mkdir(shared.c_str(), 0755), 0);
    ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
    const std::string folder = shared + "/ipc-elevated";
    setenv("QUILLMOOR_IPC_DIR", folder.c_str(), 1);
    setenv("SUDO_UID", "65534", 1);
    auto owner = WindowTitleOwner::registerTitle(kMainTitle);
    unsetenv("SUDO_UID");
    ASSERT_NE(owner, nullptr);
    struct stat st {};
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(stat(windowTitleSocketPath(kMainTitle).c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
}

TEST_F(WindowTitleTest, MessagesReachAnotherProcessAndItsResultComesBack) {
    EXPECT_FALSE(FindWindowByTitle(kMainTitle));
    OwnerProcess owner(kMainTitle);
    ASSERT_TRUE(owner.registered());
    EXPECT_TRUE(FindWindowByTitle(kMainTitle));
    EXPECT_FALSE(FindWindowByTitle("Quillmoor Updater"));
    EXPECT_EQ(windowTitleOwnerPid(kMainTitle), owner.pid());
    EXPECT_EQ(SendWindowMessage(kMainTitle, kExchange, 0x12012, 18), -(3258 + 0x12012));
    EXPECT_EQ(SendWindowMessage(kMainTitle, kExchange, 0x12013, 0), 3258 + 0x12013);
    EXPECT_EQ(SendWindowMessage(kMainTitle, kQuit, 0, 0), 1);
    int status = owner.wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(FindWindowByTitle(kMainTitle));
    EXPECT_FALSE(std::filesystem::exists(windowTitleSocketPath(kMainTitle)));
    EXPECT_EQ(SendWindowMessage(kMainTitle, kExchange, 0, 0), std::nullopt);
}

TEST_F(WindowTitleTest, ASecondOwnerOfALiveTitleIsRefused) {
    OwnerProcess first(kMainTitle);
    ASSERT_TRUE(first.registered());
    std::string error;
    EXPECT_EQ(WindowTitleOwner::registerTitle(kMainTitle, &error), nullptr);
    EXPECT_NE(error.find("running program"), std::string::npos);
    EXPECT_TRUE(SendWindowMessage(kMainTitle, kQuit, 0, 0).has_value());
}

TEST_F(WindowTitleTest, ACrashedOwnerNeverBlocksTheNextStart) {
    OwnerProcess crashed(kMainTitle, true);
    ASSERT_TRUE(crashed.registered());
    crashed.wait();
    ASSERT_TRUE(std::filesystem::exists(windowTitleSocketPath(kMainTitle)));
    EXPECT_FALSE(FindWindowByTitle(kMainTitle));
    auto owner = WindowTitleOwner::registerTitle(kMainTitle);
    ASSERT_NE(owner, nullptr);
    EXPECT_TRUE(FindWindowByTitle(kMainTitle));
    EXPECT_EQ(windowTitleOwnerPid(kMainTitle), getpid());
}

TEST_F(WindowTitleTest, AnOwnerThatDoesNotAnswerTimesOut) {
    auto owner = WindowTitleOwner::registerTitle(kMainTitle);
    ASSERT_NE(owner, nullptr);
    // Nobody calls processPending: the sender gives up instead of hanging.
    EXPECT_EQ(SendWindowMessage(kMainTitle, kExchange, 1, 2, 100), std::nullopt);
    // Title searches and the abandoned request are drained without calling the handler.
    int calls = 0;
    EXPECT_EQ(owner->processPending([&](uint32_t, uint32_t, int32_t) { return ++calls; }), 0);
    EXPECT_EQ(calls, 0);
}

TEST_F(WindowTitleTest, OwnerAnswersInItsOwnProcess) {
    auto owner = WindowTitleOwner::registerTitle("Quillmoor Updater");
    ASSERT_NE(owner, nullptr);
    pid_t sender = fork();
    ASSERT_GE(sender, 0);
    if (sender == 0) {
        auto result = SendWindowMessage("Quillmoor Updater", 7, 8, 9);
        _exit(result == 7 + 8 + 9 ? 0 : 1);
    }
    int handled = 0;
    for (int i = 0; i < 100 && handled == 0; ++i) {
        pollfd p{owner->fd(), POLLIN, 0};
        poll(&p, 1, 50);
        handled += owner->processPending(
            [](uint32_t m, uint32_t w, int32_t l) { return static_cast<int32_t>(m + w) + l; });
    }
    int status = 0;
    waitpid(sender, &status, 0);
    EXPECT_EQ(handled, 1);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

} // namespace
} // namespace qm
