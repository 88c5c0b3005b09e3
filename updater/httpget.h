#pragma once
// THttpGet: one HTTP/1.0 GET through libcurl, run on the calling worker thread, that any
// other thread may cancel, pause or resume. Only a 200 reply is a body: another status,
// a Content-Length that is unparseable or disagrees with the bytes that came, a body
// above the request's cap, a connection that goes silent for the stall time or a
// transfer that outlasts its deadline all end as failures, each with its reason. A body
// that holds every byte its Content-Length announced ends the transfer, also on a
// connection the server keeps open; without a Content-Length the body runs to the end of
// the connection. No redirect is followed
// and no protocol but http is spoken. Owns its libcurl handles for the length of run().

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace qm {

class THttpGet {
  public:
    struct Request {
        std::string url;
        std::string agent = "Updater";
        int deadlineMs = 0; // the whole transfer; 0: none
        int stallMs = 0;    // without a byte from the server, pauses not counted; 0: none
        uint64_t maxBytes = 0;
    };
    enum class Outcome {
        Ok,
        Cancelled,
        TimedOut,
        Failed,      // no connection, or the connection broke
        HttpStatus,  // a status other than 200
        BadLength,   // Content-Length unparseable, or not the number of bytes sent
        TooLarge,    // more than the request's cap
        WriteFailed, // the sink refused the bytes
    };
    struct Result {
        Outcome outcome = Outcome::Failed;
        long status = 0;
        std::optional<uint64_t> declaredLength;
        uint64_t received = 0;
        std::string detail; // what went wrong, for a message
    };
    // Receives the body in pieces; false stops the transfer.
    using Sink = std::function<bool(std::string_view bytes)>;
    // The declared length (0 when none) and the bytes received so far.
    using Progress = std::function<void(uint64_t declared, uint64_t received)>;

    THttpGet();
    ~THttpGet();
    THttpGet(const THttpGet&) = delete;
    THttpGet& operator=(const THttpGet&) = delete;

    // Blocks until the transfer ends. Call once.
    Result run(const Request& request, const Sink& sink, const Progress& progress = {});
    // Any thread, any time: the transfer ends as Cancelled at once.
    void cancel();
    // Any thread: stops reading from the server until resumed.
    void setPaused(bool paused);

    static const char* outcomeName(Outcome outcome);

  private:
    void wake();

    std::atomic<bool> cancelled_{false};
    std::atomic<bool> paused_{false};
    std::mutex mutex_;
    void* multi_ = nullptr; // CURLM*, guarded by mutex_ for wake()
};

} // namespace qm
