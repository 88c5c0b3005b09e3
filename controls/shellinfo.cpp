#include "controls/shellinfo.h"

#include "platform/dospath.h"
#include "platform/driveinfo.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <cctype>

namespace qm {

namespace {

std::optional<QString> hostOf(const std::string& dosPath) {
    std::optional<std::string> host = toHostPath(dosPath);
    if (!host)
        return std::nullopt;
    return QString::fromStdString(*host);
}

} // namespace

std::unique_ptr<QFileIconProvider> GetSystemImageList() {
    return std::make_unique<QFileIconProvider>();
}

bool GetSpecialFolderInfo(int folderNumber, TSpecialFolderInfo& info) {
    QStandardPaths::StandardLocation location;
    switch (folderNumber) {
    case 0:
    case 16:
        location = QStandardPaths::DesktopLocation;
        break;
    case 5:
        location = QStandardPaths::DocumentsLocation;
        break;
    case 39:
        location = QStandardPaths::PicturesLocation;
        break;
    default:
        return false;
    }
    const QString path = QStandardPaths::writableLocation(location);
    if (path.isEmpty() || !QFileInfo(path).isDir())
        return false;
    QFileIconProvider provider;
    info.path = path.toStdString();
    info.icon = provider.icon(QFileInfo(path));
    info.openIcon = provider.icon(QFileIconProvider::Folder);
    return true;
}

void GetFileSystemName(const std::string& root, std::string& name) {
    name.clear();
    if (root.size() < 2 || root[1] != ':')
        return;
    // The drive table's description, so the Drives page and the drive list agree.
    DriveInfo drive = queryDrive(char(std::toupper(static_cast<unsigned char>(root[0]))));
    if (drive.mediumPresent)
        name = drive.fileSystem;
}

QIcon shellIcon(const std::string& dosPath) {
    std::optional<QString> host = hostOf(dosPath);
    if (!host)
        return {};
    return QFileIconProvider().icon(QFileInfo(*host));
}

QString shellTypeName(const std::string& dosPath) {
    std::optional<QString> host = hostOf(dosPath);
    if (!host)
        return {};
    QFileInfo file(*host);
    if (file.isDir())
        return QStringLiteral("Folder");
    return QMimeDatabase().mimeTypeForFile(file).comment();
}

} // namespace qm
