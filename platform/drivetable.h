#pragma once
// The drive table: which DOS drive letters exist and which host folder each one stands
// for. It is the only place that knows where a drive letter lives on this machine.
//
// By default C: is "/" (a fixed drive). The environment variable QUILLMOOR_DRIVES
// adds or replaces entries, so tests and the demo run in sandbox folders:
//     QUILLMOOR_DRIVES="C=fixed:/tmp/sb/c;E=removable:/tmp/sb/e"
// Entries are separated by ';', each is LETTER=TYPE:HOSTFOLDER, TYPE one of
// removable, fixed, remote, cdrom, ramdisk. Code may also map and unmap letters
// (tests do, through tests/support/sandbox.h).

#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qm {

// Same numbering as the drive types the stored settings and windows expect.
enum class DriveType {
    Unknown = 0,
    NoRootDir = 1,
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CdRom = 5,
    RamDisk = 6,
};

struct DriveEntry {
    char letter = 0;      // 'A'..'Z'
    std::string hostRoot; // absolute host folder, no trailing slash except "/"
    DriveType type = DriveType::Unknown;
    std::string label;  // volume label, may be empty
    std::string source; // where the entry came from: "default", "override", "mount", "code"
};

class DriveTable {
  public:
    // The process-wide table, built on first use from the defaults and QUILLMOOR_DRIVES.
    static DriveTable& instance();

    // Forgets everything mapped so far and rebuilds from the defaults and the
    // environment. Tests call it after changing QUILLMOOR_DRIVES.
    void reload();

    // The source of entries the extender adds for mounted media.
    static constexpr const char* kMountSource = "mount";

    // Maps `letter` to `hostRoot` (made absolute); replaces an existing mapping.
    // Returns false for a letter outside A-Z or an empty host folder.
    bool map(char letter, const std::string& hostRoot, DriveType type,
             const std::string& label = {}, const char* source = "code");
    void unmap(char letter);

    std::optional<DriveEntry> find(char letter) const;
    // Every mapped drive in letter order.
    std::vector<DriveEntry> drives() const;

    // The drive whose host root is the longest prefix of `hostPath`, if any.
    std::optional<DriveEntry> findByHostPath(const std::string& hostPath) const;

    // Called after reload() builds the defaults, before the environment override is
    // applied: lets the drive enumeration add mounted removable media.
    using Extender = std::function<void(DriveTable&)>;
    void setExtender(Extender extender);
    // Runs the extender again for media plugged in or pulled out since: entries it
    // added are replaced, everything else (defaults, override, code) stays.
    void refreshMedia();

    // Letters that QUILLMOOR_DRIVES maps; they are not given to anything else.
    static std::set<char> overrideLetters();

    static std::optional<DriveType> parseType(const std::string& name);

  private:
    DriveTable();
    void reloadLocked();

    mutable std::recursive_mutex mutex_;
    std::vector<DriveEntry> entries_; // sorted by letter
    Extender extender_;
};

} // namespace qm
