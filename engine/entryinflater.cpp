#include "engine/entryinflater.h"

namespace qm {

EntryInflater::EntryInflater(ChunkPool& Pool, FileHandle& Archive, const ParsedEntry& Entry,
                             Decrypt DecryptChunk)
    : fPool(Pool), fArchive(Archive), fEntry(Entry), fDecrypt(std::move(DecryptChunk)) {}

bool EntryInflater::ReadAhead(bool Needed) {
    // Nothing is read past a chunk whose bytes could not be read: the restore stops there.
    // One chunk ahead per worker keeps them all busy; more would only be read earlier.
    if (fReadFailed || fNextRead >= fEntry.header.ChunkCount ||
        (!Needed && fAhead.size() >= static_cast<size_t>(fPool.Workers())))
        return false;
    const int64_t stored = fEntry.chunkLengths[fNextRead];
    const int64_t plain = ChunkPlainLength(fEntry.header.Size, fNextRead);
    if (!fPool.HasRoom(stored, plain))
        return false;
    ++fNextRead;
    Chunk chunk;
    chunk.data = fPool.NewChunk(PoolChunk::Work::Inflate, stored, plain);
    chunk.data->inputBytes = stored;
    chunk.read = fArchive.readExact(chunk.data->input, stored);
    if (!chunk.read) {
        fReadFailed = true;
        chunk.data.reset();
        fAhead.push_back(std::move(chunk));
        return true;
    }
    if (fDecrypt)
        fDecrypt(chunk.data->input, static_cast<std::size_t>(stored));
    fPool.Submit(*chunk.data);
    fAhead.push_back(std::move(chunk));
    return true;
}

EntryInflater::Chunk EntryInflater::Next() {
    if (fAhead.empty())
        ReadAhead(true);
    if (fAhead.empty())
        return Chunk{};
    Chunk chunk = std::move(fAhead.front());
    fAhead.pop_front();
    if (chunk.data)
        fPool.Await(*chunk.data, [this] { return ReadAhead(false); });
    return chunk;
}

} // namespace qm
