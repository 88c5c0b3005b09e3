#include "platform/linkfreepath.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace qm {

namespace {

using SharedFd = std::shared_ptr<const UniqueFd>;

// The folders opened last, by host path, the least recently used first. Few enough that
// a run's descriptors stay bounded, enough for the media folder, its staging folder and
// the copy-tree folders of the files at hand.
class KeptFolders {
  public:
    static constexpr size_t kCapacity = 16;

    SharedFd Find(std::string_view Host) {
        auto it = std::find_if(fFolders.begin(), fFolders.end(),
                               [Host](const auto& kept) { return kept.first == Host; });
        if (it == fFolders.end())
            return nullptr;
        std::rotate(it, it + 1, fFolders.end());
        return fFolders.back().second;
    }
    void Keep(std::string Host, SharedFd Folder) {
        std::erase_if(fFolders, [&Host](const auto& kept) { return kept.first == Host; });
        if (fFolders.size() >= kCapacity)
            fFolders.erase(fFolders.begin());
        fFolders.emplace_back(std::move(Host), std::move(Folder));
    }
    void Forget(const std::string& Host) {
        std::erase_if(fFolders, [&Host](const auto& kept) {
            const std::string& path = kept.first;
            return path.compare(0, Host.size(), Host) == 0 &&
                   (path.size() == Host.size() || path[Host.size()] == '/' || Host == "/");
        });
    }
    void Clear() { fFolders.clear(); }

  private:
    std::vector<std::pair<std::string, SharedFd>> fFolders;
};

KeptFolders& kept() {
    static KeptFolders folders;
    return folders;
}

// The names of Host after Root, as [begin, end) offsets into Host.
std::vector<std::pair<size_t, size_t>> namesBelow(const std::string& Root,
                                                  const std::string& Host) {
    std::vector<std::pair<size_t, size_t>> names;
    size_t pos = Root.size();
    while (pos < Host.size()) {
        while (pos < Host.size() && Host[pos] == '/')
            ++pos;
        const size_t end = std::min(Host.find('/', pos), Host.size());
        if (end > pos)
            names.emplace_back(pos, end);
        pos = end;
    }
    return names;
}

int openStep(int Folder, const char* Name) {
    int fd;
    do
        fd = ::openat(Folder, Name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    return fd;
}

bool isLink(int Folder, const char* Name) {
    struct stat info {};
    return ::fstatat(Folder, Name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode);
}

// A kept folder that was deleted since it was opened names nothing any more.
bool stillThere(const UniqueFd& Folder) {
    struct stat info {};
    return ::fstat(Folder.get(), &info) == 0 && info.st_nlink > 0;
}

} // namespace

LinkFreePath::LinkFreePath(std::string Root, std::string Host)
    : fRoot(std::move(Root)), fHost(std::move(Host)) {}

SharedFd LinkFreePath::Open(size_t Levels, const std::function<bool()>& Make) {
    const std::vector<std::pair<size_t, size_t>> names = namesBelow(fRoot, fHost);
    Levels = std::min(Levels, names.size());
    auto keyOf = [&](size_t level) {
        return level == 0 ? fRoot : fHost.substr(0, names[level - 1].second);
    };
    // From the deepest kept folder on the way, else from the drive's root.
    SharedFd folder;
    size_t at = 0;
    for (size_t level = Levels + 1; level-- > 0 && !folder;) {
        const std::string key = keyOf(level);
        SharedFd found = kept().Find(key);
        if (found && !stillThere(*found)) {
            kept().Forget(key);
            found = nullptr;
        }
        if (found) {
            folder = std::move(found);
            at = level;
        }
    }
    if (!folder) {
        UniqueFd root(::open(fRoot.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (root.get() < 0)
            return nullptr;
        folder = std::make_shared<const UniqueFd>(std::move(root));
        kept().Keep(fRoot, folder);
    }
    bool allowed = false;
    for (size_t level = at; level < Levels; ++level) {
        const auto [begin, end] = names[level];
        const std::string name = fHost.substr(begin, end - begin);
        int next = openStep(folder->get(), name.c_str());
        if (next < 0 && errno == ENOENT && Make) {
            if (!allowed && !Make())
                return nullptr;
            allowed = true;
            if (::mkdirat(folder->get(), name.c_str(), 0755) != 0 && errno != EEXIST)
                return nullptr;
            next = openStep(folder->get(), name.c_str());
        }
        if (next < 0) {
            if (errno == ENOTDIR && isLink(folder->get(), name.c_str()))
                errno = ELOOP;
            return nullptr;
        }
        folder = std::make_shared<const UniqueFd>(next);
        kept().Keep(keyOf(level + 1), folder);
    }
    return folder;
}

bool LinkFreePath::OpenHolder() {
    const std::vector<std::pair<size_t, size_t>> names = namesBelow(fRoot, fHost);
    if (names.empty()) {
        fName = ".";
        fFolder = Open(0, nullptr);
    } else {
        fName = fHost.substr(names.back().first);
        fFolder = Open(names.size() - 1, nullptr);
    }
    return fFolder != nullptr;
}

bool LinkFreePath::OpenAsFolder(const std::function<bool()>& Make) {
    fName = ".";
    fFolder = Open(SIZE_MAX, Make);
    return fFolder != nullptr;
}

bool LinkFreePath::NameIsNoLink() const {
    if (!isLink(Folder(), Name()))
        return true;
    errno = ELOOP;
    return false;
}

void LinkFreePath::Forget(const std::string& HostPath) {
    kept().Forget(HostPath);
}

void LinkFreePath::ForgetAll() {
    kept().Clear();
}

bool LinkFreePath::ReachedWithoutLinks(const std::string& Root, const std::string& Host) {
    UniqueFd folder(::open(Root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    const std::vector<std::pair<size_t, size_t>> names = namesBelow(Root, Host);
    for (size_t level = 0; level < names.size() && folder.get() >= 0; ++level) {
        const std::string name =
            Host.substr(names[level].first, names[level].second - names[level].first);
        struct stat info {};
        if (::fstatat(folder.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            return true; // a missing name ends the walk: what is made there is made in a real
                         // folder
        if (S_ISLNK(info.st_mode))
            return false;
        if (!S_ISDIR(info.st_mode))
            return true;
        folder = UniqueFd(openStep(folder.get(), name.c_str()));
        if (folder.get() < 0 && errno != ENOENT)
            return false; // swapped for something else while it was looked at
    }
    return true;
}

} // namespace qm
