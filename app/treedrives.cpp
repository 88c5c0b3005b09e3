#include "app/treedrives.h"

#include "platform/driveinfo.h"
#include "platform/drivetable.h"
#include "platform/fileio.h"

#include <algorithm>

namespace qm {

namespace {

constexpr int64_t kMarkerSize = 24;

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

} // namespace

std::vector<std::string> EnumLocalDrives() {
    std::vector<std::string> roots;
    for (const DriveEntry& drive : DriveTable::instance().drives()) {
        if (drive.letter < 'C')
            continue;
        if (drive.type == DriveType::Fixed || drive.type == DriveType::Removable ||
            drive.type == DriveType::Unknown)
            roots.push_back(std::string(1, drive.letter) + ":\\");
    }
    return roots;
}

bool IsMediaVolume(const std::string& root) {
    const std::string r = trimmed(root);
    if (r.empty())
        return true;
    if (!queryDrive(r[0]).mediumPresent)
        return true; // no medium: not shown
    return fileSize(r + "Quillmoor\\drives.dat") == kMarkerSize;
}

std::vector<std::string> GetTreeDrives() {
    std::vector<std::string> roots = EnumLocalDrives();
    roots.erase(std::remove_if(roots.begin(), roots.end(), IsMediaVolume), roots.end());
    return roots;
}

} // namespace qm
