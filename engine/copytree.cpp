#include "engine/copytree.h"

#include "platform/dospath.h"

namespace qm {

namespace {

const char* const kMediaFolderName = ":\\Quillmoor\\";
const char* const kDriveFolderPrefix = "Drive_";

// The source's folder with the colon after the drive letter removed and no trailing
// backslash: "C:\dir\sub\x" gives "C\dir\sub", "C:\x" gives "C".
std::string TreeFolder(std::string_view SourcePath) {
    size_t lastSeparator = SourcePath.rfind('\\');
    size_t folderLength = lastSeparator == std::string_view::npos ? 0 : lastSeparator + 1;
    std::string folder(SourcePath.substr(0, folderLength));
    if (folder.size() >= 2)
        folder.erase(1, 1);
    if (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

} // namespace

std::string MediaFolder(char Destination) {
    return std::string(1, Destination) + kMediaFolderName;
}

std::string CataloguePath(char Destination) {
    return MediaFolder(Destination) + "drive.lst";
}

std::string CopyPathFor(char Destination, std::string_view SourcePath) {
    std::string name(SourcePath.substr(SourcePath.rfind('\\') + 1));
    return MediaFolder(Destination) + kDriveFolderPrefix + TreeFolder(SourcePath) + "\\" + name;
}

std::string FileArchivePathFor(char Destination, std::string_view SourcePath) {
    return CopyPathFor(Destination, SourcePath) + ".bpa";
}

std::string RunArchivePathFor(char Destination, std::string_view FirstSource, TDateTime StartTime) {
    std::string drive = extractFileDrive(FirstSource);
    if (drive.size() >= 2 && drive[1] == ':')
        drive.erase(1, 1);
    return MediaFolder(Destination) + kDriveFolderPrefix + drive + "\\" +
           formatDateTimeWithSeparators(StartTime, '_') + ".bpa";
}

std::string VersionName(std::string_view Path, int Version) {
    if (Version == 0)
        return std::string(Path);
    size_t nameStart = Path.rfind('\\');
    nameStart = nameStart == std::string_view::npos ? 0 : nameStart + 1;
    size_t dot = Path.rfind('.');
    if (dot == std::string_view::npos || dot < nameStart)
        dot = Path.size();
    return std::string(Path.substr(0, dot)) + "_" + std::to_string(Version) +
           std::string(Path.substr(dot));
}

std::string CheckFileName(std::string_view Path) {
    return std::string(Path) + ".mac";
}

} // namespace qm
