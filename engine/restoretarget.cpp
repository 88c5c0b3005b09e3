#include "engine/restoretarget.h"

#include "platform/dospath.h"
#include "platform/fileio.h"

#include <cctype>
#include <string_view>

namespace qm {

namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

// "X:\" followed by at least one name: the form of every source path the engine writes.
bool startsWithDriveRoot(std::string_view path) {
    return path.size() > 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
           isSeparator(path[2]);
}

// True when every name of `relative` (separators skipped) is a plain file or folder
// name and it ends in a file name: nothing that climbs up, names a drive or is empty.
bool isContainedRelativePath(std::string_view relative) {
    if (relative.empty() || isSeparator(relative.back()))
        return false;
    bool anyName = false;
    size_t pos = 0;
    while (pos < relative.size()) {
        if (isSeparator(relative[pos])) {
            ++pos;
            continue;
        }
        size_t end = pos;
        while (end < relative.size() && !isSeparator(relative[end]))
            ++end;
        if (!isValidDosName(relative.substr(pos, end - pos)))
            return false;
        anyName = true;
        pos = end;
    }
    return anyName;
}

std::optional<std::string> checkedTarget(const std::string& RestoreType,
                                         const std::string& StoredPath, std::string_view relative) {
    if (!startsWithDriveRoot(StoredPath) || !isContainedRelativePath(relative))
        return std::nullopt;
    if (RestoreType.empty())
        return StoredPath;
    return RestoreType + std::string(relative);
}

} // namespace

StagedFileLedger RestoreLedger() {
    return StagedFileLedger(StagedFileLedger::StateFile("restoring"));
}

std::optional<std::string> PlainRestoreTarget(const std::string& RestoreType,
                                              const std::string& SourcePath) {
    if (!startsWithDriveRoot(SourcePath))
        return std::nullopt;
    // The folder keeps no trailing backslash, so a file at a drive's root gives an empty
    // folder part and a doubled backslash, which the file layer reads as one.
    std::string folder = excludeTrailingBackslash(extractFilePath(SourcePath));
    std::string relative =
        (folder.size() > 3 ? folder.substr(3) : std::string()) + "\\" + extractFileName(SourcePath);
    return checkedTarget(RestoreType, SourcePath, relative);
}

std::optional<std::string> ArchiveRestoreTarget(const std::string& RestoreType,
                                                const std::string& StoredPath) {
    if (StoredPath.size() < 3)
        return std::nullopt;
    return checkedTarget(RestoreType, StoredPath, std::string_view(StoredPath).substr(2));
}

uint32_t NewRestoredFileMode(const std::optional<FileAccess>& Kept) {
    return (Kept ? Kept->mode & 0777 : 0666) & ~creationMask();
}

} // namespace qm
