#include "platform/windowtitle.h"

#include "platform/actingas.h"
#include "platform/filelock.h"
#include "platform/realuser.h"
#include "platform/uniquefd.h"
#include "platform/writeall.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace qm {

namespace {

// Wire records, native byte order (both ends run on this machine). A request is
// followed by `titleLength` bytes of the title it is meant for.
constexpr uint32_t kRequestMagic = 0x31574d51; // "QMW1"
constexpr uint32_t kReplyMagic = 0x32574d51;   // "QMW2"
constexpr uint32_t kMaxTitleBytes = 4096;
constexpr int kClientReadTimeoutMs = 1000;

struct Request {
    uint32_t magic;
    uint32_t message;
    uint32_t wParam;
    int32_t lParam;
    uint32_t titleLength;
};
static_assert(sizeof(Request) == 20);

struct Reply {
    uint32_t magic;
    uint32_t handled; // 0 when the owner holds another title
    int32_t result;
};
static_assert(sizeof(Reply) == 12);

// Whether sockets in `folder` may be trusted: a real folder (not a link) of the user's or
// the program's own, closed to everyone else. In another account's folder (the shared
// /tmp fallback made by someone else first) that account could answer for any title.
bool trustedFolder(const std::string& folder, const RealUser& user) {
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return false;
    return st.st_uid == user.uid || st.st_uid == ::geteuid();
}

uint64_t fnv1a(const std::string& text) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

bool makeAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

// Waits until `fd` is ready for `events`; false on time-out or error.
bool waitFor(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    for (;;) {
        int rc = ::poll(&p, 1, timeoutMs);
        if (rc < 0 && errno == EINTR)
            continue;
        return rc > 0 && (p.revents & (events | POLLHUP)) != 0;
    }
}

bool readFull(int fd, void* buffer, size_t size, int timeoutMs) {
    auto* bytes = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < size) {
        if (!waitFor(fd, POLLIN, timeoutMs))
            return false;
        ssize_t got = ::recv(fd, bytes + done, size - done, 0);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got <= 0)
            return false;
        done += static_cast<size_t>(got);
    }
    return true;
}

// A peer that hung up fails the send (MSG_NOSIGNAL) instead of raising SIGPIPE.
bool writeFull(int fd, const void* buffer, size_t size) {
    return putEveryByte(
        {static_cast<const char*>(buffer), size},
        [fd](const char* data, size_t count) { return ::send(fd, data, count, MSG_NOSIGNAL); });
}

// A socket connected to the title's owner, or -1 when no live owner answers.
int connectTo(const std::string& title, int timeoutMs) {
    if (!trustedFolder(windowTitleFolder(), realUser()))
        return -1; // no program of ours can hold a title there
    sockaddr_un address{};
    if (!makeAddress(windowTitleSocketPath(title), address))
        return -1;
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (fd.get() < 0)
        return -1;
    if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0)
        return fd.release();
    if (errno != EINPROGRESS && errno != EAGAIN)
        return -1;
    if (!waitFor(fd.get(), POLLOUT, timeoutMs))
        return -1;
    int error = 0;
    socklen_t length = sizeof(error);
    if (::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
        return -1;
    return fd.release();
}

bool peerAllowed(int client) {
    ucred peer{};
    socklen_t length = sizeof(peer);
    if (::getsockopt(client, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0)
        return false;
    return peer.uid == 0 || peer.uid == ::geteuid() || peer.uid == realUser().uid;
}

// Binds `fd` to `path`, replacing a socket nobody answers on. Runs under the folder's
// lock so two programs starting together cannot both remove and rebind.
bool bindReplacingStale(int fd, const std::string& path, std::string& error) {
    sockaddr_un address{};
    if (!makeAddress(path, address)) {
        error = "socket path too long: " + path;
        return false;
    }
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    if (::bind(fd, raw, sizeof(address)) == 0)
        return true;
    if (errno != EADDRINUSE) {
        error = "cannot bind " + path + ": " + std::strerror(errno);
        return false;
    }
    UniqueFd probe(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (probe.get() >= 0 && ::connect(probe.get(), raw, sizeof(address)) == 0) {
        error = "the title is held by a running program";
        return false;
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) {
        error = path + " exists and is not a socket";
        return false;
    }
    ::unlink(path.c_str());
    if (::bind(fd, raw, sizeof(address)) == 0)
        return true;
    error = "cannot bind " + path + ": " + std::strerror(errno);
    return false;
}

bool ensureFolder(const std::string& folder, const RealUser& user) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    return trustedFolder(folder, user);
}

} // namespace

std::string windowTitleFolder() {
    if (const char* dir = std::getenv("QUILLMOOR_IPC_DIR"); dir && *dir)
        return dir;
    RealUser user = realUser();
    std::string runtime = "/run/user/" + std::to_string(user.uid);
    if (!user.elevatedForOther) {
        const char* xdg = std::getenv("XDG_RUNTIME_DIR");
        runtime = xdg && *xdg ? xdg : "";
    }
    struct stat st {};
    if (!runtime.empty() && ::stat(runtime.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return runtime;
    return "/tmp/quillmoor-" + std::to_string(user.uid);
}

std::string windowTitleSocketPath(const std::string& title) {
    char name[40];
    std::snprintf(name, sizeof(name), "/qmwin-%016llx.sock",
                  static_cast<unsigned long long>(fnv1a(title)));
    return windowTitleFolder() + name;
}

WindowTitleOwner::WindowTitleOwner(std::string title, std::string path, int fd, ino_t inode)
    : title_(std::move(title)), path_(std::move(path)), fd_(fd), inode_(inode) {}

std::unique_ptr<WindowTitleOwner> WindowTitleOwner::registerTitle(const std::string& title,
                                                                  std::string* error) {
    std::string why;
    std::string folder = windowTitleFolder();
    std::string path = windowTitleSocketPath(title);
    RealUser user = realUser();
    auto fail = [&](std::string text) {
        if (error)
            *error = std::move(text);
        return nullptr;
    };
    // Elevated for a user, the folder, lock and socket are made with the user's rights:
    // they are the user's (or the user's own programs could never take a title again),
    // and the user's folder leads root nowhere.
    std::optional<ActingAsUser> acting;
    if (user.elevatedForOther && !acting.emplace(user).ok())
        return fail("cannot take the rights of user " + std::to_string(user.uid));
    if (!ensureFolder(folder, user))
        return fail("cannot use the folder " + folder);
    UniqueFd lock(
        ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (lock.get() < 0 || !lockFileWithin(lock.get(), true, 5000))
        return fail("cannot lock " + path + ".lock");
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (fd.get() < 0 || !bindReplacingStale(fd.get(), path, why))
        return fail(why.empty() ? std::string("cannot create a socket") : why);
    struct stat st {};
    if (::listen(fd.get(), 16) != 0 || ::lstat(path.c_str(), &st) != 0) {
        ::unlink(path.c_str());
        return fail("cannot listen on " + path);
    }
    return std::unique_ptr<WindowTitleOwner>(
        new WindowTitleOwner(title, path, fd.release(), st.st_ino));
}

WindowTitleOwner::~WindowTitleOwner() {
    struct stat st {};
    // Another program may have taken the title after a stale check; leave its socket.
    if (::lstat(path_.c_str(), &st) == 0 && st.st_ino == inode_)
        ::unlink(path_.c_str());
    ::close(fd_);
}

int WindowTitleOwner::processPending(const Handler& handler) {
    int handled = 0;
    for (;;) {
        int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            if (errno == EINTR)
                continue;
            return handled; // EAGAIN: nobody else waits
        }
        UniqueFd guard(client);
        if (!peerAllowed(client))
            continue;
        Request request{};
        // A title search connects and hangs up without a request.
        if (!readFull(client, &request, sizeof(request), kClientReadTimeoutMs))
            continue;
        if (request.magic != kRequestMagic || request.titleLength > kMaxTitleBytes)
            continue;
        std::string title(request.titleLength, '\0');
        if (!readFull(client, title.data(), title.size(), kClientReadTimeoutMs))
            continue;
        // A sender that gave up waiting has hung up; its message is dropped rather than
        // acted on at some later, unexpected moment.
        char peek = 0;
        if (::recv(client, &peek, 1, MSG_PEEK | MSG_DONTWAIT) == 0)
            continue;
        Reply reply{kReplyMagic, 0, 0};
        if (title == title_) {
            reply.handled = 1;
            reply.result = handler ? handler(request.message, request.wParam, request.lParam) : 0;
            ++handled;
        }
        writeFull(client, &reply, sizeof(reply));
    }
}

bool FindWindowByTitle(const std::string& title) {
    UniqueFd fd(connectTo(title, 1000));
    return fd.get() >= 0;
}

std::optional<pid_t> windowTitleOwnerPid(const std::string& title) {
    UniqueFd fd(connectTo(title, 1000));
    if (fd.get() < 0)
        return std::nullopt;
    ucred peer{};
    socklen_t length = sizeof(peer);
    if (::getsockopt(fd.get(), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0)
        return std::nullopt;
    return peer.pid;
}

std::optional<int32_t> SendWindowMessage(const std::string& title, uint32_t message,
                                         uint32_t wParam, int32_t lParam, int timeoutMs) {
    if (title.size() > kMaxTitleBytes)
        return std::nullopt;
    UniqueFd fd(connectTo(title, timeoutMs));
    if (fd.get() < 0)
        return std::nullopt;
    Request request{kRequestMagic, message, wParam, lParam, static_cast<uint32_t>(title.size())};
    std::string packet(reinterpret_cast<const char*>(&request), sizeof(request));
    packet += title;
    if (!waitFor(fd.get(), POLLOUT, timeoutMs) ||
        !writeFull(fd.get(), packet.data(), packet.size()))
        return std::nullopt;
    Reply reply{};
    if (!readFull(fd.get(), &reply, sizeof(reply), timeoutMs))
        return std::nullopt;
    if (reply.magic != kReplyMagic || reply.handled != 1)
        return std::nullopt;
    return reply.result;
}

} // namespace qm
