#include "engine/backuprun.h"

#include "engine/archivereader.h"
#include "engine/copytree.h"
#include "engine/deflatefeed.h"
#include "engine/enginestate.h"
#include "engine/logline.h"
#include "platform/casefold.h"
#include "platform/dospath.h"
#include "platform/fileio.h"

#include <algorithm>
#include <unordered_set>

namespace qm {

namespace {

constexpr int kFilesBetweenPauses = 1000;
constexpr int kPauseMilliseconds = 250;

bool isRunArchive(const TBackUpJob& job) {
    return job.Compression() && job.CompressionType() == TCompressionType::ctMultipleFile;
}

} // namespace

void BackupRun::Stored(size_t Line, uint32_t DosDate, int64_t Size) {
    if (fJob.StoredSources.size() < fJob.SourceFiles.size())
        fJob.StoredSources.resize(fJob.SourceFiles.size());
    fJob.StoredSources[Line] = TBackUpJob::TStoredSource{DosDate, Size};
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

BackupRun::PlainPlan BackupRun::PlanPlainCopy(const DriveListRecord& Record,
                                              const std::string& Source, const std::string& Copy) {
    PlainPlan plan;
    // Only this file's own record counts, and only in a shape its backup can have.
    if (Record.SourcePath != Source || !fJob.HoldsBackupShape(Record))
        return plan;
    if (Record.Compression != 0) {
        // Its archive of its own goes once the copy is in place (a run archive holds
        // other files too and stays).
        if (Record.InArchive == 0)
            plan.release = Record.MediaPath;
        return plan;
    }
    if (Record.Encryption != (fJob.Encryption() ? 1 : 0)) {
        // One record cannot describe copies stored two ways: the versions start afresh.
        plan.dropVersions = Record.Revision;
        plan.dropCheckFiles = Record.Encryption != 0;
        return plan;
    }
    // The versions follow the copies that really exist: never past a missing one.
    int missing = -1;
    for (int k = 0; k <= Record.Revision && missing < 0; ++k)
        if (!fileExists(VersionName(Copy, k)))
            missing = k;
    // A version name that is a folder (on the media, or one that other files' copies
    // lie in: the copy of a folder "proj_1" beside the file "proj") can hold no copy:
    // the versions end below it.
    auto occupied = [&](int k) {
        const std::string name = VersionName(Copy, k);
        return folderExists(name) || Names().FolderHolder(name).has_value();
    };
    if (!fJob.Revision()) {
        // No new version: the newest is replaced, and the earlier ones stay as they were,
        // in order (replacing version 0 would put the newest copy first).
        int rev = missing >= 0 ? missing : Record.Revision;
        while (rev > 0 && occupied(rev))
            --rev;
        plan.rev = static_cast<uint8_t>(rev);
        return plan;
    }
    const int next = missing >= 0 ? missing : TBackUpJob::NextRevision(Record);
    int room = next; // the highest version that may be written
    for (int k = 1; k <= next; ++k) {
        if (occupied(k)) {
            room = k - 1;
            break;
        }
    }
    plan.rev = static_cast<uint8_t>(next);
    if ((next > fJob.TopRevisionIndex || room < next) && next > 0) {
        // Versions 1 .. next - 1 move down and the new copy becomes the newest.
        plan.rotate = true;
        plan.rev = static_cast<uint8_t>(std::min(next - 1, room));
    }
    return plan;
}

void BackupRun::Finished(const Outcome& Done) {
    fWritten.push_back({Done.target, Done.line, Done.checkFile});
    if (Done.date)
        Stored(Done.line, *Done.date, Done.size);
    if (!Done.successLine.empty())
        fJob.AddLog(Done.successLine);
}

void BackupRun::Finish(Outcome Done) {
    // The files finished after a staged one wait for it, so the log keeps their order.
    if (fGroup.empty())
        Finished(Done);
    else
        fGroup.push_back(std::move(Done));
}

void BackupRun::Stage(Outcome Done) {
    fStagedBytes += Done.size;
    fGroup.push_back(std::move(Done));
    ++fGroupStaged;
    if (fGroupStaged >= kGroupFiles || fStagedBytes >= kGroupBytes)
        PutGroupInPlace();
}

void BackupRun::PutGroupInPlace() {
    if (fGroup.empty())
        return;
    std::vector<Outcome> group = std::move(fGroup);
    fGroup.clear();
    fGroupStaged = 0;
    fStagedBytes = 0;
    const char media = fJob.Destination();
    const std::string staging = MediaJournal::StagingFolder(media);
    // The staged files and their check files are on the disk before a journal line
    // names them: one sync for the group (file by file only to find a write it lost).
    const bool synced = syncFileSystem(MediaFolder(media));
    if (!synced)
        fSyncFailed = true;
    std::vector<MediaJournal::Entry> entries;
    for (Outcome& o : group) {
        if (!o.entry)
            continue;
        const std::string part = staging + o.entry->staged;
        if (!synced && !(syncFile(part) && (!o.checkFile || syncFile(CheckFileName(part))))) {
            FailTarget(o.line, o.target, part);
            o.failed = true;
            continue;
        }
        entries.push_back(*o.entry);
    }
    // Then the group's lines, synced, before any of its moves.
    const bool journaled = fJournal.Add(entries);
    if (!journaled) {
        // Lines may have reached the journal whole: their staged files stay for the next
        // run, which carries them out (they are complete and on the disk).
        fKeepJournal = true;
    }
    for (Outcome& o : group) {
        if (o.failed)
            continue;
        if (o.entry && !PutInPlace(o, journaled))
            continue;
        Finished(o);
    }
}

bool BackupRun::PutInPlace(const Outcome& Staged, bool Journaled) {
    const MediaJournal::Entry& entry = *Staged.entry;
    MediaJournal::Applied applied = MediaJournal::Applied::Failed;
    if (Journaled) {
        auto elsewhere = [this, &entry](const std::string& name) {
            return Names().OtherHolder(name, entry.record.SourcePath).has_value();
        };
        applied = MediaJournal::Apply(fJob.Destination(), entry, elsewhere);
    }
    if (applied == MediaJournal::Applied::Done)
        return true;
    // Half moved: the journal keeps the entry, and the next run finishes the move. A
    // refused entry moved nothing, and no run carries it out.
    if (applied == MediaJournal::Applied::Failed)
        fKeepJournal = true;
    fJob.AddLog(logline::CantOpenFile(Staged.target));
    ++Engine().ErrorCount;
    fJob.SourceFiles[Staged.line].clear();
    return false;
}

BackupRun::FileOutcome BackupRun::CopyFile(size_t Line) {
    TEngineState& engine = Engine();
    const std::string source = fJob.SourceFiles[Line];
    const std::string copy = fJob.CopyPath(source);
    fJob.ArchiveName = copy;
    DriveListRecord record;
    if (!fJob.LookUpRecord(source, record)) {
        fJob.SourceFiles[Line].clear();
        return FileOutcome::Failed;
    }
    const PlainPlan plan = PlanPlainCopy(record, source, copy);
    // Every version the new record names must be this file's to take.
    if (!ClaimNames(Line, NewRecord(source, copy, 0, 0, plan.rev)))
        return FileOutcome::Failed;
    createFolderChain(extractFileDir(copy));

    FileHandle input = FileHandle::open(source, OpenMode::Read);
    const int64_t size = input ? input.size() : -1;
    if (size < 0) {
        fJob.AddLog(logline::CantOpenFile(source));
        ++engine.ErrorCount;
        fJob.SourceFiles[Line].clear();
        return FileOutcome::Failed;
    }
    fJob.SetRevisionText(source, plan.rev);
    fJob.ArchiveName = VersionName(copy, plan.rev);
    const std::string target = fJob.ArchiveName;
    // The first backup of a file whose copy name is free writes that name directly: no
    // record names it, so a copy cut short by a crash is never taken for a backup, and
    // the run saves a rename per file. A copy that replaces anything is staged and moved
    // into place through the journal once complete.
    const bool direct = record.SourcePath != source && !fileExists(target) &&
                        !(fJob.Encryption() && fileExists(CheckFileName(target)));
    const std::string part = direct ? target : fJournal.NewStagedPath();
    FileHandle output = direct ? FileHandle::createNew(part) : FileHandle::create(part);
    if (!output) {
        FailTarget(Line, target, part);
        return FileOutcome::Failed;
    }
    // Before a byte is written: the copy is never readable by more people than its
    // source, and it keeps the bits (execute too) a restore gives a new file. Media that
    // keep no permissions (FAT) refuse this, which fails nothing.
    if (const std::optional<FileAccess> access = input.access())
        output.shareAccessOf(*access);
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
    // No sync here: a staged copy is synced with its group before its journal line is
    // written, one written in place once with the run before the catalogue names it.
    const bool closed = output.close();
    engine.FileBytesDone = 0;
    if (copied != FileOutcome::Done || !closed) {
        FailTarget(Line, target, part);
        return FileOutcome::Failed;
    }
    // The caller's last word on the file, right before its copy takes the media's place.
    if (!fJob.ActingOn(source)) {
        fJob.SourceFiles[Line].clear();
        deleteFile(part);
        deleteFile(CheckFileName(part));
        return FileOutcome::Failed;
    }
    Outcome done;
    done.line = Line;
    done.target = target;
    done.checkFile = fJob.Encryption();
    done.date = date;
    done.size = size;
    done.successLine =
        logline::BackupSuccessful(source, logline::CompressionWord(false, fJob.CompressionType()),
                                  logline::EncryptionWord(fJob.Encryption(), engine.KeySize));
    if (direct) {
        Finish(std::move(done));
        return FileOutcome::Done;
    }
    MediaJournal::Entry entry;
    entry.kind = plan.rotate ? MediaJournal::Entry::Kind::Rotate : MediaJournal::Entry::Kind::Place;
    entry.staged = extractFileName(part);
    entry.record = NewRecord(source, copy, *date, size, plan.rev);
    entry.dropVersions = plan.dropVersions;
    entry.dropCheckFiles = plan.dropCheckFiles;
    entry.release = plan.release;
    done.entry = std::move(entry);
    Stage(std::move(done));
    return FileOutcome::Done;
}

DriveListRecord BackupRun::NewRecord(const std::string& Source, const std::string& MediaPath,
                                     uint32_t DosDate, int64_t Size, uint8_t Revision) const {
    DriveListRecord record;
    record.SourcePath = Source;
    record.MediaPath = MediaPath;
    record.Date = dosToDateTime(DosDate);
    record.Size = Size;
    record.Compression = fJob.Compression() ? 1 : 0;
    record.Encryption = fJob.Encryption() ? 1 : 0;
    record.Revision = Revision;
    return record;
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

std::optional<uint32_t> BackupRun::DateArchiveLikeSource(const std::string& Archive,
                                                         const std::string& SourcePath,
                                                         std::optional<uint32_t> Before) {
    // By name: both files are closed by now, and two looks cost less than two opens.
    std::optional<double> modified = fileDateTime(SourcePath);
    if (!modified || !fileExists(Archive))
        return std::nullopt;
    uint32_t date = Before ? *Before : dateTimeToDos(*modified);
    if (date == 0) {
        fJob.AddLog(logline::DateUnreadable(fJob.ArchiveName));
        ++Engine().ErrorCount;
        date = dateTimeToDos(now());
    }
    setFileDosDateTime(Archive, date);
    return date;
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
        const std::string archive = fJob.FileArchivePath(source);
        fJob.ArchiveName = archive;
        DriveListRecord claimed;
        claimed.SourcePath = source;
        claimed.MediaPath = archive;
        claimed.Compression = 1;
        if (!ClaimNames(i, claimed))
            continue;
        DriveListRecord old;
        if (!fJob.LookUpRecord(source, old)) {
            fJob.SourceFiles[i].clear();
            continue;
        }
        createFolderChain(extractFileDir(archive));
        if (!fileExists(source)) {
            fJob.AddLog(logline::CanNotFindFile(source));
            ++engine.ErrorCount;
            fJob.SourceFiles[i].clear();
            continue;
        }
        // This file's own earlier backup under another name (its plain copy with the
        // versions its record names) goes once the archive is in place.
        const bool own = old.SourcePath == source && fJob.HoldsBackupShape(old);
        MediaJournal::Entry entry;
        if (own && old.InArchive == 0 && old.MediaPath != archive) {
            entry.release = old.MediaPath;
            entry.releaseVersions = old.Compression == 0 ? old.Revision : 0;
        }
        // As for plain copies: a first backup under a free name is written in place.
        const bool direct = old.SourcePath != source && !fileExists(archive);
        const std::string part = direct ? archive : fJournal.NewStagedPath();
        DriveListRecord rec;
        rec.SourcePath = source;
        rec.MediaPath = archive;
        rec.Compression = 1;
        rec.Encryption = fJob.Encryption() ? 1 : 0;
        engine.ArchiveEncrypted = fJob.Encryption();
        // The date and size before a byte is read (maybe ahead, by the feed): a change
        // while it is read is newer.
        const DeflateFeed::SourceState state = feed->StateBeforeReading(i, source);
        const std::optional<uint32_t> before = state.date;
        const int64_t size = state.size;
        int64_t interrupted = -1;
        fJob.AddToArchive(fJob.SourceFiles, part, static_cast<int32_t>(i), rec, &interrupted,
                          feed.get());
        // A cancel clicked while the entry's last chunk was reported came after the
        // entry was done: the file is finished (its success line stands) before the run
        // stops.
        const bool cancelledAfter = engine.CancelFlag && interrupted < 0;
        if (engine.CancelFlag && !cancelledAfter) {
            // The files read ahead are dropped (the window keeps running while the
            // workers finish the chunk in hand) before the flag is cleared.
            feed.reset();
            engine.CancelFlag = false;
            deleteFile(part);
            Cancel(i, false);
            return false;
        }
        // The caller's last word on the file, right before its archive takes the place
        // of the media's.
        if (!fJob.SourceFiles[i].empty() && !fJob.ActingOn(source))
            fJob.SourceFiles[i].clear();
        if (fJob.SourceFiles[i].empty()) {
            deleteFile(part);
            continue;
        }
        // Dated like the bytes it holds: the revision restore dates the file it brings back
        // with the archive's date.
        const std::optional<uint32_t> date = DateArchiveLikeSource(part, source, before);
        Outcome done;
        done.line = i;
        done.target = archive;
        done.date = before;
        done.size = size;
        if (direct) {
            Finish(std::move(done));
        } else {
            entry.staged = extractFileName(part);
            entry.record = NewRecord(source, archive, date.value_or(dateTimeToDos(now())), size, 0);
            done.entry = std::move(entry);
            Stage(std::move(done));
        }
        if (cancelledAfter) {
            feed.reset();
            engine.CancelFlag = false;
            Cancel(i + 1, false);
            return false;
        }
    }
    return true;
}

bool BackupRun::RunRunArchive() {
    TEngineState& engine = Engine();
    engine.FilesDone = 0;
    if (std::all_of(fJob.SourceFiles.begin(), fJob.SourceFiles.end(),
                    [](const std::string& line) { return line.empty(); }))
        return true;
    // A run that starts in the same second as an earlier one (or finds its name taken by
    // anything else) takes the next free name: an archive the catalogue names is never
    // emptied. The records name the archive, so any name is read back.
    fJob.ArchiveName = FreeRunArchivePath(
        fJob.RunArchivePath(), [this](const std::string& name) { return Names().Held(name); });
    createFolderChain(extractFileDir(fJob.ArchiveName));
    // The caller's word on each file, before the archive reads it and again once its
    // entry is written (below): a file refused then keeps the record it had.
    DropRefused();
    for (const std::string& source : fJob.SourceFiles) {
        // Blank lines were dropped earlier; only real paths can be missing.
        if (!source.empty() && !fileExists(source)) {
            fJob.AddLog(logline::CanNotFindFile(source));
            ++engine.ErrorCount;
        }
    }
    // Each file's date and size before the archive reads a byte of it.
    for (size_t i = 0; i < fJob.SourceFiles.size(); ++i) {
        const std::optional<uint32_t> date = fileDosDateTime(fJob.SourceFiles[i]);
        const int64_t size = fileSize(fJob.SourceFiles[i]);
        if (!fJob.SourceFiles[i].empty() && date && size >= 0)
            Stored(i, *date, size);
    }
    DriveListRecord rec;
    rec.MediaPath = fJob.ArchiveName;
    rec.Compression = 1;
    rec.Encryption = fJob.Encryption() ? 1 : 0;
    rec.InArchive = 1;
    engine.ArchiveEncrypted = fJob.Encryption();
    int64_t interrupted = -1;
    fJob.AddToArchive(fJob.SourceFiles, fJob.ArchiveName, -1, rec, &interrupted);
    DropRefused();
    // A cancel clicked while the last entry was reported came after every entry was
    // done: the archive is whole, and each file in it keeps its success line and record.
    if (!engine.CancelFlag || interrupted < 0) {
        if (std::all_of(fJob.SourceFiles.begin(), fJob.SourceFiles.end(),
                        [](const std::string& line) { return line.empty(); }))
            deleteFile(fJob.ArchiveName); // no record will name it
        else
            fWritten.push_back({fJob.ArchiveName, kWholeRun, false});
        engine.BytesDone = 0;
        if (!engine.CancelFlag)
            return true;
        engine.CancelFlag = false;
        Cancel(fJob.SourceFiles.size(), true);
        return false;
    }
    engine.CancelFlag = false;
    // Keep the entries finished before the cancel and cut off the one being written.
    std::vector<std::string> complete;
    const int64_t keep = ArchiveReader::CompleteLength(fJob.ArchiveName, &complete, interrupted);
    if (keep <= 0) {
        complete.clear();
        deleteFile(fJob.ArchiveName);
    } else {
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

void BackupRun::DropRefused() {
    for (std::string& source : fJob.SourceFiles)
        if (!source.empty() && !fJob.ActingOn(source))
            source.clear();
}

MediaNames& BackupRun::Names() {
    // Read at the start of the run (ReadNames); a run that could not is stopped.
    if (!fNames)
        fNames.emplace(fJob.Destination(), fFoldsCase);
    return *fNames;
}

bool BackupRun::ClaimNames(size_t Line, const DriveListRecord& NewRecord) {
    const std::string& source = fJob.SourceFiles[Line];
    MediaNames& names = Names();
    for (const std::string& name : MediaNames::NamesOf(fJob.Destination(), NewRecord)) {
        const std::optional<std::string> other = names.OtherHolder(name, source);
        if (!other)
            continue;
        // The media keeps one file under a name: the first file's stays, this one fails.
        fJob.AddLog(sameTextFolded(*other, source) ? logline::SharesMediaCopy(source, *other)
                                                   : logline::NameTakenOnMedia(source, *other));
        ++Engine().ErrorCount;
        fJob.SourceFiles[Line].clear();
        return false;
    }
    names.Add(NewRecord);
    return true;
}

void BackupRun::MakeDurable() {
    if (fWritten.empty())
        return;
    // A sync that failed earlier in the run may have reported (and so used up) the lost
    // write of a file finished before it: then every file is looked at.
    if (syncFileSystem(MediaFolder(fJob.Destination())) && !fSyncFailed) {
        fWritten.clear();
        return;
    }
    // The media lost a write on its way to the disk: find the files it belonged to.
    for (const WrittenFile& file : fWritten) {
        if (syncFile(file.Path) && (!file.CheckFile || syncFile(CheckFileName(file.Path))))
            continue;
        if (file.Line != kWholeRun) {
            fJob.AddLog(logline::CantOpenFile(file.Path));
            ++Engine().ErrorCount;
            fJob.SourceFiles[file.Line].clear();
            continue;
        }
        // The run archive holds every file of the run: each of them failed.
        for (std::string& source : fJob.SourceFiles) {
            if (source.empty())
                continue;
            fJob.AddLog(logline::CanNotAddToArchive(source));
            ++Engine().ErrorCount;
            source.clear();
        }
    }
    fWritten.clear();
}

void BackupRun::SaveRecords(bool InArchive) {
    PutGroupInPlace();
    MakeDurable();
    fJob.SaveDriveListRecords(InArchive, InArchive ? fJob.ArchiveName : std::string());
    // The lines still there are the records written; the count and the sync that make
    // them durable come with the close.
    std::vector<std::string> saved;
    for (const std::string& source : fJob.SourceFiles)
        if (!source.empty())
            saved.push_back(source);
    const bool closed = fJob.FinishBackupRun();
    if (!closed) {
        // A record not on the disk may come back blank: each file it names is told.
        for (const std::string& source : saved) {
            fJob.AddLog(logline::DamagedFile(CataloguePath(fJob.Destination()),
                                             "can't save the record of " + source + "."));
            ++Engine().ErrorCount;
        }
    }
    // The journal goes only once the records it would write are in the catalogue.
    if (closed && !fKeepJournal && fJournal.Pending())
        fJournal.Finish();
}

void BackupRun::End() {
    TEngineState& engine = Engine();
    engine.Progress(0, false, 0, 0, -1);
    SaveRecords(isRunArchive(fJob));
    fJob.SetProcessing(false);
    engine.FilesDone = 0;
    engine.BytesDone = 0;
}

void BackupRun::Cancel(size_t From, bool InArchive) {
    for (size_t j = From; j < fJob.SourceFiles.size(); ++j)
        fJob.SourceFiles[j].clear();
    // The files finished before the cancel are on the media: their records say so.
    SaveRecords(InArchive);
}

void BackupRun::DropUnfit(const std::vector<std::string>& Unfinished) {
    TEngineState& engine = Engine();
    // Without its catalogue the run could not tell a file's backups from free names.
    if (!engine.DriveListHandle.isOpen()) {
        std::fill(fJob.SourceFiles.begin(), fJob.SourceFiles.end(), std::string());
        return;
    }
    std::unordered_set<std::string> seen;
    const std::unordered_set<std::string> unfinished(Unfinished.begin(), Unfinished.end());
    for (std::string& source : fJob.SourceFiles) {
        if (source.empty())
            continue;
        // A file listed twice is backed up once: a second copy would take a version.
        if (!seen.insert(source).second) {
            source.clear();
            continue;
        }
        if (unfinished.count(source) != 0)
            fJob.AddLog(logline::UnfinishedBackup(source));
        else if (!fJob.FitsCatalogue(source))
            fJob.AddLog(logline::PathTooLong(source));
        else
            continue;
        ++engine.ErrorCount;
        source.clear();
    }
}

void BackupRun::Run() {
    TEngineState& engine = Engine();
    // What a run before this one left half done is finished first; what it could not
    // finish stays in the journal, and its files wait for a run that can.
    std::vector<std::string> unfinished;
    std::string unreadable;
    const MediaJournal::Recovery recovery =
        MediaJournal::Recover(fJob.Destination(), &unfinished, &unreadable);
    fKeepJournal =
        recovery != MediaJournal::Recovery::Nothing && recovery != MediaJournal::Recovery::Replayed;
    fFoldsCase = engine.MediaFoldsCase(MediaFolder(fJob.Destination()));
    // Nothing is written before the whole catalogue is read: a record not read would
    // pass for none, and the file's versions for free names.
    bool readable = recovery != MediaJournal::Recovery::Unreadable;
    if (readable) {
        fJob.LoadDriveList();
        fJob.OpenDriveList();
        fJob.FinishInterruptedRemoval();
        if (fJob.CatalogueUnreadable.empty()) {
            fNames =
                MediaNames::FromCatalogue(fJob.Destination(), fFoldsCase, engine.DriveListHandle);
            if (!fNames && engine.DriveListHandle)
                fJob.CatalogueUnreadable = "ended short of the length it had when opened";
        }
        readable = !fJob.StopForUnreadableCatalogue();
    } else {
        fJob.AddLog(unreadable);
        ++engine.ErrorCount;
    }
    if (!readable) {
        fJob.CloseDriveListUnchanged();
        fJob.SourceFiles.clear();
        fJob.StoredSources.clear();
        fJob.CatalogPaths.clear();
        engine.Progress(0, false, 0, 0, -1);
        return;
    }
    DropUnfit(unfinished);
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

bool TBackUpJob::FinishBackupRun() {
    SourceFiles.clear();
    StoredSources.clear();
    CatalogPaths.clear();
    CatalogMediaPaths.clear();
    return CloseDriveList();
}

} // namespace qm
