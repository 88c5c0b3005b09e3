#include "updater/httpget.h"

#include <curl/curl.h>

#include <cctype>
#include <charconv>
#include <chrono>
#include <memory>

namespace qm {

namespace {

using Clock = std::chrono::steady_clock;

void initialiseCurlOnce() {
    static const bool done = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)done;
}

std::string_view trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::string secondsText(int ms) {
    const std::string whole = std::to_string(ms / 1000);
    if (ms % 1000 == 0)
        return whole + (ms == 1000 ? " second" : " seconds");
    std::string fraction = std::to_string(1000 + ms % 1000).substr(1);
    fraction.erase(fraction.find_last_not_of('0') + 1);
    return whole + "." + fraction + " seconds";
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

// The state the libcurl callbacks share with the transfer loop (all on the worker).
struct Transfer {
    const THttpGet::Request* request = nullptr;
    const THttpGet::Sink* sink = nullptr;
    const THttpGet::Progress* progress = nullptr;
    CURL* easy = nullptr;
    THttpGet::Result result;
    std::optional<THttpGet::Outcome> abort; // set by a callback that stopped the transfer
    std::string abortDetail;
    bool statusChecked = false;
    bool headersDone = false; // the blank line after the headers came
    Clock::time_point lastData = Clock::now();

    // The reply holds every byte its length announced: it is complete, whether or not
    // the server closes the connection.
    bool complete() const {
        return headersDone && result.declaredLength && result.received == *result.declaredLength;
    }

    size_t stop(THttpGet::Outcome outcome, std::string detail) {
        abort = outcome;
        abortDetail = std::move(detail);
        return 0;
    }
};

size_t onHeader(char* data, size_t size, size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    t.lastData = Clock::now();
    const std::string_view line(data, bytes);
    if (startsWithIgnoringCase(line, "HTTP/")) {
        t.result.declaredLength.reset(); // a new reply begins
        t.headersDone = false;
        return bytes;
    }
    if (line == "\r\n" || line == "\n") {
        t.headersDone = true;
        return bytes;
    }
    if (!startsWithIgnoringCase(line, "content-length:"))
        return bytes;
    const std::string_view text = trimmed(line.substr(15));
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return t.stop(THttpGet::Outcome::BadLength,
                      "the server sent an unreadable length \"" + std::string(text) + "\"");
    if (t.result.declaredLength && *t.result.declaredLength != value)
        return t.stop(THttpGet::Outcome::BadLength, "the server sent two different lengths");
    if (value > t.request->maxBytes)
        return t.stop(THttpGet::Outcome::TooLarge,
                      "the server announced " + std::to_string(value) + " bytes");
    t.result.declaredLength = value;
    return bytes;
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    t.lastData = Clock::now();
    if (!t.statusChecked) {
        t.statusChecked = true;
        curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &t.result.status);
        if (t.result.status != 200)
            return t.stop(THttpGet::Outcome::HttpStatus,
                          "the server answered with status " + std::to_string(t.result.status));
    }
    t.result.received += bytes;
    const uint64_t limit = t.result.declaredLength.value_or(t.request->maxBytes);
    if (t.result.received > limit)
        return t.result.declaredLength
                   ? t.stop(THttpGet::Outcome::BadLength, "the server sent more than the " +
                                                              std::to_string(limit) +
                                                              " bytes it announced")
                   : t.stop(THttpGet::Outcome::TooLarge,
                            "the server sent more than " + std::to_string(limit) + " bytes");
    if (*t.sink && !(*t.sink)(std::string_view(data, bytes)))
        return t.stop(THttpGet::Outcome::WriteFailed, "the received bytes could not be stored");
    if (*t.progress)
        (*t.progress)(t.result.declaredLength.value_or(0), t.result.received);
    return bytes;
}

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// The outcome of a transfer that libcurl finished with `code`.
void finish(Transfer& t, CURLcode code) {
    THttpGet::Result& r = t.result;
    if (t.abort) {
        r.outcome = *t.abort;
        r.detail = t.abortDetail;
        return;
    }
    if (code != CURLE_OK) {
        r.outcome = THttpGet::Outcome::Failed;
        r.detail = curl_easy_strerror(code);
        return;
    }
    curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &r.status);
    if (r.status != 200) {
        r.outcome = THttpGet::Outcome::HttpStatus;
        r.detail = "the server answered with status " + std::to_string(r.status);
        return;
    }
    if (r.declaredLength && *r.declaredLength != r.received) {
        r.outcome = THttpGet::Outcome::BadLength;
        r.detail = "the server sent " + std::to_string(r.received) + " of the " +
                   std::to_string(*r.declaredLength) + " bytes it announced";
        return;
    }
    r.outcome = THttpGet::Outcome::Ok;
}

} // namespace

THttpGet::THttpGet() {
    initialiseCurlOnce();
}

THttpGet::~THttpGet() = default;

const char* THttpGet::outcomeName(Outcome outcome) {
    switch (outcome) {
    case Outcome::Ok:
        return "ok";
    case Outcome::Cancelled:
        return "cancelled";
    case Outcome::TimedOut:
        return "timed out";
    case Outcome::Failed:
        return "failed";
    case Outcome::HttpStatus:
        return "http status";
    case Outcome::BadLength:
        return "bad length";
    case Outcome::TooLarge:
        return "too large";
    case Outcome::WriteFailed:
        return "write failed";
    }
    return "failed";
}

void THttpGet::cancel() {
    cancelled_ = true;
    wake();
}

void THttpGet::setPaused(bool paused) {
    paused_ = paused;
    wake();
}

void THttpGet::wake() {
    std::lock_guard lock(mutex_);
    if (multi_)
        curl_multi_wakeup(static_cast<CURLM*>(multi_));
}

THttpGet::Result THttpGet::run(const Request& request, const Sink& sink, const Progress& progress) {
    Transfer t;
    t.request = &request;
    t.sink = &sink;
    t.progress = &progress;
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    std::unique_ptr<curl_slist, ListDeleter> headers;
    // No Accept header; a fresh copy, never one a proxy kept.
    for (const char* header : {"Accept:", "Pragma: no-cache"})
        headers.reset(curl_slist_append(headers.release(), header));
    CURLM* multi = curl_multi_init();
    if (!easy || !headers || !multi) {
        if (multi)
            curl_multi_cleanup(multi);
        t.result.detail = "out of memory";
        return t.result;
    }
    t.easy = easy.get();
    CURL* e = easy.get();
    curl_easy_setopt(e, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
    curl_easy_setopt(e, CURLOPT_USERAGENT, request.agent.c_str());
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
    // The length is checked here, against every byte the connection delivers; a reply
    // that holds all it announced ends the transfer.
    curl_easy_setopt(e, CURLOPT_IGNORE_CONTENT_LENGTH, 1L);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &t);
    curl_multi_add_handle(multi, e);
    {
        std::lock_guard lock(mutex_);
        multi_ = multi;
    }

    const Clock::time_point start = Clock::now();
    t.lastData = start;
    bool pausedNow = false;
    std::optional<CURLcode> done;
    while (!done) {
        if (cancelled_) {
            t.stop(Outcome::Cancelled, "cancelled");
            break;
        }
        if (paused_ != pausedNow) {
            pausedNow = paused_;
            curl_easy_pause(e, pausedNow ? CURLPAUSE_RECV : CURLPAUSE_CONT);
            t.lastData = Clock::now(); // a pause is not a silent server
        }
        int running = 0;
        curl_multi_perform(multi, &running);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &left))
            if (message->msg == CURLMSG_DONE && message->easy_handle == e)
                done = message->data.result;
        if (!done && !t.abort && t.complete())
            done = CURLE_OK;
        if (done || t.abort)
            break;
        const Clock::time_point now = Clock::now();
        using std::chrono::milliseconds;
        if (request.deadlineMs > 0 && now - start >= milliseconds(request.deadlineMs)) {
            t.stop(Outcome::TimedOut,
                   "no complete answer within " + secondsText(request.deadlineMs));
            break;
        }
        if (request.stallMs > 0 && !pausedNow &&
            now - t.lastData >= milliseconds(request.stallMs)) {
            t.stop(Outcome::TimedOut,
                   "the server sent nothing for " + secondsText(request.stallMs));
            break;
        }
        curl_multi_poll(multi, nullptr, 0, 50, nullptr);
    }
    {
        std::lock_guard lock(mutex_);
        multi_ = nullptr;
    }
    curl_multi_remove_handle(multi, e);
    curl_multi_cleanup(multi);
    finish(t, done.value_or(CURLE_ABORTED_BY_CALLBACK));
    return t.result;
}

} // namespace qm
