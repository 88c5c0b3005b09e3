#include "platform/folderroutines.h"

#include "platform/fileio.h"
#include "platform/fileoperations.h"

#include <cctype>
#include <string>

namespace qm {

namespace {

bool isDriveRoot(std::string_view path) {
    return path.size() == 2 && path[1] == ':';
}

} // namespace

FreeSpace CheckFreeSpace(std::string_view driveLetter, int64_t neededBytes) {
    if (driveLetter.empty())
        return FreeSpace::Unreadable;
    std::string root(1, char(std::toupper(static_cast<unsigned char>(driveLetter[0]))));
    root += ":\\";
    int64_t freeBytes = 0, totalBytes = 0;
    if (!diskSpace(root, freeBytes, totalBytes))
        return FreeSpace::Unreadable;
    return neededBytes > freeBytes ? FreeSpace::TooLittle : FreeSpace::Enough;
}

bool DeleteFolder(std::string_view path, bool withSubfolders) {
    if (path.empty())
        return false;
    std::string folder(path);
    if (folder.back() == '\\')
        folder.pop_back();
    if (folder.empty() || isDriveRoot(folder))
        return false;
    FolderDeleteRules rules;
    rules.withSubfolders = withSubfolders;
    rules.keepReadOnly = true;
    return deleteFolder(folder, rules);
}

} // namespace qm
