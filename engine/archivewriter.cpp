#include "engine/archivewriter.h"

#include "engine/backupjob.h"
#include "engine/compression.h"
#include "engine/copytree.h"
#include "engine/enginestate.h"
#include "engine/logline.h"

namespace qm {

namespace A = ArchiveLayout;

namespace {

// The header and chunk table, written in one piece.
std::vector<uint8_t> EntryPrefix(const ArchiveEntryHeader& header,
                                 const std::vector<int32_t>& table) {
    const ArchiveHeaderBytes headerBytes = SerializeEntryHeader(header);
    std::vector<uint8_t> prefix(headerBytes.begin(), headerBytes.end());
    const std::vector<uint8_t> tableBytes = SerializeChunkTable(table);
    prefix.insert(prefix.end(), tableBytes.begin(), tableBytes.end());
    return prefix;
}

} // namespace

ArchiveWriter::ArchiveWriter(TBackUpJob& job, const std::string& archivePath, DeflateFeed& feed)
    : fJob(job), fFeed(feed), fPath(archivePath), fArchive(FileHandle::create(archivePath)) {}

void ArchiveWriter::LimitAccess(const std::string& sourcePath) {
    // An archive is never readable by more people than any file in it: its first file's
    // bits (archives are not programs), narrowed by every further file. A file that
    // cannot be looked at leaves the archive to its owner. Failures (media that keep no
    // permissions) fail nothing.
    const std::optional<FileAccess> source = fileAccess(sourcePath);
    if (!source)
        fArchive.narrowAccessTo(FileAccess{0600, 0, 0});
    else if (fAccessSet)
        fArchive.narrowAccessTo(*source);
    else
        fArchive.shareAccessOf(*source, 0666);
    fAccessSet = true;
}

ArchiveWriter::Outcome ArchiveWriter::Fail(const std::string& line) {
    fJob.AddLog(line);
    ++Engine().ErrorCount;
    return Outcome::Failed;
}

ArchiveWriter::Outcome ArchiveWriter::WriteEntry(size_t line, const std::string& sourcePath,
                                                 uint8_t revision) {
    TEngineState& engine = Engine();
    if (sourcePath.empty())
        return Outcome::Skipped;
    const int64_t size = fFeed.Begin(line, sourcePath).value_or(-1);
    if (size < 0)
        return Fail(logline::CantOpenFile(sourcePath));
    std::optional<uint16_t> chunkCount = ChunkCountFor(size);
    if (!chunkCount)
        return Fail(logline::TooLargeForArchive(sourcePath));
    // A broken archive (not creatable, or a write already failed) takes no more entries.
    if (!fArchive)
        return Fail(logline::CanNotAddToArchive(sourcePath));
    LimitAccess(sourcePath);

    // The cipher is set up before anything of the entry is written: an entry that
    // should be encrypted but cannot be must not reach the media readable.
    std::array<uint8_t, A::kCheckValueSize> finalCheck = CheckValue;
    if (engine.ArchiveEncrypted && !StartCipher(finalCheck)) {
        fJob.FreeCipher();
        return Fail(logline::CanNotAddToArchive(sourcePath));
    }

    ArchiveEntryHeader header;
    header.Path = sourcePath.substr(0, A::kMaxPathLength);
    header.Size = size;
    header.CheckValue = CheckValue;
    header.ChunkCount = *chunkCount;
    std::vector<int32_t> table(*chunkCount, 0);
    const int64_t entryStart = fArchive.position();
    fEntryStart = entryStart;
    const std::vector<uint8_t> prefix = EntryPrefix(header, table);
    fArchive.write(prefix.data(), static_cast<int64_t>(prefix.size()));
    engine.Progress(engine.FilesDone, false, size, 0, engine.BytesDone);
    // Until the entry is finished its header holds the plain check value.
    header.CheckValue = finalCheck;

    bool chunkFailed = false;
    bool written = WriteChunks(sourcePath, header, table, chunkFailed);
    if (fCancelled) {
        fJob.FreeCipher();
        return Outcome::Cancelled;
    }
    engine.FileBytesDone = 0;
    written = RewriteHeader(entryStart, header, table) && written;
    if (!written && fBrokenAt < 0)
        fBrokenAt = entryStart;
    fJob.UpdateArchiveRevision(sourcePath, revision);
    fFeed.EndSource();
    if (engine.ArchiveEncrypted)
        fJob.FreeCipher();
    if (chunkFailed)
        return Outcome::Failed; // its line was written and counted with the chunk
    if (!written)
        return Fail(logline::CanNotAddToArchive(sourcePath));
    fJob.AddLog(logline::BackupSuccessful(
        sourcePath, logline::CompressionWord(fJob.Compression(), fJob.CompressionType()),
        logline::EncryptionWord(fJob.Encryption(), engine.KeySize)));
    return Outcome::Written;
}

bool ArchiveWriter::StartCipher(std::array<uint8_t, ArchiveLayout::kCheckValueSize>& check) {
    return fJob.InitCipher() && fJob.ResetCipherIV() && fJob.EncryptCheckValue(check.data());
}

bool ArchiveWriter::WriteChunks(const std::string& sourcePath, ArchiveEntryHeader& header,
                                std::vector<int32_t>& table, bool& chunkFailed) {
    TEngineState& engine = Engine();
    bool streamed = false; // the entry's chunks keep the workers' encryption
    for (uint16_t k = 0; k < header.ChunkCount; ++k) {
        const int64_t length = ChunkPlainLength(header.Size, k);
        // Read (and deflated) ahead; the cancel takes effect as if it had just been read.
        DeflateFeed::Chunk chunk = fFeed.Next();
        if (engine.CancelFlag) {
            fFeed.EndSource();
            fArchive.flush();
            fArchive.close();
            fCancelled = true;
            return false;
        }
        if (!chunk.read || chunk.data->result < 0) {
            // A short read (the file shrank or the disk failed) is counted like a failed
            // compression: the chunk is not stored and the entry is not reported as saved.
            if (!chunk.read)
                ++engine.ErrorCount;
            else
                CompressCheck(chunk.data->result);
            fJob.AddLog(logline::CanNotAddToArchive(sourcePath));
            chunkFailed = true;
            return true;
        }
        uint8_t* packedBytes = chunk.data->output;
        const int64_t packed = chunk.data->outputBytes;
        // The chunks came encrypted from the workers in the entry's cipher stream, under
        // the key the run had when they were read: kept when that is the key the entry
        // started with (its check value came out the same), else made plain again and
        // encrypted here.
        if (k == 0)
            streamed = engine.ArchiveEncrypted && chunk.data->encrypted &&
                       chunk.data->cipher->EncryptedCheck() == header.CheckValue;
        const bool ciphered =
            streamed ? chunk.data->encrypted
                     : chunk.data->Unencrypt() &&
                           (!engine.ArchiveEncrypted ||
                            fJob.EncryptBuffer(packedBytes, static_cast<size_t>(packed)));
        if (!ciphered) {
            ++engine.ErrorCount;
            fJob.AddLog(logline::CanNotAddToArchive(sourcePath));
            chunkFailed = true;
            return true;
        }
        engine.FileBytesDone += length;
        engine.BytesDone += length;
        if (k + 1 == header.ChunkCount)
            ++engine.FilesDone;
        engine.Progress(engine.FilesDone, false, header.Size, engine.FileBytesDone,
                        engine.BytesDone);
        table[k] = static_cast<int32_t>(packed);
        if (!WriteChunkBytes(fArchive, packedBytes, packed))
            return false;
    }
    return true;
}

bool ArchiveWriter::RewriteHeader(int64_t entryStart, const ArchiveEntryHeader& header,
                                  const std::vector<int32_t>& table) {
    const std::vector<uint8_t> prefix = EntryPrefix(header, table);
    return fArchive.writeAt(entryStart, prefix.data(), static_cast<int64_t>(prefix.size()));
}

bool ArchiveWriter::Close() {
    if (!fArchive.isOpen())
        return !fCancelled;
    const bool writeFailed = fArchive.error() != 0;
    // The backup run syncs the media once before the catalogue names the archive.
    if (fArchive.close())
        return true;
    if (!writeFailed || fBrokenAt < 0)
        return false;
    // The entries before the one whose write failed are whole; the rest is cut off so
    // that a walk of the archive meets no half-written entry.
    FileHandle archive = FileHandle::open(fPath, OpenMode::ReadWrite);
    if (archive.seek(fBrokenAt) == fBrokenAt)
        archive.truncate();
    return true;
}

std::unique_ptr<DeflateFeed> TBackUpJob::MakeDeflateFeed(const TStringList& Files, int32_t First,
                                                         int32_t Last, bool Encrypted) {
    TEngineState& engine = Engine();
    std::vector<DeflateFeed::Source> sources;
    for (int32_t i = std::max(First, 0); i <= Last && i < static_cast<int32_t>(Files.size()); ++i) {
        if (!Files[i].empty())
            sources.emplace_back(static_cast<size_t>(i), Files[i]);
    }
    // The key each entry's check value is encrypted under (see EncryptCheckValue).
    std::optional<DeflateFeed::EntryKey> key;
    if (Encrypted) {
        DeflateFeed::EntryKey entryKey;
        entryKey.bits = engine.KeySize;
        if (engine.DeriveKey(engine.RunPassword(), engine.KeySize, entryKey.bytes.data()))
            key = entryKey;
    }
    return std::make_unique<DeflateFeed>(std::move(sources), engine.CompressionLevel, key);
}

bool TBackUpJob::AddToArchive(TStringList& Files, const std::string& ArchiveFileName, int32_t Index,
                              const DriveListRecord& Rec, int64_t* CancelledEntryStart,
                              DeflateFeed* Feed) {
    int32_t first = Index < 0 ? 0 : Index;
    int32_t last = Index < 0 ? static_cast<int32_t>(Files.size()) - 1 : Index;
    if (last >= static_cast<int32_t>(Files.size()))
        last = static_cast<int32_t>(Files.size()) - 1;
    std::unique_ptr<DeflateFeed> ownFeed;
    if (!Feed) {
        ownFeed = MakeDeflateFeed(Files, first, last, Engine().ArchiveEncrypted);
        Feed = ownFeed.get();
    }
    ArchiveWriter writer(*this, ArchiveFileName, *Feed);
    bool allWritten = true;
    for (int32_t i = first; i <= last; ++i) {
        ArchiveWriter::Outcome outcome =
            writer.WriteEntry(static_cast<size_t>(i), Files[i], Rec.Revision);
        if (outcome == ArchiveWriter::Outcome::Cancelled) {
            if (CancelledEntryStart)
                *CancelledEntryStart = writer.CancelledEntryStart();
            return allWritten;
        }
        if (outcome != ArchiveWriter::Outcome::Failed)
            continue;
        // No record for a file whose entry is not complete.
        Files[i].clear();
        allWritten = false;
    }
    // A failed flush at the end loses the entries' tails: none of them may stand.
    if (writer.Close())
        return allWritten;
    for (int32_t i = first; i <= last; ++i) {
        if (Files[i].empty())
            continue;
        AddLog(logline::CanNotAddToArchive(Files[i]));
        ++Engine().ErrorCount;
        Files[i].clear();
    }
    return false;
}

} // namespace qm
