#pragma once
// TPostThread: the update check's worker. It sends one GET for the check address on a
// thread of its own, with a time-out for the whole answer and a cap on its size, and
// hands the reply to the window thread through `post`: the body's lines (a line ends at
// CR, LF or CR LF) when a 200 reply came whole, else the reason there is none ("timeout"
// for the time-out). The object owns the thread; destroying it cancels and joins it.

#include "updater/httpget.h"
#include "updater/workerpost.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qm {

class TPostThread {
  public:
    struct Reply {
        bool answered = false;          // a whole 200 reply came
        std::vector<std::string> lines; // the body's lines; the reason when not answered
    };
    using Done = std::function<void(const Reply& reply)>;

    static constexpr uint64_t kMaxReplyBytes = 64 * 1024;

    TPostThread(std::string url, int timeoutMs, WindowThreadPost post, Done done);
    ~TPostThread();
    TPostThread(const TPostThread&) = delete;
    TPostThread& operator=(const TPostThread&) = delete;

    void Start();
    // Ends the check at once; the reply then holds the single line `reason`. Nothing
    // happens once the reply was handed over.
    void Cancel(const std::string& reason);

    static std::vector<std::string> splitLines(std::string_view body);

  private:
    void Execute();

    std::string url_;
    int timeoutMs_;
    WindowThreadPost post_;
    Done done_;
    THttpGet get_;
    std::mutex mutex_;
    bool handedOver_ = false; // guarded by mutex_
    std::string cancelReason_;
    std::thread thread_;
};

} // namespace qm
