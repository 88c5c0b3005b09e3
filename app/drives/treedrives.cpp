#include "app/drives/treedrives.h"

#include "app/drives/mediadrivechoice.h"
#include "app/drives/mediadrives.h"
#include "platform/drivetable.h"

#include <algorithm>

namespace qm {

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
    const std::string r = TrimmedCaption(root);
    return r.empty() || !DriveHasMedium(r) || IsMediaDrive(r); // no medium: not shown
}

std::vector<std::string> GetTreeDrives() {
    std::vector<std::string> roots = EnumLocalDrives();
    roots.erase(std::remove_if(roots.begin(), roots.end(), IsMediaVolume), roots.end());
    return roots;
}

} // namespace qm
