#include "updater/postthread.h"

namespace qm {

TPostThread::TPostThread(std::string url, int timeoutMs, WindowThreadPost post, Done done)
    : url_(std::move(url)), timeoutMs_(timeoutMs), post_(std::move(post)), done_(std::move(done)) {}

TPostThread::~TPostThread() {
    Cancel({});
    if (thread_.joinable())
        thread_.join();
}

void TPostThread::Start() {
    thread_ = std::thread([this] { Execute(); });
}

void TPostThread::Cancel(const std::string& reason) {
    {
        std::lock_guard lock(mutex_);
        if (handedOver_)
            return;
        cancelReason_ = reason;
    }
    get_.cancel();
}

std::vector<std::string> TPostThread::splitLines(std::string_view body) {
    std::vector<std::string> lines;
    size_t from = 0;
    while (from < body.size()) {
        const size_t end = body.find_first_of("\r\n", from);
        if (end == std::string_view::npos) {
            lines.emplace_back(body.substr(from));
            break;
        }
        lines.emplace_back(body.substr(from, end - from));
        from = end + (body[end] == '\r' && end + 1 < body.size() && body[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

void TPostThread::Execute() {
    std::string body;
    THttpGet::Request request;
    request.url = url_;
    request.deadlineMs = timeoutMs_;
    request.maxBytes = kMaxReplyBytes;
    const THttpGet::Result result = get_.run(request, [&](std::string_view bytes) {
        body += bytes;
        return true;
    });
    Reply reply;
    {
        std::lock_guard lock(mutex_);
        handedOver_ = true;
        if (result.outcome == THttpGet::Outcome::Ok) {
            reply.answered = true;
            reply.lines = splitLines(body);
        } else if (result.outcome == THttpGet::Outcome::Cancelled) {
            reply.lines = {cancelReason_};
        } else if (result.outcome == THttpGet::Outcome::TimedOut) {
            reply.lines = {"timeout"};
        } else {
            reply.lines = {result.detail};
        }
    }
    if (post_ && done_)
        post_([done = done_, reply = std::move(reply)] { done(reply); });
}

} // namespace qm
