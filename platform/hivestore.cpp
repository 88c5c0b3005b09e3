#include "platform/hivestore.h"

#include "platform/actingas.h"
#include "platform/filelock.h"
#include "platform/realuser.h"
#include "platform/uniquefd.h"
#include "platform/writeall.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

std::atomic<uint64_t> gLoads{0};
std::atomic<uint64_t> gSaves{0};
// Until this moment (steady clock, ms) writers try the lock only once; 0 when the last
// attempt got it.
std::atomic<int64_t> gLockHeldUntil{0};

int64_t steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool isMachine(RegistryRoot root) {
    return root != RegistryRoot::CurrentUser;
}

std::string hiveFolder(RegistryRoot root) {
    if (const char* dir = std::getenv("QUILLMOOR_REGISTRY_DIR"); dir && *dir)
        return dir;
    if (isMachine(root))
        return "/var/lib/quillmoor/registry";
    return userConfigFolder() + "/quillmoor/registry";
}

// A program elevated for another user reads and writes that user's hive with the user's
// own rights: the folder is the user's to change, so root must not follow it anywhere.
template <class Work> RegistryStatus withHiveRights(RegistryRoot root, Work work) {
    if (isMachine(root))
        return work();
    const RealUser user = realUser();
    if (!user.elevatedForOther)
        return work();
    ActingAsUser acting(user);
    if (!acting.ok())
        return RegistryStatus::AccessDenied;
    return work();
}

bool makeFolders(RegistryRoot root, const std::string& folder) {
    mode_t mode = isMachine(root) ? 0755 : 0700;
    for (size_t slash = 1; slash <= folder.size(); ++slash) {
        if (slash < folder.size() && folder[slash] != '/')
            continue;
        std::string part = folder.substr(0, slash);
        // Made with exactly its mode: the machine's hives are every user's to read, whatever
        // root's umask.
        if (::mkdir(part.c_str(), mode) == 0) {
            if (::chmod(part.c_str(), mode) != 0)
                return false;
        } else if (errno != EEXIST) {
            return false;
        }
    }
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

RegistryStatus statusFromErrno(int error) {
    return error == EACCES || error == EPERM || error == EROFS ? RegistryStatus::AccessDenied
                                                               : RegistryStatus::IoError;
}

struct LoadedHive {
    std::unique_ptr<HiveKey> root;
    bool corrupt = false;
    RegistryStatus status = RegistryStatus::Ok;
};

LoadedHive loadHive(const std::string& path) {
    ++gLoads;
    LoadedHive loaded;
    loaded.root = std::make_unique<HiveKey>();
    // A user's hive may be anything the user put there: a named pipe is not waited for
    // (O_NONBLOCK), and only a regular file is read.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno != ENOENT)
            loaded.status = statusFromErrno(errno);
        return loaded;
    }
    struct stat st {};
    std::string text;
    std::string problem;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fprintf(stderr, "quillmoor: registry hive %s is not a regular file; not read\n",
                     path.c_str());
        loaded.status = RegistryStatus::IoError;
        return loaded;
    }
    if (static_cast<uint64_t>(st.st_size) > kMaxHiveFileBytes) {
        problem = "file larger than " + std::to_string(kMaxHiveFileBytes) + " bytes";
    } else {
        text.resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        while (done < text.size()) {
            ssize_t got = ::read(fd.get(), text.data() + done, text.size() - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += static_cast<size_t>(got);
        }
        if (done != text.size()) {
            loaded.status = RegistryStatus::IoError;
            return loaded;
        }
        HiveParseResult parsed = parseHive(text);
        if (parsed.root)
            loaded.root = std::move(parsed.root);
        else
            problem = parsed.error;
    }
    if (!problem.empty()) {
        loaded.corrupt = true;
        std::fprintf(stderr,
                     "quillmoor: registry hive %s is damaged (%s); it is read as empty and "
                     "will be kept as a .corrupt copy before it is written again\n",
                     path.c_str(), problem.c_str());
    }
    return loaded;
}

// Moves a damaged hive aside so the next write does not destroy it.
bool keepCorruptCopy(const std::string& path) {
    for (int n = 0; n < 1000; ++n) {
        std::string target = path + ".corrupt" + (n == 0 ? "" : "." + std::to_string(n));
        struct stat st {};
        if (::lstat(target.c_str(), &st) == 0)
            continue;
        if (::rename(path.c_str(), target.c_str()) != 0)
            return false;
        std::fprintf(stderr, "quillmoor: damaged registry hive kept as %s\n", target.c_str());
        return true;
    }
    return false;
}

RegistryStatus saveHive(RegistryRoot root, const std::string& path, const HiveKey& hive) {
    ++gSaves;
    std::string temp = path + ".tmp." + std::to_string(::getpid());
    mode_t mode = isMachine(root) ? 0644 : 0600;
    // O_NONBLOCK: a named pipe left at the temporary's name fails rather than waits.
    UniqueFd fd(::open(temp.c_str(),
                       O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, mode));
    if (fd.get() < 0)
        return statusFromErrno(errno);
    bool ok = ::fchmod(fd.get(), mode) == 0 && writeAll(fd.get(), serializeHive(hive)) &&
              ::fsync(fd.get()) == 0;
    ok = ::close(fd.release()) == 0 && ok;
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return RegistryStatus::IoError;
    }
    std::string folder = path.substr(0, path.rfind('/') + 1);
    UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
    return RegistryStatus::Ok;
}

// What changes each time a writer replaces the hive.
struct HiveIdentity {
    ino_t inode = 0;
    int64_t modifiedNs = 0;
    bool operator==(const HiveIdentity&) const = default;
};

HiveIdentity identityOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return {st.st_ino, int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// Takes the lock on `fd`, waiting as the header describes; false with errno EWOULDBLOCK
// when the wait ran out.
bool waitForLock(int fd, const std::string& hivePath) {
    if (steadyMs() < gLockHeldUntil.load())
        return lockFileWithin(fd, true, 0);
    constexpr int kSliceMs = 50;
    const int64_t start = steadyMs();
    int64_t lastProgress = start;
    HiveIdentity seen = identityOf(hivePath);
    for (;;) {
        if (lockFileWithin(fd, true, kSliceMs))
            return true;
        if (errno != EWOULDBLOCK)
            return false;
        const int64_t now = steadyMs();
        if (const HiveIdentity current = identityOf(hivePath); !(current == seen)) {
            seen = current;
            lastProgress = now;
        }
        if (now - lastProgress >= HiveStore::kLockWaitMs) {
            gLockHeldUntil = now + HiveStore::kHeldLockMemoryMs;
            errno = EWOULDBLOCK;
            return false;
        }
        if (now - start >= HiveStore::kLockWaitLimitMs) {
            errno = EWOULDBLOCK;
            return false;
        }
    }
}

// Opens and locks "<hive>.lock" for writing; -1 when the lock file cannot be opened or
// stays taken.
int lockHive(RegistryRoot root, const std::string& path) {
    std::string lockPath = path + ".lock";
    mode_t mode = isMachine(root) ? 0644 : 0600;
    int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd < 0)
        return -1;
    if (!waitForLock(fd, path)) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    gLockHeldUntil = 0;
    return fd;
}

} // namespace

const char* registryStatusText(RegistryStatus status) {
    switch (status) {
    case RegistryStatus::Ok:
        return "ok";
    case RegistryStatus::KeyMissing:
        return "key not found";
    case RegistryStatus::ValueMissing:
        return "value not found";
    case RegistryStatus::WrongType:
        return "value has another type";
    case RegistryStatus::AccessDenied:
        return "access denied";
    case RegistryStatus::InvalidName:
        return "invalid name";
    case RegistryStatus::IoError:
        return "hive file could not be read or written";
    }
    return "unknown";
}

const char* HiveStore::rootName(RegistryRoot root) {
    switch (root) {
    case RegistryRoot::LocalMachine:
        return "HKEY_LOCAL_MACHINE";
    case RegistryRoot::ClassesRoot:
        return "HKEY_CLASSES_ROOT";
    default:
        return "HKEY_CURRENT_USER";
    }
}

std::string HiveStore::hivePath(RegistryRoot root) {
    return hiveFolder(root) + "/" + rootName(root) + ".hive";
}

bool HiveStore::writable(RegistryRoot root) {
    if (!isMachine(root))
        return true;
    const char* readOnly = std::getenv("QUILLMOOR_REGISTRY_READONLY_MACHINE");
    if (readOnly && std::strcmp(readOnly, "1") == 0)
        return false;
    return ::geteuid() == 0;
}

RegistryStatus HiveStore::read(RegistryRoot root,
                               const std::function<RegistryStatus(const HiveKey&)>& reader) {
    std::unique_ptr<HiveKey> hive;
    RegistryStatus status = load(root, hive);
    return status == RegistryStatus::Ok ? reader(*hive) : status;
}

RegistryStatus HiveStore::load(RegistryRoot root, std::unique_ptr<HiveKey>& hive) {
    // Writers replace the file by a rename, so a reader sees the old hive or the new
    // one, never half of either.
    return withHiveRights(root, [&] {
        LoadedHive loaded = loadHive(hivePath(root));
        if (loaded.status == RegistryStatus::Ok)
            hive = std::move(loaded.root);
        return loaded.status;
    });
}

HiveStore::IoCounts HiveStore::ioCounts() {
    return {gLoads.load(), gSaves.load()};
}

RegistryStatus
HiveStore::update(RegistryRoot root,
                  const std::function<RegistryStatus(HiveKey&, bool& changed)>& change) {
    if (!writable(root))
        return RegistryStatus::AccessDenied;
    return withHiveRights(root, [&] { return updateHive(root, change); });
}

RegistryStatus
HiveStore::updateHive(RegistryRoot root,
                      const std::function<RegistryStatus(HiveKey&, bool& changed)>& change) {
    std::string path = hivePath(root);
    if (!makeFolders(root, hiveFolder(root)))
        return statusFromErrno(errno);
    UniqueFd lock(lockHive(root, path));
    if (lock.get() < 0)
        return statusFromErrno(errno);
    LoadedHive loaded = loadHive(path);
    if (loaded.status != RegistryStatus::Ok)
        return loaded.status;
    bool changed = false;
    RegistryStatus status = change(*loaded.root, changed);
    if (status != RegistryStatus::Ok || !changed)
        return status;
    if (loaded.corrupt && !keepCorruptCopy(path))
        return RegistryStatus::IoError;
    return saveHive(root, path, *loaded.root);
}

} // namespace qm
