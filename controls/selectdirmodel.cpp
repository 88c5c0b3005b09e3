#include "controls/selectdirmodel.h"

#include "platform/drivetable.h"
#include "platform/pathtools.h"

namespace qm {

namespace {

TSelectDirModel::DriveLister& defaultDrives() {
    static TSelectDirModel::DriveLister drives;
    return drives;
}

} // namespace

TSelectDirModel::TSelectDirModel(DriveLister drives, FolderLister folders)
    : driveLister_(drives            ? std::move(drives)
                   : defaultDrives() ? defaultDrives()
                                     : DriveLister(&TSelectDirModel::tableDrives)),
      folderLister_(folders ? std::move(folders) : FolderLister(&listFolder)) {}

void TSelectDirModel::setDefaultDrives(DriveLister drives) {
    defaultDrives() = std::move(drives);
}

std::vector<std::string> TSelectDirModel::tableDrives() {
    std::vector<std::string> roots;
    for (const DriveEntry& drive : DriveTable::instance().drives()) {
        const bool kind = drive.type == DriveType::Fixed || drive.type == DriveType::Removable ||
                          drive.type == DriveType::Unknown;
        if (kind && drive.letter >= 'C')
            roots.push_back(std::string(1, drive.letter) + ":\\");
    }
    return roots;
}

void TSelectDirModel::start() {
    items_.clear();
    selected_ = -1;
    current_.clear();
    drives_ = driveLister_();
    driveIndex_ = -1;
    if (!drives_.empty())
        selectDrive(0);
}

void TSelectDirModel::selectDrive(int index) {
    if (index < 0 || index >= int(drives_.size()))
        return;
    driveIndex_ = index;
    const std::string& text = drives_[size_t(index)];
    if (text.size() < 2)
        return;
    showFolder(text.substr(0, 2) + "\\");
}

void TSelectDirModel::showFolder(const std::string& folder) {
    current_ = folder;
    items_.clear();
    // The chain from the root down to the current folder.
    std::string path;
    int level = 0;
    for (const std::string& part : SplitPath(folder)) {
        path = path.empty() ? part + "\\" : JoinPath(path, part);
        items_.push_back({level == 0 ? path : part, path, level});
        ++level;
    }
    selected_ = int(items_.size()) - 1;
    FolderListing listing = folderLister_(folder);
    for (const FolderEntry& entry : listing.entries)
        if (entry.isFolder)
            items_.push_back({entry.name, JoinPath(folder, entry.name), level});
}

void TSelectDirModel::select(int index) {
    if (index >= 0 && index < int(items_.size()))
        selected_ = index;
}

void TSelectDirModel::open(int index) {
    if (index < 0 || index >= int(items_.size()))
        return;
    const std::string target = items_[size_t(index)].path;
    showFolder(target);
}

std::string TSelectDirModel::selectedPath() const {
    if (selected_ < 0 || selected_ >= int(items_.size()))
        return {};
    return items_[size_t(selected_)].path;
}

void TSelectDirModel::finish(std::string& path) const {
    if (drives_.empty())
        return;
    path = selectedPath();
}

} // namespace qm
