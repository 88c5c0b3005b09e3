#pragma once
// The shell look-ups of the Drives page and the folder trees: icons, display names,
// type names and file-system names of DOS paths, through Qt's icon provider and MIME
// database. A path that does not translate gives an empty result, never an error.

#include <QIcon>
#include <QString>
#include <memory>
#include <string>

class QFileIconProvider;

namespace qm {

// The icon source shared by the lists (the system's small icons).
std::unique_ptr<QFileIconProvider> GetSystemImageList();

struct TSpecialFolderInfo {
    std::string path; // host path of the folder
    QIcon icon;
    QIcon openIcon;
};

// Special folders by their classic numbers: 0 desktop, 5 documents, 16 desktop folder,
// 39 pictures. Returns false (info unchanged) for other numbers or a missing folder.
bool GetSpecialFolderInfo(int folderNumber, TSpecialFolderInfo& info);

// The file-system name of the drive `root` ("X:\") as the drive table describes it
// ("FAT32", "NTFS", "ext4"); left empty when the drive is unknown or cannot be read.
void GetFileSystemName(const std::string& root, std::string& name);

// The icon and the type name ("Folder", "PNG image") of a DOS path.
QIcon shellIcon(const std::string& dosPath);
QString shellTypeName(const std::string& dosPath);

} // namespace qm
