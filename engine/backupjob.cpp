#include "engine/backupjob.h"

#include "engine/archivereadsession.h"
#include "engine/copytree.h"
#include "engine/enginestate.h"
#include "platform/dospath.h"
#include "platform/fileio.h"

namespace qm {

TBackUpJob::TBackUpJob() = default;

TBackUpJob::~TBackUpJob() = default;

void TBackUpJob::AddLog(const std::string& Line) {
    if (!fLogSave || LogFileName.empty())
        return;
    FileHandle log = fileExists(LogFileName) ? FileHandle::open(LogFileName, OpenMode::ReadWrite)
                                             : FileHandle::create(LogFileName);
    if (!log)
        return;
    // One unbuffered write per line: once AddLog returns the line is in the file, whole,
    // for every reader and even if the program dies. No data sync: the log is a report,
    // and one sync per line would cost more than copying a small file.
    std::string text = Line + "\r\n";
    if (log.seek(0, SeekOrigin::End) < 0)
        return;
    log.write(text.data(), static_cast<int64_t>(text.size()));
}

std::string TBackUpJob::RestoreTargetPath(const std::string& SourcePath) const {
    if (fRestoreType.empty())
        return SourcePath;
    std::string folder = extractFileDir(SourcePath);
    folder = excludeTrailingBackslash(folder);
    std::string inner = folder.size() > 3 ? folder.substr(3) : std::string();
    return fRestoreType + inner + "\\" + extractFileName(SourcePath);
}

bool TBackUpJob::IsTargetOlder(const DriveListRecord& Record) {
    FileHandle target = FileHandle::open(RestoreTargetPath(Record.SourcePath), OpenMode::Read);
    if (!target)
        return true;
    std::optional<uint32_t> dos = target.dosDateTime();
    if (!dos)
        return true;
    return dosToDateTime(*dos) < Record.Date;
}

void TBackUpJob::LoadDriveList() {
    ReadDriveList();
}

std::string TBackUpJob::CopyPath(const std::string& SourcePath) const {
    return CopyPathFor(fDestination, SourcePath);
}

std::string TBackUpJob::FileArchivePath(const std::string& SourcePath) const {
    return FileArchivePathFor(fDestination, SourcePath);
}

std::string TBackUpJob::RunArchivePath() const {
    std::string first = SourceFiles.empty() ? std::string() : SourceFiles.front();
    return RunArchivePathFor(fDestination, first, fStartTime);
}

uint8_t TBackUpJob::NextRevision(DriveListRecord Record) {
    return static_cast<uint8_t>(Record.Revision + 1);
}

} // namespace qm
