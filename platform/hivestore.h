#pragma once
// Where the registry hive files live and how several processes share them. Every
// operation looks at the file: its parse is kept, with the file open, and used again
// while the file at the hive's path has the same identity (device, inode, size,
// modification and change times); a file replaced or rewritten by anyone is read and
// parsed again. A change is made under a lock (flock) on a copy of the hive as stored,
// written to a temporary file, pushed to disk and renamed over the hive, so a reader
// never sees half a file and needs no lock, and a killed writer leaves the old hive in
// place. The user's hive is locked through "<hive>.lock"; the machine's hives through
// "locks/<hive>.lock" in their folder, a folder only root may enter (0700, root's), so
// no other account can hold the lock that keeps root from writing them.
//
// The lock is taken by the thread that runs the windows, so its wait is short. A write
// waits while other writers make progress (the hive is replaced now and then), but gives
// up after kLockWaitMs without any and after kLockWaitLimitMs in all. Once a holder has
// made no progress for a whole wait, later writes try only once until one gets the
// lock, so a program that hangs while holding it costs the window thread one short wait.
//
// Files: HKEY_CURRENT_USER.hive in $XDG_CONFIG_HOME/quillmoor/registry (the real user's
// ~/.config/quillmoor/registry when elevated through sudo or pkexec);
// HKEY_LOCAL_MACHINE.hive and HKEY_CLASSES_ROOT.hive in /var/lib/quillmoor/registry.
// QUILLMOOR_REGISTRY_DIR puts all three into one folder. Elevated for another user, the
// program reads and writes that user's hive with the user's own rights (ActingAsUser),
// so what it makes there belongs to the user and no link leads it elsewhere. The machine hives are
// writable only with euid 0, and not at all when QUILLMOOR_REGISTRY_READONLY_MACHINE=1.
//
// A damaged hive reads as empty with a message on stderr; before the first write over
// it, it is renamed to "<hive>.corrupt" (".corrupt.1", ... when that exists).

#include "platform/hivefile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace qm {

enum class RegistryRoot { CurrentUser, LocalMachine, ClassesRoot };

enum class RegistryStatus {
    Ok,
    KeyMissing,   // the key (or the key opened earlier) does not exist
    ValueMissing, // no value of that name
    WrongType,    // the value exists with another type
    AccessDenied, // a machine hive without administrator rights, or a read-only key
    InvalidName,  // an empty or over-long key name, an over-long value name
    IoError,      // the hive file could not be read, locked or written
};

const char* registryStatusText(RegistryStatus status);

class HiveStore {
  public:
    static constexpr int kLockWaitMs = 1000;
    static constexpr int kLockWaitLimitMs = 3000;
    // After a holder made no progress for kLockWaitMs, writes within this time try the
    // lock only once.
    static constexpr int kHeldLockMemoryMs = 10000;

    static std::string hivePath(RegistryRoot root);
    static const char* rootName(RegistryRoot root);
    // Whether this process may change the hive of `root`.
    static bool writable(RegistryRoot root);

    // Runs `reader` on the hive as stored now (the kept parse while the file is
    // unchanged). Takes no lock.
    static RegistryStatus read(RegistryRoot root,
                               const std::function<RegistryStatus(const HiveKey&)>& reader);
    // A copy of the hive as stored now for the caller to keep (an empty key when there
    // is no hive file yet). Takes no lock.
    static RegistryStatus load(RegistryRoot root, std::unique_ptr<HiveKey>& hive);
    // Runs `change` under the exclusive lock on a copy of the hive as stored then; writes
    // the hive back when `change` returns Ok and reports `changed` true. IoError when the
    // lock stays taken.
    static RegistryStatus
    update(RegistryRoot root, const std::function<RegistryStatus(HiveKey&, bool& changed)>& change);

    // Hive files looked at, read and written by this process since it started (for
    // tests and diagnostics).
    struct IoCounts {
        uint64_t loads = 0;  // the stored hive asked for (each looks at the file)
        uint64_t parses = 0; // of those, the ones that read and parsed the file
        uint64_t saves = 0;
    };
    static IoCounts ioCounts();

  private:
    static RegistryStatus
    updateHive(RegistryRoot root,
               const std::function<RegistryStatus(HiveKey&, bool& changed)>& change);
};

} // namespace qm
