#pragma once
// What the windows show about a drive: its type, volume label, file system name, size,
// free space and whether a medium is in it, gathered from the drive table, the mount
// table and the file system of the drive's host folder.

#include "platform/drivetable.h"
#include "platform/mounttable.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qm {

struct DriveInfo {
    char letter = 0;
    std::string root; // "E:\"
    DriveType type = DriveType::NoRootDir;
    std::string label;
    std::string fileSystem; // "FAT32", "ext4"; empty when unknown
    int64_t totalBytes = 0;
    int64_t freeBytes = 0;      // available to this user
    bool mediumPresent = false; // the host folder can be read
};

// The name a file manager shows for the drive: "MY STICK (E:)", or without a label
// "Local Disk (C:)" for a fixed drive and "Removable Disk (E:)" for the others.
std::string driveDisplayName(const DriveInfo& drive);

// A letter that is not mapped gives type NoRootDir and no medium.
DriveInfo queryDrive(char letter, const MountSource& source = {});
// Every mapped drive, in letter order.
std::vector<DriveInfo> enumerateDrives(const MountSource& source = {});

} // namespace qm
