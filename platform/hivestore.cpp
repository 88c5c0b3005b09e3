#include "platform/hivestore.h"

#include "platform/actingas.h"
#include "platform/fileio.h"
#include "platform/filelock.h"
#include "platform/folderchain.h"
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
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

std::atomic<uint64_t> gLoads{0};
std::atomic<uint64_t> gParses{0};
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
    std::shared_ptr<const HiveKey> root;
    bool corrupt = false;
    RegistryStatus status = RegistryStatus::Ok;
};

// The last parse of each hive, kept with its file open: while the file is open its inode
// cannot pass to another file, so a file at the hive's path with the same identity
// (device, inode, size, modification and change times) is the same file, unchanged.
// Writers replace the hive by a rename, which gives it another inode.
struct KeptParse {
    std::string path;
    FileIdentity identity;
    UniqueFd file;
    LoadedHive hive;
};

std::mutex gKeptMutex;
KeptParse gKept[3]; // by RegistryRoot

KeptParse& keptFor(RegistryRoot root) {
    return gKept[static_cast<int>(root)];
}

std::optional<FileIdentity> identityOfOpen(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return std::nullopt;
    return fileIdentityOf(st);
}

// Reads and parses the hive file open at `fd`.
LoadedHive parseHiveFile(int fd, const std::string& path, int64_t size) {
    ++gParses;
    LoadedHive loaded;
    loaded.root = std::make_shared<HiveKey>();
    std::string text;
    std::string problem;
    if (static_cast<uint64_t>(size) > kMaxHiveFileBytes) {
        problem = "file larger than " + std::to_string(kMaxHiveFileBytes) + " bytes";
    } else {
        text.resize(static_cast<size_t>(size));
        size_t done = 0;
        while (done < text.size()) {
            ssize_t got = ::read(fd, text.data() + done, text.size() - done);
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

// The hive as stored now: the kept parse while the file is unchanged, else the file read
// and parsed (and kept when it did not change while it was read).
LoadedHive loadHive(RegistryRoot root, const std::string& path) {
    ++gLoads;
    LoadedHive loaded;
    // A user's hive may be anything the user put there: a named pipe is not waited for
    // (O_NONBLOCK), and only a regular file is read.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) {
        loaded.root = std::make_shared<HiveKey>();
        if (errno != ENOENT)
            loaded.status = statusFromErrno(errno);
        return loaded;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fprintf(stderr, "quillmoor: registry hive %s is not a regular file; not read\n",
                     path.c_str());
        loaded.root = std::make_shared<HiveKey>();
        loaded.status = RegistryStatus::IoError;
        return loaded;
    }
    const std::optional<FileIdentity> before = fileIdentityOf(st);
    {
        std::lock_guard<std::mutex> guard(gKeptMutex);
        const KeptParse& kept = keptFor(root);
        if (kept.hive.root && kept.path == path && kept.identity == *before)
            return kept.hive;
    }
    loaded = parseHiveFile(fd.get(), path, before->size);
    if (loaded.status != RegistryStatus::Ok || identityOfOpen(fd.get()) != before)
        return loaded;
    std::lock_guard<std::mutex> guard(gKeptMutex);
    keptFor(root) = KeptParse{path, *before, std::move(fd), loaded};
    return loaded;
}

// A copy of a hive to change.
std::unique_ptr<HiveKey> copyOfHive(const HiveKey& key) {
    auto copy = std::make_unique<HiveKey>();
    copy->name = key.name;
    copy->values = key.values;
    copy->subKeys.reserve(key.subKeys.size());
    for (const auto& sub : key.subKeys)
        copy->subKeys.push_back(copyOfHive(*sub));
    return copy;
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

// The machine hives' locks are in a folder of the hive folder that only root may enter,
// so no other account can open one, let alone hold it and keep root from the hive (as it
// could with the world-readable "<hive>.lock" beside the hive that root used to lock, now
// left unused). Each step is checked on the open folder or file: root's, not a link, and
// root's alone.
constexpr const char* kMachineLockFolder = "locks";

int openMachineLock(const std::string& hivePath) {
    const size_t slash = hivePath.rfind('/');
    const UniqueFd hiveFolder = openFolderChain(hivePath.substr(0, slash));
    if (hiveFolder.get() < 0)
        return -1;
    if (::mkdirat(hiveFolder.get(), kMachineLockFolder, 0700) != 0 && errno != EEXIST)
        return -1;
    const UniqueFd folder(::openat(hiveFolder.get(), kMachineLockFolder,
                                   O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (folder.get() < 0 || ::fstat(folder.get(), &info) != 0)
        return -1;
    if (info.st_uid != 0) {
        std::fprintf(stderr,
                     "quillmoor: %s/%s does not belong to root; the machine's registry "
                     "is not written while it is there\n",
                     hivePath.substr(0, slash).c_str(), kMachineLockFolder);
        errno = EIO;
        return -1;
    }
    if ((info.st_mode & 07777) != 0700 && ::fchmod(folder.get(), 0700) != 0)
        return -1;
    const std::string name = hivePath.substr(slash + 1) + ".lock";
    UniqueFd lock(
        ::openat(folder.get(), name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (lock.get() < 0 || ::fstat(lock.get(), &info) != 0)
        return -1;
    if (!S_ISREG(info.st_mode) || info.st_uid != 0) {
        errno = EIO;
        return -1;
    }
    if ((info.st_mode & 07777) != 0600 && ::fchmod(lock.get(), 0600) != 0)
        return -1;
    return lock.release();
}

// Opens and locks the hive's lock file for writing: "<hive>.lock" for the user's hive,
// the machine lock above for the machine's; -1 when it cannot be opened or stays taken.
int lockHive(RegistryRoot root, const std::string& path) {
    const int fd = isMachine(root) ? openMachineLock(path)
                                   : ::open((path + ".lock").c_str(),
                                            O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
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
    // Writers replace the file by a rename, so a reader sees the old hive or the new
    // one, never half of either. The parse is shared: the reader only looks.
    LoadedHive loaded;
    const RegistryStatus status = withHiveRights(root, [&] {
        loaded = loadHive(root, hivePath(root));
        return loaded.status;
    });
    return status == RegistryStatus::Ok ? reader(*loaded.root) : status;
}

RegistryStatus HiveStore::load(RegistryRoot root, std::unique_ptr<HiveKey>& hive) {
    return read(root, [&](const HiveKey& stored) {
        hive = copyOfHive(stored);
        return RegistryStatus::Ok;
    });
}

HiveStore::IoCounts HiveStore::ioCounts() {
    return {gLoads.load(), gParses.load(), gSaves.load()};
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
    LoadedHive loaded = loadHive(root, path);
    if (loaded.status != RegistryStatus::Ok)
        return loaded.status;
    std::unique_ptr<HiveKey> hive = copyOfHive(*loaded.root);
    bool changed = false;
    RegistryStatus status = change(*hive, changed);
    if (status != RegistryStatus::Ok || !changed)
        return status;
    if (loaded.corrupt && !keepCorruptCopy(path))
        return RegistryStatus::IoError;
    return saveHive(root, path, *hive);
}

} // namespace qm
