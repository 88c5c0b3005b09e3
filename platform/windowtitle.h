#pragma once
// Window titles shared between processes, standing where a title search and a sent
// window message stood: a program that takes a title ("Quillmoor Main Window") listens
// on a per-user Unix-domain socket named after the title; others find it by connecting
// and send it a message that it answers with a 32-bit result.
//
// Socket folder: QUILLMOOR_IPC_DIR when set; otherwise the real user's runtime folder
// ($XDG_RUNTIME_DIR, or /run/user/<uid> for a program elevated through sudo or pkexec),
// falling back to /tmp/quillmoor-<uid>. Only a real folder of that user's (or the
// program's own) that no one else may open is used or searched: a folder another account
// made first holds no title. A socket left by a crashed program answers no connection;
// the next owner removes it and takes the title.
//
// The owner object owns its socket; the event loop watches fd() for reading and then
// calls processPending(), which never waits for a new client.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>

namespace qm {

class WindowTitleOwner {
  public:
    // The owner's answer to one message.
    using Handler = std::function<int32_t(uint32_t message, uint32_t wParam, int32_t lParam)>;

    // Takes the title; null when a live program holds it already or the socket cannot
    // be made (`error` then says why).
    static std::unique_ptr<WindowTitleOwner> registerTitle(const std::string& title,
                                                           std::string* error = nullptr);
    ~WindowTitleOwner();
    WindowTitleOwner(const WindowTitleOwner&) = delete;
    WindowTitleOwner& operator=(const WindowTitleOwner&) = delete;

    const std::string& title() const { return title_; }
    // Becomes readable when a client waits.
    int fd() const { return fd_; }
    // Answers every client waiting now; returns how many messages were handled.
    int processPending(const Handler& handler);

  private:
    WindowTitleOwner(std::string title, std::string path, int fd, ino_t inode);
    void answer(int client, const Handler& handler);

    std::string title_;
    std::string path_;
    int fd_ = -1;
    ino_t inode_ = 0;
};

// The folder holding the title sockets (created on demand, mode 0700).
std::string windowTitleFolder();
// The socket path for a title.
std::string windowTitleSocketPath(const std::string& title);

// Whether a live program holds the title.
bool FindWindowByTitle(const std::string& title);
// The process id of the program holding the title, if one does.
std::optional<pid_t> windowTitleOwnerPid(const std::string& title);

// Delivers a message to the title's owner and waits for its result; empty when no
// owner exists, it did not answer within `timeoutMs`, or it did not take the message.
// A message whose sender gave up before the owner got to it is dropped.
std::optional<int32_t> SendWindowMessage(const std::string& title, uint32_t message,
                                         uint32_t wParam, int32_t lParam, int timeoutMs = 5000);

} // namespace qm
