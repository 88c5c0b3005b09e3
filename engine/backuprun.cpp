#include "engine/backuprun.h"

#include "engine/archivereader.h"
#include "engine/copytree.h"
#include "engine/deflatefeed.h"
#include "engine/enginestate.h"
#include "engine/logline.h"
#include "platform/dospath.h"
#include "platform/fileio.h"

#include <algorithm>

namespace qm {

namespace {

constexpr int kFilesBetweenPauses = 1000;
constexpr int kPauseMilliseconds = 250;

bool isRunArchive(const TBackUpJob& job) {
    return job.Compression() && job.CompressionType() == TCompressionType::ctMultipleFile;
}

} // namespace

std::string BackupRun::PartName(const std::string& FinalName) {
    return FinalName + ".qmpart";
}

void BackupRun::FailTarget(size_t Line, const std::string& Target, const std::string& Part) {
    fJob.AddLog(logline::CantOpenFile(Target));
    ++Engine().ErrorCount;
    fJob.SourceFiles[Line].clear();
    deleteFile(Part);
    deleteFile(CheckFileName(Part));
}

BackupRun::FileOutcome BackupRun::CopyBlocks(FileHandle& Source, FileHandle& Target, int64_t Size) {
    TEngineState& engine = Engine();
    uint8_t* buffer = engine.CopyBuffer.get();
    const int64_t blocks = Size / kBlockBytes + 1;
    const auto lines = static_cast<int32_t>(fJob.SourceFiles.size());
    for (int64_t b = 0; b < blocks; ++b) {
        const int64_t n = b + 1 < blocks ? kBlockBytes : Size - b * kBlockBytes;
        if (!Source.readExact(buffer, n))
            return FileOutcome::Failed;
        if (engine.CancelFlag)
            return FileOutcome::Cancelled;
        // A cipher that is not set up leaves the block plain: that copy would pass for
        // an encrypted one, so the file fails instead.
        if (fJob.Encryption() && !fJob.EncryptBuffer(buffer, static_cast<size_t>(n)))
            return FileOutcome::Failed;
        engine.FileBytesDone += n;
        engine.BytesDone += n;
        if (b + 1 == blocks)
            ++engine.FilesDone;
        if (!Target.write(buffer, n))
            return FileOutcome::Failed;
        engine.Progress(engine.FilesDone, false, Size, engine.FileBytesDone, engine.BytesDone);
        if (engine.FilesDone == lines)
            engine.Progress(engine.FilesDone, false, Size, engine.FileBytesDone, -1);
    }
    return FileOutcome::Done;
}

BackupRun::FileOutcome BackupRun::CopyFile(size_t Line) {
    TEngineState& engine = Engine();
    const std::string source = fJob.SourceFiles[Line];
    fJob.ArchiveName = fJob.CopyPath(source);
    DriveListRecord record;
    fJob.FindDriveListRecord(source, record);
    uint8_t rev = 0;
    if (record.SourcePath == source && fJob.Revision())
        rev = TBackUpJob::NextRevision(record);
    createFolderChain(extractFileDir(fJob.ArchiveName));
    // The oldest version is dropped only once the new one is complete.
    const bool rotate = rev > fJob.TopRevisionIndex;
    if (rotate)
        rev = fJob.TopRevisionIndex;

    FileHandle input = FileHandle::open(source, OpenMode::Read);
    const int64_t size = input ? input.size() : -1;
    if (size < 0) {
        fJob.AddLog(logline::CantOpenFile(source));
        ++engine.ErrorCount;
        fJob.SourceFiles[Line].clear();
        return FileOutcome::Failed;
    }
    fJob.SetRevisionText(source, rev);
    fJob.ArchiveName = fJob.RevisionName(fJob.ArchiveName, rev);
    const std::string target = fJob.ArchiveName;
    // The first backup of a file whose copy name is free writes that name directly: no
    // record names it, so a copy cut short by a crash is never taken for a backup, and
    // the run saves a rename per file. A copy that replaces anything is staged under a
    // temporary name and renamed into place once complete.
    const bool direct = record.SourcePath.empty() && !fileExists(target) &&
                        !(fJob.Encryption() && fileExists(CheckFileName(target)));
    const std::string part = direct ? target : PartName(target);
    FileHandle output = direct ? FileHandle::createNew(part) : FileHandle::create(part);
    if (!output) {
        FailTarget(Line, target, part);
        return FileOutcome::Failed;
    }
    std::optional<uint32_t> date = input.dosDateTime();
    if (!date) {
        date = dateTimeToDos(now());
        fJob.AddLog(logline::SourceDateUnreadable(source));
        ++engine.ErrorCount;
    }
    engine.Progress(engine.FilesDone, false, size, 0, engine.BytesDone);
    if (fJob.Encryption()) {
        fJob.ResetCipherIV();
        if (!fJob.WriteCheckFile(part)) {
            output.close();
            FailTarget(Line, target, part);
            return FileOutcome::Failed;
        }
    }

    const FileOutcome copied = CopyBlocks(input, output, size);
    if (copied == FileOutcome::Cancelled) {
        output.close();
        deleteFile(part);
        deleteFile(CheckFileName(part));
        return FileOutcome::Cancelled;
    }
    output.setDosDateTime(*date);
    // No sync here: the run syncs the media once before the catalogue names the copy.
    const bool closed = output.close();
    engine.FileBytesDone = 0;
    if (copied != FileOutcome::Done || !closed) {
        FailTarget(Line, target, part);
        return FileOutcome::Failed;
    }
    if (rotate)
        fJob.RotateRevisions(record.MediaPath, fJob.TopRevisionIndex);
    if (!direct &&
        ((fJob.Encryption() && !renameFile(CheckFileName(part), CheckFileName(target))) ||
         !renameFile(part, target))) {
        FailTarget(Line, target, part);
        return FileOutcome::Failed;
    }
    fWritten.push_back({target, Line, fJob.Encryption()});
    fJob.AddLog(
        logline::BackupSuccessful(source, logline::CompressionWord(false, fJob.CompressionType()),
                                  logline::EncryptionWord(fJob.Encryption(), engine.KeySize)));
    return FileOutcome::Done;
}

bool BackupRun::RunPlain() {
    if (fJob.Encryption())
        fJob.InitCipher();
    for (size_t i = 0; i < fJob.SourceFiles.size(); ++i) {
        if (++fPauseCount >= kFilesBetweenPauses) {
            fPauseCount = 0;
            Engine().Sleep(kPauseMilliseconds);
        }
        if (fJob.SourceFiles[i].empty())
            continue;
        if (CopyFile(i) == FileOutcome::Cancelled) {
            Engine().CancelFlag = false;
            fJob.FreeCipher();
            Cancel(i, false);
            return false;
        }
    }
    if (fJob.Encryption())
        fJob.FreeCipher();
    return true;
}

void BackupRun::DateArchiveLikeSource(const std::string& SourcePath) {
    FileHandle archive = FileHandle::open(fJob.ArchiveName, OpenMode::ReadWrite);
    FileHandle source = FileHandle::open(SourcePath, OpenMode::Read);
    if (!archive || !source)
        return;
    std::optional<uint32_t> date = source.dosDateTime();
    if (!date) {
        fJob.AddLog(logline::DateUnreadable(fJob.ArchiveName));
        ++Engine().ErrorCount;
        date = dateTimeToDos(now());
    }
    archive.setDosDateTime(*date);
}

bool BackupRun::RunFileArchives() {
    TEngineState& engine = Engine();
    // The files are read and deflated ahead, across their archives.
    std::unique_ptr<DeflateFeed> feed = TBackUpJob::MakeDeflateFeed(
        fJob.SourceFiles, 0, static_cast<int32_t>(fJob.SourceFiles.size()) - 1, fJob.Encryption());
    for (size_t i = 0; i < fJob.SourceFiles.size(); ++i) {
        const std::string source = fJob.SourceFiles[i];
        // A blank line is a file an earlier step already dropped: it has nothing to
        // find, and logging "can not find file" for an empty path would only mislead.
        if (source.empty())
            continue;
        fJob.ArchiveName = fJob.FileArchivePath(source);
        DriveListRecord old;
        fJob.FindDriveListRecord(source, old);
        createFolderChain(extractFileDir(fJob.ArchiveName));
        if (!fileExists(source)) {
            fJob.AddLog(logline::CanNotFindFile(source));
            ++engine.ErrorCount;
            fJob.SourceFiles[i].clear();
            continue;
        }
        DriveListRecord rec;
        rec.SourcePath = source;
        rec.MediaPath = fJob.ArchiveName;
        rec.Compression = 1;
        rec.Encryption = fJob.Encryption() ? 1 : 0;
        const std::string part = PartName(fJob.ArchiveName);
        engine.ArchiveEncrypted = fJob.Encryption();
        fJob.AddToArchive(fJob.SourceFiles, part, static_cast<int32_t>(i), rec, feed.get());
        if (engine.CancelFlag) {
            // The files read ahead are dropped (the window keeps running while the
            // workers finish the chunk in hand) before the flag is cleared.
            feed.reset();
            engine.CancelFlag = false;
            deleteFile(part);
            Cancel(i, false);
            return false;
        }
        if (fJob.SourceFiles[i].empty()) {
            deleteFile(part);
            continue;
        }
        // The rename replaces an old archive of the same name. One under another name
        // (this mode keeps no versions) goes only once the new one is in place: until
        // then the catalogue still names it.
        if (!renameFile(part, fJob.ArchiveName)) {
            FailTarget(i, fJob.ArchiveName, part);
            continue;
        }
        if (!old.SourcePath.empty() && old.MediaPath != fJob.ArchiveName)
            fJob.DeleteWithRevisions(old.MediaPath, false);
        DateArchiveLikeSource(source);
        fWritten.push_back({fJob.ArchiveName, i, false});
    }
    return true;
}

bool BackupRun::RunRunArchive() {
    TEngineState& engine = Engine();
    engine.FilesDone = 0;
    if (fJob.SourceFiles.empty())
        return true;
    fJob.ArchiveName = fJob.RunArchivePath();
    createFolderChain(extractFileDir(fJob.ArchiveName));
    for (const std::string& source : fJob.SourceFiles) {
        // Blank lines were dropped earlier; only real paths can be missing.
        if (!source.empty() && !fileExists(source)) {
            fJob.AddLog(logline::CanNotFindFile(source));
            ++engine.ErrorCount;
        }
    }
    DriveListRecord rec;
    rec.MediaPath = fJob.ArchiveName;
    rec.Compression = 1;
    rec.Encryption = fJob.Encryption() ? 1 : 0;
    rec.InArchive = 1;
    engine.ArchiveEncrypted = fJob.Encryption();
    fJob.AddToArchive(fJob.SourceFiles, fJob.ArchiveName, -1, rec);
    if (!engine.CancelFlag) {
        fWritten.push_back({fJob.ArchiveName, kWholeRun, false});
        engine.BytesDone = 0;
        return true;
    }
    engine.CancelFlag = false;
    // Keep the entries finished before the cancel and cut off the one being written.
    std::vector<std::string> complete;
    const int64_t keep = ArchiveReader::CompleteLength(fJob.ArchiveName, &complete);
    if (keep == 0) {
        deleteFile(fJob.ArchiveName);
    } else if (keep > 0) {
        FileHandle archive = FileHandle::open(fJob.ArchiveName, OpenMode::ReadWrite);
        if (!archive || archive.seek(keep) < 0 || !archive.truncate() || !archive.close())
            complete.clear();
        else
            fWritten.push_back({fJob.ArchiveName, kWholeRun, false});
    }
    for (std::string& source : fJob.SourceFiles) {
        auto found = std::find(complete.begin(), complete.end(),
                               source.substr(0, ArchiveLayout::kMaxPathLength));
        if (found == complete.end())
            source.clear();
        else
            complete.erase(found);
    }
    Cancel(fJob.SourceFiles.size(), true);
    return false;
}

void BackupRun::MakeDurable() {
    if (fWritten.empty())
        return;
    if (syncFileSystem(MediaFolder(fJob.Destination()))) {
        fWritten.clear();
        return;
    }
    // The media lost a write on its way to the disk: find the files it belonged to.
    for (const WrittenFile& file : fWritten) {
        if (syncFile(file.Path) && (!file.CheckFile || syncFile(CheckFileName(file.Path))))
            continue;
        fJob.AddLog(logline::CantOpenFile(file.Path));
        ++Engine().ErrorCount;
        for (size_t j = 0; j < fJob.SourceFiles.size(); ++j) {
            if (file.Line == kWholeRun || file.Line == j)
                fJob.SourceFiles[j].clear();
        }
    }
    fWritten.clear();
}

void BackupRun::End() {
    TEngineState& engine = Engine();
    engine.Progress(0, false, 0, 0, -1);
    MakeDurable();
    const bool inArchive = isRunArchive(fJob);
    fJob.SaveDriveListRecords(inArchive, inArchive ? fJob.ArchiveName : std::string());
    fJob.FinishBackupRun();
    fJob.SetProcessing(false);
    engine.FilesDone = 0;
    engine.BytesDone = 0;
}

void BackupRun::Cancel(size_t From, bool InArchive) {
    for (size_t j = From; j < fJob.SourceFiles.size(); ++j)
        fJob.SourceFiles[j].clear();
    // The files finished before the cancel are on the media: their records say so.
    MakeDurable();
    fJob.SaveDriveListRecords(InArchive, InArchive ? fJob.ArchiveName : std::string());
    fJob.FinishBackupRun();
}

void BackupRun::Run() {
    TEngineState& engine = Engine();
    fJob.LoadDriveList();
    fJob.OpenDriveList();
    engine.FilesDone = 0;
    engine.BytesDone = 0;
    fJob.SetProcessing(true);
    if (!fJob.SourceFiles.empty())
        engine.CompressionLevel = fJob.CompressionRate();
    bool finished = true;
    if (!fJob.Compression())
        finished = RunPlain();
    else if (fJob.CompressionType() == TCompressionType::ctOnesFile)
        finished = RunFileArchives();
    else
        finished = RunRunArchive();
    if (finished)
        End();
}

void TBackUpJob::Backup() {
    BackupRun(*this).Run();
}

} // namespace qm

namespace qm {

void TBackUpJob::FinishBackupRun() {
    SourceFiles.clear();
    CatalogPaths.clear();
    CatalogMediaPaths.clear();
    CloseDriveList();
}

} // namespace qm
