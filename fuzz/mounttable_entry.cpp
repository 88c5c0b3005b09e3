// Fuzz body for the host's mount table: the input is the table file named by
// QUILLMOOR_MOUNTS. Every entry read has an absolute mount point without "." or ".."
// names, and the questions asked of an entry (its disk, whether a user plugged it in,
// which entry holds a path) stay inside the sandbox's sysfs folder.

#include "fuzz/fuzzentries.h"

#include "fuzz/fuzzsandbox.h"
#include "platform/mounttable.h"

#include <fstream>
#include <string>

namespace qm::fuzz {

namespace {

// Entries checked per input; a table may list thousands.
constexpr size_t kMaxChecked = 64;

bool HasDotName(const std::string& path) {
    return path.find("/./") != std::string::npos || path.find("/../") != std::string::npos ||
           path.ends_with("/.") || path.ends_with("/..");
}

} // namespace

int FuzzMountTable(const uint8_t* data, size_t size) {
    FuzzSandbox& sandbox = FuzzSandbox::instance();
    sandbox.clear();
    const std::string table = sandbox.root() + "/mounts";
    {
        std::ofstream out(table, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    MountSource source;
    source.userName = "ann";
    const std::vector<MountEntry> entries = readMountTable(source);
    for (size_t i = 0; i < entries.size() && i < kMaxChecked; ++i) {
        const MountEntry& entry = entries[i];
        Require(entry.mountPoint.starts_with('/') && !HasDotName(entry.mountPoint),
                "a mount point read is absolute and plain");
        const std::string disk = diskOfDevice(entry.device);
        Require(disk.find('/') == std::string::npos && disk != "." && disk != "..",
                "a disk name is one plain name");
        isUserMedium(entry, source);
        fileSystemDisplayName(entry.fsType);
        std::optional<MountEntry> holder = mountOf(entries, entry.mountPoint + "/file");
        Require(holder.has_value(), "a path below a mount point has a mount");
    }
    sandbox.clear();
    return 0;
}

} // namespace qm::fuzz
