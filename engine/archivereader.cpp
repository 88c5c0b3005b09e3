#include "engine/archivereader.h"

#include "engine/archivereadsession.h"
#include "engine/compression.h"
#include "engine/enginestate.h"
#include "engine/entryinflater.h"
#include "engine/logline.h"
#include "engine/passwordprobe.h"
#include "engine/restoretarget.h"
#include "platform/dospath.h"
#include "platform/stagedfile.h"

#include <algorithm>

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
    const std::vector<ArchiveIndex::Entry>& entries = index->Entries();
    for (size_t e : index->Find(Source)) {
        if (e > 0)
            engine.FileBytesDone = 0;
        if (RestoreEntry(index->File(), Session.Pool(), entries[e], RestoreTypeFolder, FileDate) ==
            Step::StopArchive)
            return;
    }
    if (!entries.empty())
        engine.FileBytesDone = 0;
    if (index->Damage())
        LogDamaged(index->Damage()->what, index->Damage()->offset);
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
            skipped = engine.EntryCheckResult == 2 || engine.EntryCheckResult == 3;
        }
    }
    auto endEntry = [&](Step step) {
        if (encrypted)
            fJob.FreeCipher();
        return step;
    };

    // The file on the computer is replaced only by a complete entry: a damaged chunk, a
    // failed write or a cancel leave it as it was.
    std::optional<StagedFile> out;
    if (!skipped) {
        if (target) {
            createFolderChain(extractFileDir(*target));
            out.emplace(*target);
        }
        if (!out || !out->Open()) {
            // The stored path names the file: the target is unknown or not writable.
            fJob.AddLog(logline::CantRestoreError(header.Path));
            ++engine.ErrorCount;
            return endEntry(target ? Step::StopArchive : Step::NextEntry);
        }
    }

    auto failTarget = [&] {
        fJob.AddLog(logline::CantRestoreError(*target));
        out->Discard();
        return endEntry(Step::NextEntry);
    };

    if (!skipped && Archive.seek(chunkDataStart(Indexed.pos, Entry)) < 0)
        return failTarget();
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
        if (!skipped && !out->File().write(chunk.data->output, len)) {
            ++engine.ErrorCount;
            return failTarget();
        }
    }
    if (skipped)
        return endEntry(Step::NextEntry);
    if (!out->Commit(FileDate)) {
        ++engine.ErrorCount;
        return failTarget();
    }
    fJob.AddLog(fJob.RestoreType().empty() ? logline::RestoredToOriginal(*target)
                                           : logline::RestoredToSelected(*target));
    return endEntry(Step::NextEntry);
}

bool ArchiveReader::MoveTail(int64_t EntryStart, int64_t EntryLength, int64_t Index, int64_t Done) {
    TEngineState& engine = Engine();
    const int64_t tail = fSize - (EntryStart + EntryLength);
    const int64_t blocks = tail / kBlockBytes + 1;
    int64_t readPos = EntryStart + EntryLength;
    int64_t writePos = EntryStart;
    int64_t moved = 0;
    uint8_t* buffer = engine.InputBuffer.get();
    for (int64_t b = 0; b < blocks; ++b) {
        const int64_t n = b + 1 < blocks ? kBlockBytes : tail - b * kBlockBytes;
        if (fArchive.seek(readPos) < 0 || !fArchive.readExact(buffer, n) ||
            fArchive.seek(writePos) < 0 || !fArchive.write(buffer, n))
            return false;
        readPos += n;
        writePos += n;
        moved += n;
        engine.Progress(static_cast<int32_t>(Index), false, tail, moved, Done);
    }
    return true;
}

bool ArchiveReader::Remove(const std::string& Source, int64_t Index, int64_t Done) {
    fArchive = FileHandle::open(fArchiveFile, OpenMode::ReadWrite);
    fSize = fArchive ? fArchive.size() : -1;
    if (fSize < 0)
        return false;
    fPos = 0;
    while (std::optional<ParsedEntry> entry = EntryAtPos()) {
        if (entry->header.Path != Source) {
            fPos += entry->length;
            continue;
        }
        const bool moved =
            fPos + entry->length == fSize || MoveTail(fPos, entry->length, Index, Done);
        if (!moved || fArchive.seek(fSize - entry->length) < 0 || !fArchive.truncate() ||
            !fArchive.flush()) {
            LogDamaged("the entry of " + Source + " could not be cut out", fPos);
            fArchive.close();
            return false;
        }
        fArchive.close();
        return true;
    }
    fArchive.close();
    return false;
}

int64_t ArchiveReader::CompleteLength(const std::string& ArchiveFile,
                                      std::vector<std::string>* Paths) {
    FileHandle archive = FileHandle::open(ArchiveFile, OpenMode::Read);
    const int64_t size = archive ? archive.size() : -1;
    if (size < 0)
        return -1;
    int64_t pos = 0;
    while (pos < size) {
        std::optional<ParsedEntry> entry =
            ReadEntryAt(archive, pos, size, static_cast<int64_t>(kInputBufferSize));
        if (!entry || std::count(entry->chunkLengths.begin(), entry->chunkLengths.end(), 0) > 0)
            return pos;
        if (Paths)
            Paths->push_back(entry->header.Path);
        pos += entry->length;
    }
    return size;
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

int TBackUpJob::CheckEntryPassword(const std::string& Source, const uint8_t* StoredCheckValue) {
    TCheckBytes stored{};
    std::copy(StoredCheckValue, StoredCheckValue + stored.size(), stored.begin());
    PasswordProbe probe(PasswordProbe::KeySizes::AllThree, [stored] { return stored; });
    return probe.Run(Source);
}

} // namespace qm
