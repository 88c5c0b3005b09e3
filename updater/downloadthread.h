#pragma once
// TDownloadThread: downloads one release file into a new file of the updater's staging
// folder on a thread of its own. A transfer that receives nothing for the stall time, any
// reply but a whole 200 one, or a failed write ends it as failed and removes the partial
// file. Progress (coalesced, so the window thread is never flooded) and completion reach
// the window thread through `post`. Stop and the close question pause it cooperatively:
// the worker stops reading and the silence of a pause is not a stall. The object owns
// the thread; destroying it cancels and joins it.

#include "updater/httpget.h"
#include "updater/workerpost.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

namespace qm {

class TDownloadThread {
  public:
    struct Result {
        bool ok = false;
        THttpGet::Outcome outcome = THttpGet::Outcome::Failed;
        std::string reason; // when not ok
    };
    using ProgressFn = std::function<void(uint64_t total, uint64_t received)>;
    using CompleteFn = std::function<void(const Result& result)>;

    // The largest release file taken.
    static constexpr uint64_t kMaxFileBytes = 512ull * 1024 * 1024;

    // `localPath` (a host path) must not exist yet; its folder must.
    TDownloadThread(std::string localPath, std::string url, int stallMs, WindowThreadPost post);
    ~TDownloadThread();
    TDownloadThread(const TDownloadThread&) = delete;
    TDownloadThread& operator=(const TDownloadThread&) = delete;

    // Set both before Start(); they run on the window thread.
    ProgressFn OnProgress;
    CompleteFn OnComplete;

    void Start();
    void Cancel();
    void setPaused(bool paused);

  private:
    struct Shared; // what queued progress tasks read after the worker moved on
    void Execute();

    std::string localPath_;
    std::string url_;
    int stallMs_;
    WindowThreadPost post_;
    std::shared_ptr<Shared> shared_;
    THttpGet get_;
    std::thread thread_;
};

} // namespace qm
