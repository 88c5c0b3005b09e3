#include "platform/writeall.h"

#include "support/sandbox.h"

#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace qm {
namespace {

// One call of the scripted write: how many bytes it takes, or -1 with `error`.
struct Step {
    ssize_t took;
    int error = 0;
};

struct WriteRow {
    const char* name;
    std::vector<Step> steps;
    bool ok;
    std::string written; // what reached the sink, in order
    int error = 0;       // errno after a failure
};

TEST(WriteAll, GoesOnAfterShortAndInterruptedWritesAndStopsAtTheFirstFailure) {
    const std::string text = "0123456789";
    const std::vector<WriteRow> rows = {
        {"in one call", {{10}}, true, "0123456789"},
        {"short writes go on where they stopped", {{3}, {4}, {3}}, true, "0123456789"},
        {"an interrupted write is tried again",
         {{-1, EINTR}, {5}, {-1, EINTR}, {-1, EINTR}, {5}},
         true,
         "0123456789"},
        {"a write that takes nothing is a full disk", {{4}, {0}}, false, "0123", ENOSPC},
        {"an error stops the loop with its errno", {{6}, {-1, EIO}}, false, "012345", EIO},
        {"a hung-up peer is not retried", {{-1, EPIPE}}, false, "", EPIPE},
    };
    for (const WriteRow& row : rows) {
        SCOPED_TRACE(row.name);
        std::string sink;
        size_t call = 0;
        auto put = [&](const char* data, size_t size) -> ssize_t {
            if (call >= row.steps.size()) {
                ADD_FAILURE() << "called again after the script ended";
                errno = EBADF;
                return -1;
            }
            const Step step = row.steps[call++];
            if (step.took < 0) {
                errno = step.error;
                return -1;
            }
            const size_t took = std::min(size, static_cast<size_t>(step.took));
            sink.append(data, took);
            return static_cast<ssize_t>(took);
        };
        errno = 0;
        EXPECT_EQ(putEveryByte(text, put), row.ok);
        EXPECT_EQ(sink, row.written);
        EXPECT_EQ(call, row.steps.size());
        if (!row.ok) {
            EXPECT_EQ(errno, row.error);
        }
    }
}

TEST(WriteAll, WritesAFileWholeAndFailsOnADescriptorNotOpenForWriting) {
    test::Sandbox sandbox;
    const std::string path = sandbox.root() + "/out.bin";
    std::string big(3 * 1024 * 1024 + 7, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 31 + i / 4096);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(writeAll(fd, big));
    EXPECT_TRUE(writeAll(fd, "tail", 4));
    ::close(fd);

    const int readOnly = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(readOnly, 0);
    errno = 0;
    EXPECT_FALSE(writeAll(readOnly, "x", 1));
    EXPECT_EQ(errno, EBADF);
    std::string back(big.size() + 4, '\0');
    EXPECT_EQ(::pread(readOnly, back.data(), back.size(), 0), static_cast<ssize_t>(back.size()));
    EXPECT_EQ(back, big + "tail");
    ::close(readOnly);
}

} // namespace
} // namespace qm
