#include "platform/folderroutines.h"

#include "platform/dospath.h"
#include "platform/drivetable.h"
#include "platform/fileio.h"

#include <cctype>
#include <string>
#include <sys/stat.h>

namespace qm {

namespace {

bool isDriveRoot(std::string_view path) {
    if (path.size() == 2 && path[1] == ':')
        return true;
    std::optional<std::string> host = toHostPath(path);
    if (!host)
        return false;
    std::optional<DriveEntry> drive = DriveTable::instance().findByHostPath(*host);
    return drive && drive->hostRoot == *host;
}

// A file its owner may not write is read-only and is kept, as the stored files expect.
bool isReadOnly(const std::string& dosPath) {
    std::optional<std::string> host = toHostPath(dosPath);
    struct stat st{};
    if (!host || ::lstat(host->c_str(), &st) != 0)
        return false;
    return !S_ISLNK(st.st_mode) && (st.st_mode & S_IWUSR) == 0;
}

void deleteEntry(const std::string& folder, const FolderEntry& entry, bool withSubfolders) {
    const std::string path = folder + "\\" + entry.name;
    if (entry.isLink) {
        // Removes the link only; what it points at is not ours to delete.
        if (!entry.isFolder || withSubfolders)
            deleteFile(path);
        return;
    }
    if (entry.isFolder) {
        if (withSubfolders)
            DeleteFolder(path, true);
        return;
    }
    if (!isReadOnly(path))
        deleteFile(path);
}

}  // namespace

int CheckFreeSpace(std::string_view driveLetter, int64_t neededBytes) {
    if (driveLetter.empty())
        return 3;
    std::string root(1, char(std::toupper(static_cast<unsigned char>(driveLetter[0]))));
    root += ":\\";
    int64_t freeBytes = 0, totalBytes = 0;
    if (!diskSpace(root, freeBytes, totalBytes))
        return 3;
    return neededBytes > freeBytes ? 2 : 0;
}

bool DeleteFolder(std::string_view path, bool withSubfolders) {
    if (path.empty())
        return false;
    std::string folder(path);
    if (folder.back() == '\\')
        folder.pop_back();
    if (folder.empty() || isDriveRoot(folder))
        return false;
    FolderListing listing = listFolder(folder);
    for (const FolderEntry& entry : listing.entries)
        deleteEntry(folder, entry, withSubfolders);
    return removeFolder(folder);
}

}  // namespace qm
