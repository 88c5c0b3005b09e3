#include "engine/archivereader.h"

#include "engine/archivereadsession.h"
#include "engine/compression.h"
#include "engine/copytree.h"
#include "engine/enginestate.h"
#include "engine/entryinflater.h"
#include "engine/logline.h"
#include "engine/mediajournal.h"
#include "engine/passwordprobe.h"
#include "engine/restoretarget.h"
#include "platform/dospath.h"
#include "platform/stagedfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace qm {

namespace {

int64_t chunkDataStart(int64_t entryStart, const ParsedEntry& entry) {
    return entryStart + EntryPrefixLength(entry.header.ChunkCount);
}

} // namespace

ArchiveReader::ArchiveReader(TBackUpJob& Job, std::string ArchiveFile)
    : fJob(Job), fArchiveFile(std::move(ArchiveFile)) {}

void ArchiveReader::LogDamaged(const std::string& What, int64_t Offset) {
    fJob.AddLog(logline::DamagedFile(fArchiveFile, "damaged backup archive: " + What +
                                                       " at offset " + std::to_string(Offset) +
                                                       "; the rest of the archive is not read."));
    ++Engine().ErrorCount;
}

std::optional<ParsedEntry> ArchiveReader::EntryAtPos() {
    if (fPos >= fSize)
        return std::nullopt;
    ArchiveFormatError error;
    std::optional<ParsedEntry> entry =
        ReadEntryAt(fArchive, fPos, fSize, static_cast<int64_t>(kInputBufferSize), &error);
    if (!entry)
        LogDamaged(error.what, error.offset);
    return entry;
}

void ArchiveReader::Restore(ArchiveReadSession& Session, const std::string& Source,
                            const std::string& RestoreTypeFolder,
                            std::optional<uint32_t> FileDate) {
    TEngineState& engine = Engine();
    std::optional<FileIdentity> identity = fileIdentity(fArchiveFile);
    if (!identity) {
        ++engine.ErrorCount;
        fJob.AddLog(logline::ArchiveNotFound(fArchiveFile));
        return;
    }
    ArchiveIndex* index = Session.IndexFor(fArchiveFile, *identity, Source);
    if (!index) {
        ++engine.ErrorCount;
        fJob.AddLog(logline::CantRestoreError(Source));
        return;
    }
    // As a walk from the start would: the entries of Source in archive order, the file's
    // bytes counted afresh after every entry passed, the damage that ends the walk last.
    bool found = false;
    for (int64_t start : index->Find(Source)) {
        ArchiveFormatError error;
        std::optional<ArchiveIndex::Entry> entry = index->Read(start, &error);
        if (!entry) {
            // The archive changed while it was read.
            LogDamaged(error.what, error.offset);
            return;
        }
        if (entry->parsed.header.Path != Source)
            continue; // another path with the same hash
        found = true;
        if (start > 0)
            engine.FileBytesDone = 0;
        if (RestoreEntry(index->File(), Session.Pool(), *entry, RestoreTypeFolder, FileDate) ==
            Step::StopArchive)
            return;
    }
    if (index->Count() > 0)
        engine.FileBytesDone = 0;
    if (index->Damage())
        LogDamaged(index->Damage()->what, index->Damage()->offset);
    // The catalogue names this archive for the file: an archive without its entry is a
    // failed restore, never a silent one.
    if (!found) {
        fJob.AddLog(logline::CantRestoreError(Source));
        ++engine.ErrorCount;
    }
}

ArchiveReader::Step ArchiveReader::RestoreEntry(FileHandle& Archive, ChunkPool& Pool,
                                                const ArchiveIndex::Entry& Indexed,
                                                const std::string& RestoreTypeFolder,
                                                std::optional<uint32_t> FileDate) {
    TEngineState& engine = Engine();
    const bool encrypted = engine.ArchiveEncrypted;
    const ParsedEntry& Entry = Indexed.parsed;
    const ArchiveEntryHeader& header = Entry.header;
    if (encrypted) {
        fJob.InitCipher();
        fJob.ResetCipherIV();
    }
    std::optional<std::string> target = ArchiveRestoreTarget(RestoreTypeFolder, header.Path);
    bool skipped = false;
    if (encrypted) {
        if (engine.SkipEncrypted) {
            skipped = true;
        } else {
            engine.EntryCheckResult =
                fJob.CheckEntryPassword(header.Path, header.CheckValue.data());
            skipped = engine.EntryCheckResult != PasswordCheck::Opened;
        }
    }
    auto endEntry = [&](Step step) {
        if (encrypted)
            fJob.FreeCipher();
        return step;
    };

    // The file on the computer is replaced only by a complete entry: a damaged chunk, a
    // failed write or a cancel leave it as it was.
    StagedFileLedger ledger = RestoreLedger();
    std::optional<StagedFile> out;
    if (!skipped) {
        if (target) {
            createFolderChain(extractFileDir(*target));
            out.emplace(*target, &ledger);
        }
        if (!out || !out->Open()) {
            // The stored path names the file: the target is unknown or not writable.
            fJob.AddLog(logline::CantRestoreError(header.Path));
            ++engine.ErrorCount;
            return endEntry(target ? Step::StopArchive : Step::NextEntry);
        }
        // The archive is readable by no more people than any file in it (the backup
        // set it so): a new file gets no more than its read and write bits.
        const bool kept = engine.MediaKeepsModes(MediaFolder(fJob.Destination()));
        std::optional<FileAccess> archive = kept ? Archive.access() : std::nullopt;
        if (archive)
            archive->mode &= 0666;
        out->SetNewFileMode(NewRestoredFileMode(archive));
        out->KeepOwner();
    }

    auto failTarget = [&] {
        fJob.AddLog(logline::CantRestoreError(*target));
        out->Discard();
        return endEntry(Step::NextEntry);
    };

    if (!skipped && Archive.seek(chunkDataStart(Indexed.pos, Entry)) < 0) {
        ++engine.ErrorCount;
        return failTarget();
    }
    // The chunks are read and decrypted ahead in order and inflated on the workers.
    EntryInflater::Decrypt decrypt;
    if (encrypted)
        decrypt = [this](uint8_t* bytes, size_t length) { fJob.DecryptBuffer(bytes, length); };
    std::optional<EntryInflater> inflater;
    if (!skipped)
        inflater.emplace(Pool, Archive, Entry, std::move(decrypt));
    const uint16_t n = header.ChunkCount;
    for (uint16_t k = 0; k < n; ++k) {
        const int64_t len = ChunkPlainLength(header.Size, k);
        if (engine.CancelFlag) {
            if (out)
                out->Discard();
            endEntry(Step::StopArchive);
            return Step::StopArchive;
        }
        EntryInflater::Chunk chunk;
        if (!skipped) {
            chunk = inflater->Next();
            // A chunk that cannot be read, does not inflate or ends short of the length
            // the header promises fails the entry.
            if (!chunk.read)
                ++engine.ErrorCount;
            else if (chunk.data->result < 0)
                DecompressCheck(chunk.data->result);
            else if (chunk.data->outputBytes != len)
                ++engine.ErrorCount;
            if (!chunk.read || chunk.data->result < 0 || chunk.data->outputBytes != len)
                return failTarget();
        }
        engine.FileBytesDone += len;
        engine.BytesDone += len;
        if (engine.FilesDone == 0)
            engine.FilesDone = 1;
        if (k + 1 == n) {
            ++engine.FilesDone;
            engine.Progress(engine.FilesDone - 1, false, header.Size, 0, engine.BytesDone);
        }
        engine.Progress(engine.FilesDone - 1, false, header.Size, engine.FileBytesDone,
                        engine.BytesDone);
        if (!skipped && !WriteChunkBytes(out->File(), chunk.data->output, len)) {
            ++engine.ErrorCount;
            return failTarget();
        }
    }
    if (skipped)
        return endEntry(Step::NextEntry);
    // The caller's last word on the file, right before it is replaced.
    if (!fJob.ActingOn(*target)) {
        out->Discard();
        return endEntry(Step::NextEntry);
    }
    if (!out->Commit(FileDate)) {
        ++engine.ErrorCount;
        return failTarget();
    }
    fJob.AddLog(fJob.RestoreType().empty() ? logline::RestoredToOriginal(*target)
                                           : logline::RestoredToSelected(*target));
    return endEntry(Step::NextEntry);
}

bool ArchiveReader::CopyWithout(FileHandle& Out, int64_t EntryStart, int64_t EntryLength,
                                int64_t Index, int64_t Done) {
    TEngineState& engine = Engine();
    uint8_t* buffer = engine.InputBuffer.get();
    auto copyBlock = [&](int64_t n) {
        return fArchive.readExact(buffer, n) && Out.write(buffer, n);
    };
    // The bytes before the entry...
    if (fArchive.seek(0) < 0)
        return false;
    for (int64_t done = 0; done < EntryStart; done += kBlockBytes) {
        if (!copyBlock(std::min(kBlockBytes, EntryStart - done)))
            return false;
    }
    // ...then those behind it, in the blocks (the last possibly empty) that progress
    // reports as they are moved down.
    const int64_t tail = fSize - (EntryStart + EntryLength);
    const int64_t blocks = tail / kBlockBytes + 1;
    if (fArchive.seek(EntryStart + EntryLength) < 0)
        return false;
    int64_t moved = 0;
    for (int64_t b = 0; b < blocks; ++b) {
        const int64_t n = b + 1 < blocks ? kBlockBytes : tail - b * kBlockBytes;
        if (!copyBlock(n))
            return false;
        moved += n;
        engine.Progress(static_cast<int32_t>(Index), false, tail, moved, Done);
    }
    return true;
}

ArchiveReader::Removal ArchiveReader::Remove(const std::string& Source, int64_t Index, int64_t Done,
                                             const std::function<bool()>& Forget) {
    fArchive = FileHandle::open(fArchiveFile, OpenMode::Read);
    fSize = fArchive ? fArchive.size() : -1;
    if (fSize < 0)
        return Removal::NotFound;
    fPos = 0;
    std::optional<ParsedEntry> entry;
    while ((entry = EntryAtPos()) && entry->header.Path != Source)
        fPos += entry->length;
    if (!entry) {
        fArchive.close();
        return Removal::NotFound;
    }
    auto forget = [&Forget] { return !Forget || Forget(); };
    if (fPos + entry->length == fSize) {
        // The last entry: one cut, which a crash either makes or does not.
        fArchive.close();
        if (!forget())
            return Removal::Failed;
        FileHandle archive = FileHandle::open(fArchiveFile, OpenMode::ReadWrite);
        if (archive.seek(fPos) == fPos && archive.truncate() && archive.close())
            return Removal::Removed;
        LogDamaged("the entry of " + Source + " could not be cut out", fPos);
        return Removal::Failed;
    }
    // The archive without the entry is written beside it, in the media's staging folder,
    // and takes its place in one rename: at every moment one whole archive is there.
    // Where the media has no room for it, the archive is left whole.
    const std::string shortened = MediaJournal::StagingFolder(fArchiveFile[0]) + "removal.part";
    createFolderChain(excludeTrailingBackslash(MediaJournal::StagingFolder(fArchiveFile[0])));
    int64_t freeBytes = 0, totalBytes = 0;
    const bool room =
        !diskSpace(fArchiveFile, freeBytes, totalBytes) || freeBytes >= fSize - entry->length;
    // What went wrong, for the log: no room, or the system's own reason.
    std::string reason;
    auto failed = [&reason](const std::string& what, int error) {
        if (reason.empty() && error != ENOSPC)
            reason = what + " (" + std::strerror(error != 0 ? error : EIO) + ")";
        return false;
    };
    FileHandle out = room ? FileHandle::create(shortened) : FileHandle();
    // Readable by no more people than the archive it replaces: its group's rights stay
    // with its group.
    if (const std::optional<FileAccess> access = out ? fArchive.access() : std::nullopt)
        out.shareAccessOf(*access, 0666);
    bool ok = room && (out || failed(shortened + " could not be made", errno));
    if (ok && !CopyWithout(out, fPos, entry->length, Index, Done))
        ok = out.error() != 0 ? failed(shortened + " could not be written", out.error())
                              : failed(fArchiveFile + " could not be read", fArchive.error());
    fArchive.close();
    // The copy is on the disk before the record goes and before it replaces the archive.
    if (ok && !(out.flush() && out.close()))
        ok = failed(shortened + " could not be written", out.error());
    if (ok && !forget()) {
        deleteFile(shortened);
        return Removal::Failed;
    }
    if (ok && renameFile(shortened, fArchiveFile))
        return Removal::Removed;
    if (ok)
        failed(shortened + " could not take the place of the archive", errno);
    out.close();
    deleteFile(shortened);
    fJob.AddLog(reason.empty() ? logline::CantDeleteFromArchive(Source, fArchiveFile)
                               : logline::CantDeleteFromArchive(Source, fArchiveFile, reason));
    ++Engine().ErrorCount;
    return Removal::Failed;
}

int64_t ArchiveReader::CompleteLength(const std::string& ArchiveFile,
                                      std::vector<std::string>* Paths, int64_t Limit) {
    FileHandle archive = FileHandle::open(ArchiveFile, OpenMode::Read);
    const int64_t size = archive ? archive.size() : -1;
    if (size < 0)
        return -1;
    const int64_t end = std::min(size, Limit);
    auto entryAt = [&](int64_t pos) {
        return ReadEntryAt(archive, pos, end, static_cast<int64_t>(kInputBufferSize));
    };
    int64_t pos = 0;
    int64_t completeEnd = 0;
    while (pos < end) {
        std::optional<ParsedEntry> entry = entryAt(pos);
        if (!entry)
            break;
        const int64_t next = pos + entry->length;
        // A stored chunk is never empty (even no bytes deflate to a stream of some), so
        // an entry with an empty chunk was not finished. One whose chunk failed was closed
        // with its table as it stood and has the next entry right behind it; the one a
        // cancel cut short is the last written, with its chunks (if any) not described.
        if (std::count(entry->chunkLengths.begin(), entry->chunkLengths.end(), 0) > 0) {
            if (next >= end || !entryAt(next))
                break;
        } else {
            if (Paths)
                Paths->push_back(entry->header.Path);
            completeEnd = next;
        }
        pos = next;
    }
    return completeEnd;
}

void TBackUpJob::RestoreFromArchive(const std::string& Source, const std::string& ArchiveFile,
                                    const std::string& RestoreTypeFolder,
                                    std::optional<uint32_t> FileDate) {
    if (fArchiveSession) {
        ArchiveReader(*this, ArchiveFile)
            .Restore(*fArchiveSession, Source, RestoreTypeFolder, FileDate);
        return;
    }
    ArchiveReadSession session;
    ArchiveReader(*this, ArchiveFile).Restore(session, Source, RestoreTypeFolder, FileDate);
}

void TBackUpJob::OpenArchiveSession() {
    fArchiveSession = std::make_unique<ArchiveReadSession>();
}

void TBackUpJob::CloseArchiveSession() {
    fArchiveSession.reset();
}

void TBackUpJob::RemoveFromArchive(const std::string& Source, const std::string& ArchiveFile,
                                   int64_t Index, int64_t Done) {
    ArchiveReader(*this, ArchiveFile).Remove(Source, Index, Done);
}

PasswordCheck TBackUpJob::CheckEntryPassword(const std::string& Source,
                                             const uint8_t* StoredCheckValue) {
    TCheckBytes stored{};
    std::copy(StoredCheckValue, StoredCheckValue + stored.size(), stored.begin());
    PasswordProbe probe(PasswordProbe::KeySizes::AllThree, [stored](bool&) { return stored; });
    return probe.Run(Source);
}

} // namespace qm
