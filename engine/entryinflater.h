#pragma once
// Reads the stored chunks of one archive entry ahead of its restore, decrypts them in
// order on the window thread (the entry's cipher stream runs across its chunks) and has
// a ChunkPool inflate them, handing them back one by one in order, with no more chunks
// read ahead of the one waited for than the pool has workers. What the restore gets is
// what reading, decrypting and inflating each chunk in turn would have given it. Borrows the pool,
// the archive (positioned at the entry's first chunk) and the entry; owns the chunks read ahead,
// which are dropped with it.

#include "engine/archiveformat.h"
#include "engine/chunkpool.h"
#include "platform/fileio.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>

namespace qm {

class EntryInflater {
  public:
    // Chunk k: its stored bytes could not be read, or its inflated bytes in
    // data->output (data->outputBytes long; data->result negative when inflating failed).
    struct Chunk {
        bool read = false;
        ChunkHandle data;
    };
    // Decrypts stored bytes in place; empty for an entry that is not encrypted.
    using Decrypt = std::function<void(uint8_t* Bytes, std::size_t Length)>;

    EntryInflater(ChunkPool& Pool, FileHandle& Archive, const ParsedEntry& Entry,
                  Decrypt DecryptChunk);
    EntryInflater(const EntryInflater&) = delete;
    EntryInflater& operator=(const EntryInflater&) = delete;

    // The next chunk, waiting for it if need be.
    Chunk Next();

  private:
    // Reads, decrypts and submits the next chunk; false when there is no room or no
    // chunk left to read. Only a Needed chunk (the one asked for) may go beyond one
    // chunk ahead per worker.
    bool ReadAhead(bool Needed);

    ChunkPool& fPool;
    FileHandle& fArchive;
    const ParsedEntry& fEntry;
    Decrypt fDecrypt;
    uint16_t fNextRead = 0;
    bool fReadFailed = false;
    std::deque<Chunk> fAhead;
};

} // namespace qm
