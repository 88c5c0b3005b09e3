#include "engine/restorerun.h"

#include "engine/archiveformat.h"
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
#include <new>

namespace qm {

namespace {

// Blocks of a file of `size` bytes: size div 8 MiB + 1, the last one possibly empty.
int64_t blockCount(int64_t size) {
    return size / kBlockBytes + 1;
}

int64_t blockLength(int64_t size, int64_t block) {
    return block + 1 < blockCount(size) ? kBlockBytes : size - block * kBlockBytes;
}

// The size field of the last entry stored under Source in Archive; none when the archive
// cannot be read or holds no sound entry of it. Only headers are read.
std::optional<int64_t> ArchivedSize(const std::string& Archive, const std::string& Source) {
    FileHandle file = FileHandle::open(Archive, OpenMode::Read);
    const int64_t size = file ? file.size() : -1;
    std::optional<int64_t> found;
    for (int64_t pos = 0; size > 0 && pos < size;) {
        std::optional<ParsedEntry> entry =
            ReadEntryAt(file, pos, size, static_cast<int64_t>(kInputBufferSize));
        if (!entry)
            break;
        if (entry->header.Path == Source)
            found = entry->header.Size;
        pos += entry->length;
    }
    return found;
}

} // namespace

bool UnreadableAtBackup(const DriveListRecord& Record) {
    if (!IsUnreadableSourceSize(Record.Size))
        return false;
    if (Record.Compression != 0) {
        const std::string archive = Record.InArchive != 0
                                        ? Record.MediaPath
                                        : VersionName(Record.MediaPath, Record.Revision);
        return ArchivedSize(archive, Record.SourcePath) != Record.Size;
    }
    return fileSize(VersionName(Record.MediaPath, Record.Revision)) != Record.Size;
}

RestoreRun::RestoreRun(TBackUpJob& Job, TVerify Verify) : fJob(Job), fVerify(std::move(Verify)) {
    // Anyone may have written the media drive, links outside its folder included; a
    // record naming a file there must not be written through one.
    if (fJob.Destination() != '\0')
        fDriveGuard = std::make_unique<LinkFreeFolder>(std::string(1, fJob.Destination()) + ":\\");
    fJob.OpenArchiveSession();
}

RestoreRun::~RestoreRun() {
    fJob.CloseArchiveSession();
}

bool RestoreRun::Start() {
    TEngineState& engine = Engine();
    engine.SkipEncrypted = false;
    engine.BytesDone = 0;
    engine.FilesDone = 0;
    // A backup that a crash stopped is finished before anything is read; the lists the
    // caller loaded are read again if that changed the catalogue.
    RestoreLedger().RemoveLeftovers();
    // (Lines carried out write their records even when others stay for the next run.)
    std::string unreadable;
    const MediaJournal::Recovery recovery =
        MediaJournal::Recover(fJob.Destination(), nullptr, &unreadable);
    if (recovery == MediaJournal::Recovery::Unreadable) {
        fJob.AddLog(unreadable);
        ++engine.ErrorCount;
        fJob.CatalogueUnreadable.clear();
        fJob.CloseDriveListUnchanged();
        return false;
    }
    if (recovery != MediaJournal::Recovery::Nothing) {
        fJob.CloseDriveListUnchanged();
        fJob.LoadDriveList();
    }
    // (A lookup that failed in the revision list before, logged there, leaves the
    // catalogue refusing every call: it is opened afresh.)
    if (!engine.DriveListHandle) {
        fJob.CloseDriveListUnchanged();
        fJob.OpenDriveList();
    }
    // A catalogue read in part would leave the files it did not reach unrestored
    // without a word.
    return !fJob.StopForUnreadableCatalogue();
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
                                            const std::string& MediaFile, uint32_t DosDate,
                                            std::optional<int64_t> Expected) {
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
        // A check file that is missing matches no password, and the user is asked; one
        // that is there but cannot be read is a damaged backup, not a wrong password.
        if (check == PasswordCheck::Unreadable) {
            Fail(Record.SourcePath, encrypted);
            return Outcome::Next;
        }
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
    // A copy cut short (or grown) on the media is not the file its record describes.
    if (size < 0 || !target || (Expected && size != *Expected)) {
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

void RestoreRun::StopOutOfMemory(const std::string& SourcePath,
                                 const std::function<void()>& Finish) {
    // What the restore held goes first (the archive's index, the chunks read ahead), so
    // the line can be written.
    fJob.CloseArchiveSession();
    fJob.FreeCipher();
    fJob.AddLog(logline::OutOfMemory(SourcePath));
    ++Engine().ErrorCount;
    Finish();
    fJob.CloseDriveListUnchanged();
    RestoreLedger().RemoveLeftovers();
}

void TBackUpJob::Restore() {
    RestoreRun run(*this, [this](const std::string& MediaFile, const std::string& SourcePath) {
        return VerifyCheckFile(MediaFile, SourcePath);
    });
    if (!run.Start()) {
        run.End([this] { FinishRestoreRun(); });
        return;
    }
    TEngineState& engine = Engine();
    size_t i = 0;
    try {
        for (; i < SourceFiles.size(); ++i) {
            DriveListRecord record;
            if (!LookUpRecord(SourceFiles[i], record) || record.SourcePath.empty())
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
            if (run.RestoreCopy(record, static_cast<int32_t>(i), newest, dosDate, record.Size) ==
                RestoreRun::Outcome::Cancelled) {
                run.Cancel([this] { FinishRestoreRun(); });
                return;
            }
        }
    } catch (const std::bad_alloc&) {
        run.StopOutOfMemory(SourceFiles[i], [this] { FinishRestoreRun(); });
        return;
    }
    run.End([this] { FinishRestoreRun(); });
}

PasswordCheck TBackUpJob::VerifyCheckFile(const std::string& MediaPath,
                                          const std::string& PromptPath) {
    PasswordProbe probe(PasswordProbe::KeySizes::Current, [&MediaPath](bool& Failed) {
        return PasswordProbe::ReadCheckFile(MediaPath, Failed);
    });
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
