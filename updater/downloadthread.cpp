#include "updater/downloadthread.h"

#include "platform/writeall.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace qm {

struct TDownloadThread::Shared {
    std::atomic<uint64_t> total{0};
    std::atomic<uint64_t> received{0};
    std::atomic<bool> queued{false};
};

TDownloadThread::TDownloadThread(std::string localPath, std::string url, int stallMs,
                                 WindowThreadPost post)
    : localPath_(std::move(localPath)), url_(std::move(url)), stallMs_(stallMs),
      post_(std::move(post)), shared_(std::make_shared<Shared>()) {}

TDownloadThread::~TDownloadThread() {
    Cancel();
    if (thread_.joinable())
        thread_.join();
}

void TDownloadThread::Start() {
    thread_ = std::thread([this] { Execute(); });
}

void TDownloadThread::Cancel() {
    get_.cancel();
}

void TDownloadThread::setPaused(bool paused) {
    get_.setPaused(paused);
}

void TDownloadThread::Execute() {
    Result result;
    const int fd =
        ::open(localPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        result.outcome = THttpGet::Outcome::WriteFailed;
        result.reason = "cannot create " + localPath_ + ": " + std::strerror(errno);
    } else {
        auto sink = [fd](std::string_view bytes) { return writeAll(fd, bytes); };
        auto progress = [this](uint64_t total, uint64_t received) {
            shared_->total = total;
            shared_->received = received;
            if (shared_->queued.exchange(true) || !post_ || !OnProgress)
                return;
            post_([shared = shared_, report = OnProgress] {
                shared->queued = false;
                report(shared->total, shared->received);
            });
        };
        THttpGet::Request request;
        request.url = url_;
        request.stallMs = stallMs_;
        request.maxBytes = kMaxFileBytes;
        const THttpGet::Result got = get_.run(request, sink, progress);
        result.outcome = got.outcome;
        result.reason = got.detail;
        result.ok = got.outcome == THttpGet::Outcome::Ok;
        if (::close(fd) != 0 && result.ok) {
            result.ok = false;
            result.outcome = THttpGet::Outcome::WriteFailed;
            result.reason = "cannot write " + localPath_ + ": " + std::strerror(errno);
        }
        if (!result.ok)
            ::unlink(localPath_.c_str());
    }
    if (post_ && OnComplete)
        post_([complete = OnComplete, result] { complete(result); });
}

} // namespace qm
