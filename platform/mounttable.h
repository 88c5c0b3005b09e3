#pragma once
// The host's mount table (the /proc/self/mounts format: device, mount point, file
// system type, options, two numbers; blanks and other bytes in names as \ooo octal
// escapes), and which of its entries are media a user plugs in.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

struct MountEntry {
    std::string device;     // "/dev/sdb1"
    std::string mountPoint; // unescaped, "/media/ann/MY STICK"
    std::string fsType;     // "vfat"
};

// Where mount information is read; tests point these at files of their own.
struct MountSource {
    std::string mountTable; // empty: $QUILLMOOR_MOUNTS, else /proc/self/mounts
    std::string sysBlock;   // empty: $QUILLMOOR_SYS_BLOCK, else /sys/block
    std::string userName;   // empty: GetUserName()
};

// Parses a mount table; malformed lines are skipped, and so are lines whose mount point
// is relative or holds a "." or ".." component.
std::vector<MountEntry> parseMountTable(std::string_view text);
// Reads and parses the source's table; empty when it cannot be read.
std::vector<MountEntry> readMountTable(const MountSource& source);

// A plugged-in medium: a block device whose disk says removable in sysfs, or a mount
// point below /media/<user>/ or /run/media/<user>/.
bool isUserMedium(const MountEntry& entry, const MountSource& source);
// "sdb" for "/dev/sdb1", "mmcblk0" for "/dev/mmcblk0p1", "nvme0n1" for
// "/dev/nvme0n1p2"; empty when the device is not under /dev.
std::string diskOfDevice(std::string_view device);
// The name a Windows drive list shows for a file system type ("FAT32", "NTFS").
std::string fileSystemDisplayName(std::string_view fsType);
// The entry whose mount point holds `hostPath` most closely.
std::optional<MountEntry> mountOf(const std::vector<MountEntry>& table,
                                  const std::string& hostPath);

} // namespace qm
