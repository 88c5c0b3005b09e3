#pragma once
// Reads the sources of an archive backup ahead of the archive writer, in the writer's
// order, and has their chunks deflated by a ChunkPool while the writer is still busy
// with earlier files. The writer asks for each source in turn and takes back its size
// and then its chunks, one by one and in order; what it gets is what opening, reading
// and deflating each file in turn would have given it, so entries, log lines and
// progress stay the same whatever the number of workers.
//
// Everything here runs on the window thread: only the deflating happens on workers.
// The feed owns its pool, the source being read and the chunks read ahead; dropping it
// drops them (a cancel).

#include "engine/chunkpool.h"
#include "platform/fileio.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qm {

class DeflateFeed {
  public:
    // A source: its line in the job's list and its path.
    using Source = std::pair<size_t, std::string>;

    // One chunk of the current source: ok and its stream in chunk->output
    // (chunk->outputBytes long), or failed to read, or failed to deflate (a negative
    // zlib code in chunk->result).
    struct Chunk {
        bool read = false;
        ChunkHandle data;
    };

    // The key the run's entries are encrypted under. Each source then gets its own
    // EntryCipher, and the workers encrypt its chunks in order, with its check value
    // first, right after deflating them; the writer keeps them when the entry's check
    // value came out as its own (the run's key did not change since they were read).
    struct EntryKey {
        std::array<uint8_t, 32> bytes{};
        int bits = 0;
    };

    // Sources in the order the writer will ask for them; Level is the deflate level of
    // every chunk. The workers follow Engine().WorkerLimit and Engine().Library.
    DeflateFeed(std::vector<Source> Sources, int Level, std::optional<EntryKey> Key);
    ~DeflateFeed();
    DeflateFeed(const DeflateFeed&) = delete;
    DeflateFeed& operator=(const DeflateFeed&) = delete;

    // Moves on to the source of Line, dropping whatever was read of earlier ones, and
    // returns its size, or none when it cannot be opened. A source the feed was not
    // built with (or has passed) is read from here on as if it had been.
    std::optional<int64_t> Begin(size_t Line, const std::string& Path);
    // The next chunk of the current source, waiting for it if need be.
    Chunk Next();
    // The date and size of the source of Line as they were before the feed read a byte
    // of it (as they are now when it has not opened it yet): what the record of its
    // backup describes, so that a change while it is read counts as newer.
    struct SourceState {
        std::optional<uint32_t> date;
        int64_t size = -1;
    };
    SourceState StateBeforeReading(size_t Line, const std::string& Path) const;
    // Drops what is left of the current source (after a failed chunk).
    void EndSource();

  private:
    struct Item {
        size_t source = 0;            // index in fSources
        bool start = false;           // the source's opening; else one of its chunks
        int64_t size = -1;            // start: the size, -1 when it cannot be opened
        std::optional<uint32_t> date; // start: the date when opened
        Chunk chunk;
    };

    // Reads one step ahead: opens the next source or reads and submits its next chunk.
    // False when there is no room or nothing left to read.
    bool ReadAhead();
    void OpenNextSource();
    void Restart(size_t Line, const std::string& Path);

    ChunkPool fPool;
    const int fLevel;
    const std::optional<EntryKey> fKey;
    std::vector<Source> fSources;
    size_t fNextSource = 0;
    // The source being read ahead.
    FileHandle fReading;
    size_t fReadingSource = 0;
    int64_t fReadingSize = 0;
    uint16_t fReadingChunks = 0;
    uint16_t fNextChunk = 0;
    std::shared_ptr<EntryCipher> fReadingCipher; // when the run encrypts
    std::deque<Item> fItems;
    size_t fCurrentSource = 0;
};

} // namespace qm
