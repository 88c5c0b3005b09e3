#include "testhttpserver.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace qm::test {

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kMaxHead = 16 * 1024;

const char* reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

std::vector<std::string> splitLines(const std::string& head) {
    std::vector<std::string> lines;
    size_t from = 0;
    while (from < head.size()) {
        size_t end = head.find("\r\n", from);
        if (end == std::string::npos)
            end = head.size();
        lines.push_back(head.substr(from, end - from));
        from = end + 2;
    }
    return lines;
}

} // namespace

TestHttpServer::TestHttpServer(int maxRequests, int lifetimeMs) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener_, 8) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        throw std::runtime_error("test server: cannot listen on 127.0.0.1");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this, lifetimeMs, maxRequests] { serve(lifetimeMs, maxRequests); });
}

TestHttpServer::~TestHttpServer() {
    stop();
}

void TestHttpServer::stop() {
    stopping_ = true;
    if (thread_.joinable())
        thread_.join();
    if (listener_ >= 0)
        ::close(listener_);
    listener_ = -1;
}

std::string TestHttpServer::authority() const {
    return "127.0.0.1:" + std::to_string(port_);
}

void TestHttpServer::reply(const std::string& target, ScriptedReply reply) {
    std::lock_guard lock(mutex_);
    replies_[target] = std::move(reply);
}

std::vector<std::string> TestHttpServer::requestLines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::vector<std::vector<std::string>> TestHttpServer::requestHeaders() const {
    std::lock_guard lock(mutex_);
    return headers_;
}

void TestHttpServer::serve(int lifetimeMs, int maxRequests) {
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(lifetimeMs);
    int served = 0;
    while (!stopping_ && served < maxRequests && Clock::now() < end) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 20) <= 0)
            continue;
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        ++served;
        answer(client);
        ::close(client);
    }
}

// Waits, but not for a client that has gone away.
void TestHttpServer::pause(int client, int ms) {
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(ms);
    while (!stopping_ && Clock::now() < end) {
        pollfd gone{client, POLLRDHUP, 0};
        if (::poll(&gone, 1, 5) > 0 && (gone.revents & (POLLRDHUP | POLLHUP | POLLERR)))
            return;
    }
}

bool TestHttpServer::sendAll(int client, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(client, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

void TestHttpServer::answer(int client) {
    std::string head;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(2);
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxHead &&
           Clock::now() < deadline && !stopping_) {
        pollfd readable{client, POLLIN, 0};
        if (::poll(&readable, 1, 20) <= 0)
            continue;
        char buffer[2048];
        const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        head.append(buffer, static_cast<size_t>(n));
    }
    const size_t headEnd = head.find("\r\n\r\n");
    if (headEnd == std::string::npos)
        return;
    std::vector<std::string> lines = splitLines(head.substr(0, headEnd));
    const std::string requestLine = lines.empty() ? std::string() : lines.front();
    if (!lines.empty())
        lines.erase(lines.begin());
    ScriptedReply reply;
    reply.status = 404;
    reply.body = "<html><body>Not Found</body></html>";
    {
        std::lock_guard lock(mutex_);
        lines_.push_back(requestLine);
        headers_.push_back(lines);
        const size_t firstBlank = requestLine.find(' ');
        const size_t secondBlank = requestLine.find(' ', firstBlank + 1);
        if (firstBlank != std::string::npos && secondBlank != std::string::npos) {
            auto found =
                replies_.find(requestLine.substr(firstBlank + 1, secondBlank - firstBlank - 1));
            if (found != replies_.end())
                reply = found->second;
        }
    }
    std::string response = "HTTP/1.0 " + std::to_string(reply.status) + " " +
                           reasonPhrase(reply.status) + "\r\nContent-Type: text/plain\r\n";
    using L = ScriptedReply::Length;
    switch (reply.length) {
    case L::Exact:
        response += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
        break;
    case L::Short:
        response += "Content-Length: " + std::to_string(reply.body.size() + 10) + "\r\n";
        break;
    case L::Long:
        response += "Content-Length: " + std::to_string(reply.body.size() - 1) + "\r\n";
        break;
    case L::Garbage:
        response += "Content-Length: 12abc\r\n";
        break;
    case L::None:
        break;
    }
    response += "\r\n";
    const size_t first = std::min(reply.stallAfter, reply.body.size());
    if (!sendAll(client, response + reply.body.substr(0, first)) || first == reply.body.size())
        return;
    if (reply.closeAtStall)
        return;
    pause(client, reply.stallMs);
    sendAll(client, reply.body.substr(first));
}

} // namespace qm::test
