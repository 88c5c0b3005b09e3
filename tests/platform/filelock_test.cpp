#include "platform/filelock.h"

#include "support/sandbox.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

namespace qm {
namespace {

// flock locks belong to open files, so two opens in one process contend like two
// programs would.
class FileLockTest : public ::testing::Test {
  protected:
    int openLockFile() {
        int fd = ::open((sandbox.root() + "/x.lock").c_str(), O_RDWR | O_CREAT, 0600);
        EXPECT_GE(fd, 0);
        fds.push_back(fd);
        return fd;
    }
    ~FileLockTest() override {
        for (int fd : fds)
            ::close(fd);
    }
    test::Sandbox sandbox;
    std::vector<int> fds;
};

TEST_F(FileLockTest, ATakenLockIsGivenUpOnAfterTheWaitInsteadOfBlocking) {
    const int holder = openLockFile();
    const int waiter = openLockFile();
    ASSERT_TRUE(lockFileWithin(holder, true, 0));
    EXPECT_FALSE(lockFileWithin(waiter, true, 30));
    EXPECT_EQ(errno, EWOULDBLOCK);
    EXPECT_FALSE(lockFileWithin(waiter, false, 30)) << "a reader waits for a writer too";
    ::flock(holder, LOCK_UN);
    EXPECT_TRUE(lockFileWithin(waiter, true, 30));
}

TEST_F(FileLockTest, SharedLocksGoTogether) {
    const int a = openLockFile();
    const int b = openLockFile();
    ASSERT_TRUE(lockFileWithin(a, false, 0));
    EXPECT_TRUE(lockFileWithin(b, false, 0));
    EXPECT_FALSE(lockFileWithin(openLockFile(), true, 20));
}

TEST_F(FileLockTest, ABadDescriptorFailsAtOnce) {
    EXPECT_FALSE(lockFileWithin(-1, true, 10'000));
    EXPECT_EQ(errno, EBADF);
}

} // namespace
} // namespace qm
