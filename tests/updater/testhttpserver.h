#pragma once
// A small HTTP server for the updater's tests: it listens on 127.0.0.1 (a free port),
// answers each request target with the reply scripted for it (404 for any other), and
// records every request line and header block. It serves one connection at a time, at
// most `maxRequests` of them, and stops by itself after `lifetimeMs` or when destroyed.

#include <atomic>
#include <climits>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qm::test {

struct ScriptedReply {
    enum class Length { Exact, None, Short, Long, Garbage };

    int status = 200;
    std::string body;
    Length length = Length::Exact; // Short announces 10 bytes more, Long one byte less
    size_t stallAfter = SIZE_MAX;  // body bytes sent before the stall
    int stallMs = 0;               // the stall; cut short when the server stops
    bool closeAtStall = false;     // the connection ends where the stall would begin
};

class TestHttpServer {
  public:
    explicit TestHttpServer(int maxRequests = 16, int lifetimeMs = 30000);
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    int port() const { return port_; }
    // "127.0.0.1:<port>", as the updater's server setting takes it.
    std::string authority() const;
    // The reply to the request target `target` ("/software/updates/...").
    void reply(const std::string& target, ScriptedReply reply);
    std::vector<std::string> requestLines() const;
    // The header lines of every request, in order.
    std::vector<std::vector<std::string>> requestHeaders() const;
    void stop();

  private:
    void serve(int lifetimeMs, int maxRequests);
    void answer(int client);
    bool sendAll(int client, const std::string& bytes);
    void pause(int client, int ms);

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::map<std::string, ScriptedReply> replies_;
    std::vector<std::string> lines_;
    std::vector<std::vector<std::string>> headers_;
    std::thread thread_;
};

} // namespace qm::test
