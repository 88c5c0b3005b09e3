#include "engine/restorerun.h"

#include "engine/copytree.h"
#include "engine/enginestate.h"
#include "engine/logline.h"
#include "engine/mediajournal.h"
#include "engine/passwordprobe.h"
#include "engine/restoretarget.h"
#include "platform/dospath.h"
#include "platform/fileio.h"
#include "platform/stagedfile.h"

#include <algorithm>

namespace qm {

namespace {

// Blocks of a file of `size` bytes: size div 8 MiB + 1, the last one possibly empty.
int64_t blockCount(int64_t size) {
    return size / kBlockBytes + 1;
}

int64_t blockLength(int64_t size, int64_t block) {
    return block + 1 < blockCount(size) ? kBlockBytes : size - block * kBlockBytes;
}

} // namespace

RestoreRun::RestoreRun(TBackUpJob& Job, TVerify Verify) : fJob(Job), fVerify(std::move(Verify)) {
    fJob.OpenArchiveSession();
}

RestoreRun::~RestoreRun() {
    fJob.CloseArchiveSession();
}

void RestoreRun::Start() {
    TEngineState& engine = Engine();
    engine.SkipEncrypted = false;
    engine.BytesDone = 0;
    engine.FilesDone = 0;
    // A backup that a crash stopped is finished before anything is read; the lists the
    // caller loaded are read again if that changed the catalogue.
    RestoreLedger().RemoveLeftovers();
    // (Lines carried out write their records even when others stay for the next run.)
    if (MediaJournal::Recover(fJob.Destination()) != MediaJournal::Recovery::Nothing) {
        fJob.CloseDriveListUnchanged();
        fJob.LoadDriveList();
    }
    if (!engine.DriveListHandle.isOpen())
        fJob.OpenDriveList();
}

bool RestoreRun::Fail(const std::string& SourcePath, bool Encrypted) {
    fJob.AddLog(logline::CantRestoreError(SourcePath));
    ++Engine().ErrorCount;
    if (Encrypted)
        fJob.FreeCipher();
    return false;
}

bool RestoreRun::StepSkipped(const DriveListRecord& Record, int32_t Index,
                             const std::string& MediaFile) {
    TEngineState& engine = Engine();
    // The size comes from the catalogue on the media: a damaged one (2^60 bytes, or
    // negative) must not turn progress into an endless walk, so the steps go no further
    // than the media copy itself.
    const int64_t size =
        std::clamp<int64_t>(Record.Size, 0, std::max<int64_t>(0, fileSize(MediaFile)));
    const int64_t blocks = blockCount(size);
    for (int64_t b = 0; b < blocks; ++b) {
        int64_t n = blockLength(size, b);
        engine.FileBytesDone += n;
        engine.BytesDone += n;
        engine.FilesDone = Index;
        engine.Progress(Index + 1, false, Record.Size, engine.FileBytesDone, engine.BytesDone);
        if (engine.CancelFlag)
            return false;
    }
    return true;
}

RestoreRun::Outcome RestoreRun::RestoreCopy(const DriveListRecord& Record, int32_t Index,
                                            const std::string& MediaFile, uint32_t DosDate) {
    TEngineState& engine = Engine();
    const bool encrypted = Record.Encryption != 0;
    engine.FileBytesDone = 0;
    if (encrypted)
        fJob.InitCipher();
    engine.Progress(engine.FilesDone + 1, false, Record.Size, 0, engine.BytesDone);

    if (encrypted) {
        fJob.ResetCipherIV();
        const PasswordCheck check =
            engine.SkipEncrypted ? PasswordCheck::SkipAll : fVerify(MediaFile, Record.SourcePath);
        if (check != PasswordCheck::Opened) {
            bool finished = StepSkipped(Record, Index, MediaFile);
            fJob.FreeCipher();
            return finished ? Outcome::Next : Outcome::Cancelled;
        }
    }

    // The media copy is opened before anything happens on the computer, and the file
    // there is replaced only by a complete restore: a missing or unreadable copy, a
    // failed write or a cancel leave it exactly as it was.
    FileHandle media = FileHandle::open(MediaFile, OpenMode::Read);
    std::optional<std::string> target = PlainRestoreTarget(fJob.RestoreType(), Record.SourcePath);
    const int64_t size = media ? media.size() : -1;
    if (size < 0 || !target) {
        Fail(Record.SourcePath, encrypted);
        return Outcome::Next;
    }
    createFolderChain(extractFileDir(*target));
    StagedFileLedger ledger = RestoreLedger();
    StagedFile out(*target, &ledger);
    if (!out.Open()) {
        Fail(Record.SourcePath, encrypted);
        return Outcome::Next;
    }
    // Plain copies carry their source's permission bits where the media keeps them.
    const bool kept = engine.MediaKeepsModes(MediaFolder(fJob.Destination()));
    out.SetNewFileMode(NewRestoredFileMode(kept ? media.access() : std::nullopt));
    out.KeepOwner();

    const int64_t blocks = blockCount(size);
    uint8_t* buffer = engine.CopyBuffer.get();
    for (int64_t b = 0; b < blocks; ++b) {
        int64_t n = blockLength(size, b);
        // Only the copy's own bytes may reach the target: a short read ends the file.
        if (!media.readExact(buffer, n)) {
            Fail(Record.SourcePath, encrypted);
            return Outcome::Next;
        }
        // Cipher text must never replace the user's file.
        if (encrypted && !fJob.DecryptBuffer(buffer, static_cast<size_t>(n))) {
            Fail(Record.SourcePath, encrypted);
            return Outcome::Next;
        }
        engine.FileBytesDone += n;
        engine.BytesDone += n;
        engine.FilesDone = Index;
        engine.Progress(Index + 1, false, Record.Size, engine.FileBytesDone, engine.BytesDone);
        if (!out.File().write(buffer, n)) {
            Fail(Record.SourcePath, encrypted);
            return Outcome::Next;
        }
        if (engine.CancelFlag) {
            out.Discard();
            if (encrypted)
                fJob.FreeCipher();
            return Outcome::Cancelled;
        }
    }

    // The caller's last word on the file, right before it is replaced: one saved while
    // this copy (or an earlier one, or the password window) kept the run busy stays.
    if (!fJob.ActingOn(*target)) {
        out.Discard();
        if (encrypted)
            fJob.FreeCipher();
        return Outcome::Next;
    }
    if (!out.Commit(DosDate)) {
        Fail(Record.SourcePath, encrypted);
        return Outcome::Next;
    }
    fJob.AddLog(fJob.RestoreType().empty() ? logline::RestoredToOriginal(Record.SourcePath)
                                           : logline::RestoredToSelected(Record.SourcePath));
    if (encrypted)
        fJob.FreeCipher();
    return Outcome::Next;
}

void RestoreRun::End(const std::function<void()>& Finish) {
    TEngineState& engine = Engine();
    engine.Progress(0, false, 0, 0, -1);
    engine.FilesDone = 0;
    engine.BytesDone = 0;
    engine.SkipEncrypted = false;
    Finish();
    fJob.CloseDriveListUnchanged();
    // Every temporary of the run was committed or deleted: the list is done with.
    RestoreLedger().RemoveLeftovers();
}

void RestoreRun::Cancel(const std::function<void()>& Finish) {
    // The chunks inflated ahead are dropped before the flag is cleared.
    fJob.CloseArchiveSession();
    Engine().CancelFlag = false;
    Finish();
    fJob.CloseDriveListUnchanged();
    RestoreLedger().RemoveLeftovers();
}

void TBackUpJob::Restore() {
    RestoreRun run(*this, [this](const std::string& MediaFile, const std::string& SourcePath) {
        return VerifyCheckFile(MediaFile, SourcePath);
    });
    run.Start();
    TEngineState& engine = Engine();
    for (size_t i = 0; i < SourceFiles.size(); ++i) {
        DriveListRecord record;
        FindDriveListRecord(SourceFiles[i], record);
        if (record.SourcePath.empty())
            continue;
        if (RestoreOld() && !IsTargetOlder(record))
            continue;
        if (!HoldsBackupShape(record)) {
            AddLog(logline::CantRestoreError(record.SourcePath));
            ++engine.ErrorCount;
            continue;
        }
        const uint32_t dosDate = dateTimeToDos(record.Date);
        if (record.Compression != 0) {
            engine.ArchiveEncrypted = record.Encryption != 0;
            RestoreFromArchive(record.SourcePath, record.MediaPath, RestoreType(), dosDate);
            if (engine.CancelFlag) {
                run.Cancel([this] { FinishRestoreRun(); });
                return;
            }
            continue;
        }
        // The newest version, the one the record's date and size describe: version 0 is
        // the oldest copy kept.
        const std::string newest = VersionName(record.MediaPath, record.Revision);
        if (run.RestoreCopy(record, static_cast<int32_t>(i), newest, dosDate) ==
            RestoreRun::Outcome::Cancelled) {
            run.Cancel([this] { FinishRestoreRun(); });
            return;
        }
    }
    run.End([this] { FinishRestoreRun(); });
}

PasswordCheck TBackUpJob::VerifyCheckFile(const std::string& MediaPath,
                                          const std::string& PromptPath) {
    PasswordProbe probe(PasswordProbe::KeySizes::Current,
                        [&MediaPath] { return PasswordProbe::ReadCheckFile(MediaPath); });
    return probe.Run(PromptPath);
}

} // namespace qm

namespace qm {

void TBackUpJob::FinishRestoreRun() {
    SourceFiles.clear();
    CatalogPaths.clear();
    CatalogMediaPaths.clear();
}

} // namespace qm
