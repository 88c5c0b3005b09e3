#include "setup/placingrecord.h"

#include "platform/dospath.h"
#include "platform/fileio.h"
#include "platform/folderchain.h"
#include "platform/stagedfile.h"

#include <algorithm>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

constexpr std::string_view kFileLine = "file ";
constexpr std::string_view kFolderLine = "folder ";
constexpr int64_t kMaxRecordBytes = 4 << 20;

// A path below a folder: "\" between parts, no empty, "." or ".." part, no "/" or ":".
bool isRelativePath(std::string_view path) {
    if (path.empty() || path.find_first_of("/:") != std::string_view::npos)
        return false;
    size_t from = 0;
    while (true) {
        const size_t slash = path.find('\\', from);
        const std::string_view part = path.substr(from, slash - from);
        if (part.empty() || part == "." || part == "..")
            return false;
        if (slash == std::string_view::npos)
            return true;
        from = slash + 1;
    }
}

// What is at the path, never following a link: 0 nothing, 1 a folder, 2 a link, 3 a
// file or anything else.
int entryAt(const std::string& dosPath) {
    const auto host = toHostPath(dosPath);
    struct stat info {};
    if (!host || ::lstat(host->c_str(), &info) != 0)
        return 0;
    return S_ISDIR(info.st_mode) ? 1 : S_ISLNK(info.st_mode) ? 2 : 3;
}

// The install folder as the user named it (a link on the way there is the user's
// choice; run by root, setup took only a folder no other user may change); what is
// below it is then reached without following a link.
UniqueFd openInstallFolder(const std::optional<std::string>& host) {
    return UniqueFd(host ? ::open(host->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1);
}

} // namespace

bool TPlacingRecord::Write(const std::string& folder, const std::vector<std::string>& files,
                           const std::vector<std::string>& folders) {
    std::string text;
    for (const std::string& path : folders)
        text += std::string(kFolderLine) + path + "\n";
    for (const std::string& path : files)
        text += std::string(kFileLine) + path + "\n";
    return StagedFile::Replace(folder + std::string(kFileName), text);
}

bool TPlacingRecord::Remove(const std::string& folder) {
    const std::string path = folder + std::string(kFileName);
    if (entryAt(path) != 3)
        return true;
    // Gone from the disk before the staging folder goes: a record that came back after
    // a power cut would take the placed files for a killed run's.
    const std::optional<std::string> host = toHostPath(folder);
    const UniqueFd base = openInstallFolder(host);
    if (!deleteFile(path))
        return false;
    if (base.get() >= 0)
        ::fsync(base.get());
    return true;
}

void TPlacingRecord::TakeBack(const std::string& folder, const std::string& staging) {
    const std::string record = folder + std::string(kFileName);
    if (entryAt(record) != 3)
        return;
    const std::optional<std::string> text = readWholeFile(record, kMaxRecordBytes);
    if (!text)
        return;
    std::vector<std::string> files, folders;
    for (size_t from = 0, end; (end = text->find('\n', from)) != std::string::npos;
         from = end + 1) {
        const std::string_view line = std::string_view(*text).substr(from, end - from);
        if (line.starts_with(kFileLine) && isRelativePath(line.substr(kFileLine.size())))
            files.emplace_back(line.substr(kFileLine.size()));
        else if (line.starts_with(kFolderLine) && isRelativePath(line.substr(kFolderLine.size())))
            folders.emplace_back(line.substr(kFolderLine.size()));
    }
    // Moved in from the staging folder, so the run's own: they go. Each is reached from
    // the install folder one real folder at a time, so a folder of it that became a link
    // never carries a delete elsewhere.
    const std::optional<std::string> host = toHostPath(folder);
    const UniqueFd base = openInstallFolder(host);
    const auto below = [](std::string path) {
        std::replace(path.begin(), path.end(), '\\', '/');
        return path;
    };
    if (base.get() >= 0) {
        for (const std::string& path : files)
            if (entryAt(staging + path) == 0 && allowFileChange(FileChange::Delete, folder + path))
                removeEntryBelow(base.get(), below(path), false);
        for (auto path = folders.rbegin(); path != folders.rend(); ++path)
            if (allowFileChange(FileChange::RemoveFolder, folder + *path))
                removeEntryBelow(base.get(), below(*path), true); // only when empty
    }
    deleteFile(record);
}

} // namespace qm
