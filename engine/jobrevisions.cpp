// The job's operations on the media copy tree: version names, rotation, deletion with
// versions and the check files of encrypted plain copies.

#include "engine/backupjob.h"

#include "engine/copytree.h"
#include "engine/enginestate.h"
#include "platform/dospath.h"
#include "platform/fileio.h"

namespace qm {

std::string TBackUpJob::RevisionName(const std::string& Path, uint8_t Rev) const {
    if (!fRevision || Rev == 0)
        return Path;
    return VersionName(Path, Rev);
}

void TBackUpJob::RotateRevisions(const std::string& MediaPath, uint8_t Index) {
    // A missing version simply does not move; a rename that fails where there is
    // something to move stops the rotation, so no later version lands on one that did
    // not move, and a copy never moves without its check file.
    auto move = [](const std::string& From, const std::string& To) {
        const bool check = fileExists(CheckFileName(From));
        if (check && !renameFile(CheckFileName(From), CheckFileName(To)))
            return false;
        if (renameFile(From, To) || !fileExists(From))
            return true;
        if (check)
            renameFile(CheckFileName(To), CheckFileName(From));
        return false;
    };
    deleteFile(MediaPath);
    deleteFile(CheckFileName(MediaPath));
    if (!move(VersionName(MediaPath, 1), MediaPath))
        return;
    int k = 1;
    do {
        std::string next = VersionName(MediaPath, k + 1);
        if (!fileExists(next) || !move(next, VersionName(MediaPath, k)))
            return;
        ++k;
    } while (k <= Index);
}

void TBackUpJob::SetRevisionText(const std::string& SourcePath, uint8_t Rev) {
    // Only the line the run's record will overwrite: the path exactly.
    std::optional<size_t> line = CatalogPaths.Find(SourcePath);
    if (line && *line < CatalogRevisions.size() && CatalogPaths[*line] == SourcePath)
        CatalogRevisions[*line] = std::to_string(Rev);
}

void TBackUpJob::UpdateArchiveRevision(const std::string& SourcePath, uint8_t Revision) {
    SetRevisionText(SourcePath, Revision);
}

bool TBackUpJob::DeleteWithRevisions(const std::string& MediaPath, bool WithVersions) {
    deleteFile(MediaPath);
    deleteFile(CheckFileName(MediaPath));
    if (!WithVersions)
        return true;
    for (int k = 1;; ++k) {
        std::string version = VersionName(MediaPath, k);
        if (!fileExists(version))
            return true;
        deleteFile(version);
        deleteFile(CheckFileName(version));
    }
}

bool TBackUpJob::WriteCheckFile(const std::string& CopyPath) {
    std::array<uint8_t, CheckValue.size()> encrypted{};
    if (!EncryptCheckValue(encrypted.data()))
        return false;
    FileHandle check = FileHandle::create(CheckFileName(CopyPath));
    // It tells a password from a wrong one: readable by no one who may not read the copy.
    if (const std::optional<FileAccess> copy = fileAccess(CopyPath))
        check.shareAccessOf(*copy);
    if (!check.write(encrypted.data(), static_cast<int64_t>(encrypted.size())))
        return false;
    return check.close();
}

} // namespace qm
