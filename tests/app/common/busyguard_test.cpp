#include "app/common/busyguard.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace qm {
namespace {

TEST(BusyGuard, IdleRunsAtOnceBusyDefersUntilLastHolderLeaves) {
    TBusyGuard guard;
    int runs = 0;
    guard.runOrDefer("a", [&] { ++runs; });
    EXPECT_EQ(runs, 1);
    {
        TBusyGuard::Scope outer(guard);
        {
            TBusyGuard::Scope inner(guard);
            guard.runOrDefer("a", [&] { ++runs; });
        }
        EXPECT_EQ(runs, 1) << "still held by the outer scope";
        EXPECT_TRUE(guard.pending("a"));
    }
    EXPECT_EQ(runs, 2);
    EXPECT_FALSE(guard.busy());
}

TEST(BusyGuard, RepeatedRequestsForOneTaskRunOnceAndOthersAreNotDropped) {
    TBusyGuard guard;
    std::vector<std::string> ran;
    guard.enter();
    for (int i = 0; i < 5; ++i)
        guard.runOrDefer("timer:drives", [&] { ran.push_back("drives"); });
    guard.runOrDefer("close", [&] { ran.push_back("close"); });
    guard.leave();
    EXPECT_EQ(ran, (std::vector<std::string>{"close", "drives"}));
}

TEST(BusyGuard, ReleasedTaskThatTakesTheGuardDefersTheRest) {
    TBusyGuard guard;
    std::vector<std::string> ran;
    guard.enter();
    guard.runOrDefer("a", [&] {
        ran.push_back("a");
        guard.enter(); // e.g. a run starting from a deferred click
    });
    guard.runOrDefer("b", [&] { ran.push_back("b"); });
    guard.leave();
    EXPECT_EQ(ran, std::vector<std::string>{"a"});
    EXPECT_TRUE(guard.pending("b"));
    guard.leave();
    EXPECT_EQ(ran, (std::vector<std::string>{"a", "b"}));
}

TEST(BusyGuard, UnbalancedLeaveDoesNotGoNegative) {
    TBusyGuard guard;
    guard.leave();
    EXPECT_EQ(guard.count(), 0);
    guard.enter();
    EXPECT_TRUE(guard.busy());
}

TEST(BusyGuard, SchedulerPostsReleasedTasks) {
    TBusyGuard guard;
    std::vector<std::function<void()>> posted;
    guard.setScheduler([&](std::function<void()> task) { posted.push_back(std::move(task)); });
    int runs = 0;
    guard.enter();
    guard.runOrDefer("a", [&] { ++runs; });
    guard.leave();
    EXPECT_EQ(runs, 0);
    ASSERT_EQ(posted.size(), 1u);
    guard.enter();
    posted[0](); // busy again when it comes up: it waits once more
    EXPECT_EQ(runs, 0);
    guard.leave();
    ASSERT_EQ(posted.size(), 2u);
    posted[1]();
    EXPECT_EQ(runs, 1);
}

} // namespace
} // namespace qm
