#include "engine/copytree.h"

#include "platform/dospath.h"
#include "platform/fileio.h"

#include <cctype>

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

std::string FreeRunArchivePath(std::string_view RunArchivePath,
                               const std::function<bool(const std::string&)>& Taken) {
    std::string path(RunArchivePath);
    const std::string_view base = RunArchivePath.substr(0, RunArchivePath.size() - 4); // ".bpa"
    for (int k = 2; fileExists(path) || folderExists(path) || (Taken && Taken(path)); ++k)
        path = std::string(base) + " (" + std::to_string(k) + ").bpa";
    return path;
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

namespace {

// "X:\Quillmoor" followed by names separated by single backslashes, each a plain DOS
// name (no empty, "." or ".." name), so the path means exactly what it says.
bool HasPlainNames(char Destination, std::string_view Path) {
    const std::string root = MediaFolder(Destination);
    if (Path.size() <= root.size() || Path.substr(0, root.size()) != root)
        return false;
    std::string_view rest = Path.substr(root.size());
    while (true) {
        const size_t end = rest.find('\\');
        if (!isValidDosName(rest.substr(0, end)))
            return false;
        if (end == std::string_view::npos)
            return true;
        rest.remove_prefix(end + 1);
    }
}

} // namespace

bool IsMediaPathOfRecord(char Destination, std::string_view SourcePath, std::string_view MediaPath,
                         bool Compression, bool InArchive) {
    if (!HasPlainNames(Destination, MediaPath))
        return false;
    // Every backup lives in a copy tree: X:\Quillmoor\Drive_<letter>\...
    const std::string_view rest = MediaPath.substr(MediaFolder(Destination).size());
    const std::string_view prefix = kDriveFolderPrefix;
    const size_t names = prefix.size() + 2;
    if (rest.size() <= names || rest.substr(0, prefix.size()) != prefix ||
        !std::isalpha(static_cast<unsigned char>(rest[prefix.size()])) || rest[names - 1] != '\\')
        return false;
    if (Compression && InArchive) {
        // A run archive lies directly in its copy tree's folder.
        return rest.find('\\', names) == std::string_view::npos && rest.size() >= names + 4 &&
               rest.substr(rest.size() - 4) == ".bpa";
    }
    std::string expected = CopyPathFor(Destination, SourcePath);
    if (Compression)
        expected += ".bpa";
    return MediaPath == expected;
}

} // namespace qm
