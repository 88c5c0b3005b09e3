#include "platform/driveinfo.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

namespace qm {

namespace {

DriveInfo describe(const DriveEntry& drive, const std::vector<MountEntry>& mounts) {
    DriveInfo info;
    info.letter = drive.letter;
    info.root = std::string(1, drive.letter) + ":\\";
    info.type = drive.type;
    info.label = drive.label;
    struct stat st {};
    struct statvfs vfs {};
    if (::stat(drive.hostRoot.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        ::statvfs(drive.hostRoot.c_str(), &vfs) != 0)
        return info;
    info.mediumPresent = true;
    info.totalBytes = static_cast<int64_t>(vfs.f_blocks) * static_cast<int64_t>(vfs.f_frsize);
    info.freeBytes = static_cast<int64_t>(vfs.f_bavail) * static_cast<int64_t>(vfs.f_frsize);
    if (auto mount = mountOf(mounts, drive.hostRoot))
        info.fileSystem = fileSystemDisplayName(mount->fsType);
    return info;
}

} // namespace

std::string driveDisplayName(const DriveInfo& drive) {
    std::string name = drive.label;
    if (name.empty())
        name = drive.type == DriveType::Fixed ? "Local Disk" : "Removable Disk";
    return name + " (" + std::string(1, drive.letter) + ":)";
}

DriveInfo queryDrive(char letter, const MountSource& source) {
    auto drive = DriveTable::instance().find(letter);
    if (!drive) {
        DriveInfo info;
        info.letter = letter;
        info.root = std::string(1, letter) + ":\\";
        return info;
    }
    return describe(*drive, readMountTable(source));
}

std::vector<DriveInfo> enumerateDrives(const MountSource& source) {
    std::vector<MountEntry> mounts = readMountTable(source);
    std::vector<DriveInfo> infos;
    for (const auto& drive : DriveTable::instance().drives())
        infos.push_back(describe(drive, mounts));
    return infos;
}

} // namespace qm
