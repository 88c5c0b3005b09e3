#include "updater/httpget.h"

#include "testhttpserver.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

namespace qm {
namespace {

using Outcome = THttpGet::Outcome;
using Length = test::ScriptedReply::Length;

struct ReplyRow {
    const char* name;
    test::ScriptedReply reply;
    Outcome outcome;
    size_t received; // the body of a transfer that succeeds
    int stallMs = 0;
    int deadlineMs = 0;
};

const std::string kBody(3000, 'b');

class HttpGetReply : public ::testing::TestWithParam<ReplyRow> {};

// Every reply the server can give, and what a careful client makes of it.
TEST_P(HttpGetReply, EndsWithTheRightOutcome) {
    const ReplyRow& row = GetParam();
    test::TestHttpServer server(2, 10000);
    server.reply("/f", row.reply);
    THttpGet get;
    std::string body;
    const THttpGet::Result result = get.run(
        {"http://" + server.authority() + "/f", "Updater", row.deadlineMs, row.stallMs, 4000},
        [&](std::string_view bytes) {
            body += bytes;
            return true;
        });
    EXPECT_EQ(result.outcome, row.outcome)
        << THttpGet::outcomeName(result.outcome) << ": " << result.detail;
    if (row.outcome == Outcome::Ok) {
        EXPECT_EQ(body, std::string(row.received, row.reply.body.at(0)));
    } else {
        EXPECT_FALSE(result.detail.empty());
    }
    ASSERT_EQ(server.requestLines().size(), 1u);
    EXPECT_EQ(server.requestLines()[0], "GET /f HTTP/1.0");
}

test::ScriptedReply make(Length length, std::string body = kBody, int status = 200) {
    test::ScriptedReply r;
    r.length = length;
    r.body = std::move(body);
    r.status = status;
    return r;
}

test::ScriptedReply stalled(size_t after, int ms, bool close = false) {
    test::ScriptedReply r = make(Length::Exact);
    r.stallAfter = after;
    r.stallMs = ms;
    r.closeAtStall = close;
    return r;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, HttpGetReply,
    ::testing::Values(
        ReplyRow{"exact", make(Length::Exact), Outcome::Ok, 3000},
        ReplyRow{"no_length_reads_to_the_end", make(Length::None), Outcome::Ok, 3000},
        ReplyRow{"shorter_than_announced", make(Length::Short), Outcome::BadLength, 0},
        ReplyRow{"longer_than_announced", make(Length::Long), Outcome::BadLength, 0},
        ReplyRow{"unparseable_length", make(Length::Garbage), Outcome::BadLength, 0},
        ReplyRow{"error_page", make(Length::Exact, "<html>gone</html>", 404), Outcome::HttpStatus,
                 0},
        ReplyRow{"empty_error_page", make(Length::Exact, "", 500), Outcome::HttpStatus, 0},
        ReplyRow{"early_close", stalled(1000, 0, true), Outcome::BadLength, 0},
        ReplyRow{"announced_above_the_cap", make(Length::Exact, std::string(5000, 'x')),
                 Outcome::TooLarge, 0},
        ReplyRow{"sent_above_the_cap", make(Length::None, std::string(5000, 'x')),
                 Outcome::TooLarge, 0},
        ReplyRow{"stall_in_the_body", stalled(1000, 3000), Outcome::TimedOut, 0, 300},
        ReplyRow{"stall_past_the_deadline", stalled(1000, 3000), Outcome::TimedOut, 0, 0, 300},
        ReplyRow{"slow_but_steady", stalled(1000, 200), Outcome::Ok, 3000, 1000},
        // The announced length ends the transfer; the server need not close.
        ReplyRow{"complete_on_an_open_connection", stalled(3000, 5000), Outcome::Ok, 3000, 300}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HttpGet, AskForAFreshCopyWithNoOtherHeadersAndNeverFollowARedirect) {
    test::TestHttpServer server(2, 10000);
    test::ScriptedReply moved = make(Length::Exact, "", 302);
    server.reply("/a", moved);
    THttpGet get;
    const auto result = get.run({"http://" + server.authority() + "/a", "Updater", 0, 0, 100},
                                [](std::string_view) { return true; });
    EXPECT_EQ(result.outcome, Outcome::HttpStatus);
    ASSERT_EQ(server.requestHeaders().size(), 1u);
    std::vector<std::string> headers = server.requestHeaders()[0];
    std::sort(headers.begin(), headers.end());
    EXPECT_EQ(headers, (std::vector<std::string>{"Host: " + server.authority(), "Pragma: no-cache",
                                                 "User-Agent: Updater"}));
}

TEST(HttpGet, NothingAnswersOnAClosedPort) {
    int port = 0;
    {
        test::TestHttpServer gone(0, 0);
        port = gone.port();
    }
    THttpGet get;
    const auto result = get.run({"http://127.0.0.1:" + std::to_string(port) + "/f"},
                                [](std::string_view) { return true; });
    EXPECT_EQ(result.outcome, Outcome::Failed);
}

// A pause is not a stall, and a cancel ends a stalled transfer at once.
TEST(HttpGet, PausedTransfersWaitAndCancelledOnesEndAtOnce) {
    test::TestHttpServer server(2, 20000);
    server.reply("/whole", make(Length::Exact));
    server.reply("/stuck", stalled(10, 20000));
    THttpGet paused;
    paused.setPaused(true);
    std::thread resume([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        paused.setPaused(false);
    });
    const auto whole =
        paused.run({"http://" + server.authority() + "/whole", "Updater", 0, 300, 4000},
                   [](std::string_view) { return true; });
    resume.join();
    EXPECT_EQ(whole.outcome, Outcome::Ok) << whole.detail;

    THttpGet get;
    std::thread cancel([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        get.cancel();
    });
    const auto start = std::chrono::steady_clock::now();
    const auto stuck = get.run({"http://" + server.authority() + "/stuck", "Updater", 0, 0, 4000},
                               [](std::string_view) { return true; });
    cancel.join();
    EXPECT_EQ(stuck.outcome, Outcome::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

} // namespace
} // namespace qm
