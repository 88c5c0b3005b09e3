#include "engine/backupjob.h"

#include "engine/archiveformat.h"
#include "engine/archivereadsession.h"
#include "engine/copytree.h"
#include "engine/enginestate.h"
#include "engine/logline.h"
#include "engine/restoretarget.h"
#include "platform/dospath.h"
#include "platform/fileio.h"

#include <algorithm>

namespace qm {

TBackUpJob::TBackUpJob() = default;

TBackUpJob::~TBackUpJob() = default;

void TBackUpJob::SetDestination(char Value) {
    fDestination = Value;
    // Everything the runs change on the media lies in its folder: never through a link.
    fMediaGuard = Value != '\0' ? std::make_unique<LinkFreeFolder>(MediaFolder(Value)) : nullptr;
}

void TBackUpJob::AddLog(const std::string& Line) {
    if (!fLogSave || LogFileName.empty())
        return;
    // The log stays open from line to line for as long as LogFileName names the same
    // file; one deleted, renamed or replaced meanwhile is opened (or created) afresh.
    std::optional<FileIdentity> current = fileIdentity(LogFileName);
    const bool same = static_cast<bool>(fLog) && fLogName == LogFileName && current &&
                      current->device == fLogIdentity.device &&
                      current->inode == fLogIdentity.inode;
    if (!same) {
        fLog = current ? FileHandle::open(LogFileName, OpenMode::ReadWrite)
                       : FileHandle::create(LogFileName);
        fLogName = LogFileName;
        fLogIdentity = fLog.identity().value_or(FileIdentity{});
    }
    if (!fLog)
        return;
    // One unbuffered write per line: once AddLog returns the line is in the file, whole,
    // for every reader and even if the program dies. No data sync: the log is a report,
    // and one sync per line would cost more than copying a small file.
    std::string text = Line + "\r\n";
    if (fLog.seek(0, SeekOrigin::End) < 0)
        return;
    fLog.write(text.data(), static_cast<int64_t>(text.size()));
}

std::string TBackUpJob::RestoreTargetPath(const std::string& SourcePath) const {
    return PlainRestoreTarget(fRestoreType, SourcePath).value_or(std::string());
}

bool TBackUpJob::IsTargetOlder(const DriveListRecord& Record) {
    // A path with no target is looked at nowhere; the restore refuses it with its line.
    const std::string path = RestoreTargetPath(Record.SourcePath);
    if (path.empty())
        return true;
    FileHandle target = FileHandle::open(path, OpenMode::Read);
    if (!target)
        return true;
    std::optional<uint32_t> dos = target.dosDateTime();
    if (!dos)
        return true;
    return dosToDateTime(*dos) < Record.Date;
}

bool TBackUpJob::ActingOn(const std::string& ComputerFile) {
    if (!MayActOn || MayActOn(ComputerFile))
        return true;
    AddLog(logline::ChangedSinceCompared(ComputerFile));
    ++Engine().ErrorCount;
    return false;
}

bool TBackUpJob::LoadDriveList() {
    return ReadDriveList();
}

std::string TBackUpJob::CopyPath(const std::string& SourcePath) const {
    return CopyPathFor(fDestination, SourcePath);
}

bool TBackUpJob::HoldsBackupShape(const DriveListRecord& Record) const {
    return IsMediaPathOfRecord(fDestination, Record.SourcePath, Record.MediaPath,
                               Record.Compression != 0, Record.InArchive != 0);
}

std::string TBackUpJob::FileArchivePath(const std::string& SourcePath) const {
    return FileArchivePathFor(fDestination, SourcePath);
}

std::string TBackUpJob::RunArchivePath() const {
    // Named after the first file the run holds: a line blanked before it has no drive.
    auto first = std::find_if(SourceFiles.begin(), SourceFiles.end(),
                              [](const std::string& line) { return !line.empty(); });
    return RunArchivePathFor(fDestination, first == SourceFiles.end() ? std::string() : *first,
                             fStartTime);
}

bool TBackUpJob::FitsCatalogue(const std::string& SourcePath) const {
    const bool runArchive = fCompression && fCompressionType == TCompressionType::ctMultipleFile;
    const std::string media = !fCompression ? CopyPath(SourcePath)
                              : runArchive  ? std::string()
                                            : FileArchivePath(SourcePath);
    const size_t pathLimit =
        fCompression ? ArchiveLayout::kMaxPathLength : DriveListLayout::kMaxTextLength;
    return SourcePath.size() <= pathLimit && media.size() <= DriveListLayout::kMaxTextLength;
}

uint8_t TBackUpJob::NextRevision(DriveListRecord Record) {
    return static_cast<uint8_t>(Record.Revision + 1);
}

} // namespace qm
