#pragma once
// The ".bpa" archive entry: a fixed header, a table of stored chunk lengths and the
// chunks. An archive is its entries back to back from offset 0, with no file header,
// index or trailer. The layout table is the only place that knows the byte positions;
// the archive writer and the archive reader both serialise and parse through here, and
// the parsers check every length and count against the bytes that remain.

#include "platform/fileio.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qm {

namespace ArchiveLayout {
// Header ("ArchiveEntryHeader"), all numbers little-endian.
inline constexpr std::size_t kPathField = 0; // length byte + up to 250 bytes
inline constexpr std::size_t kPathFieldSize = 251;
inline constexpr std::size_t kMaxPathLength = kPathFieldSize - 1;
inline constexpr std::size_t kSize = kPathField + kPathFieldSize; // signed 64-bit
inline constexpr std::size_t kCheckValue = kSize + 8;             // 8 bytes
inline constexpr std::size_t kCheckValueSize = 8;
inline constexpr std::size_t kChunkCount = kCheckValue + kCheckValueSize; // unsigned 16-bit
inline constexpr std::size_t kHeaderSize = kChunkCount + 2;
// Chunk table: one signed 32-bit stored length per chunk, right after the header.
inline constexpr std::size_t kChunkTable = kHeaderSize;
inline constexpr std::size_t kChunkLengthSize = 4;

static_assert(kSize == 251);
static_assert(kCheckValue == 259);
static_assert(kChunkCount == 267);
static_assert(kHeaderSize == 269);

// Source bytes per chunk; every chunk but the last holds exactly this many.
inline constexpr int64_t kChunkPlainBytes = 8388608;
inline constexpr uint32_t kMaxChunkCount = 0xFFFF;
} // namespace ArchiveLayout

struct ArchiveEntryHeader {
    std::string Path; // at most 250 bytes are stored
    int64_t Size = 0;
    std::array<uint8_t, ArchiveLayout::kCheckValueSize> CheckValue{};
    uint16_t ChunkCount = 0;
};

using ArchiveHeaderBytes = std::array<uint8_t, ArchiveLayout::kHeaderSize>;

// Number of chunks of a source of `size` bytes (size div 8 MiB + 1); none when the
// count does not fit the 16-bit field or the size is negative.
std::optional<uint16_t> ChunkCountFor(int64_t size);
// Source bytes held by chunk `index` of an entry of `size` bytes.
int64_t ChunkPlainLength(int64_t size, uint16_t index);

// The path is cut to 250 bytes; bytes beyond its length are written as zeros.
ArchiveHeaderBytes SerializeEntryHeader(const ArchiveEntryHeader& header);
// Little-endian 32-bit lengths, table.size() * 4 bytes.
std::vector<uint8_t> SerializeChunkTable(const std::vector<int32_t>& table);

// What a parser found wrong; `what` is a sentence for the log, `offset` the position
// within the archive (the caller adds the entry start).
struct ArchiveFormatError {
    std::string what;
    int64_t offset = 0;
};

struct ParsedEntry {
    ArchiveEntryHeader header;
    std::vector<int32_t> chunkLengths;
    int64_t length = 0; // header + table + chunks
};

// Parses the header from `available` bytes at `data`. Fails when fewer than 269 bytes
// are there, the size is negative, or the chunk count is not the one the size implies.
std::optional<ArchiveEntryHeader> ParseEntryHeader(const uint8_t* data, std::size_t available,
                                                   ArchiveFormatError* error = nullptr);
// Parses `count` stored lengths. Fails when the table does not fit `available` bytes or
// a length is negative or above `maxChunkBytes`.
std::optional<std::vector<int32_t>> ParseChunkTable(const uint8_t* data, std::size_t available,
                                                    uint16_t count, int64_t maxChunkBytes,
                                                    ArchiveFormatError* error = nullptr);
// The whole entry's length; fails when it would run past `bytesToArchiveEnd`, the bytes
// from the entry's start to the end of the archive.
std::optional<int64_t> EntryLength(const std::vector<int32_t>& chunkLengths,
                                   int64_t bytesToArchiveEnd, ArchiveFormatError* error = nullptr);
// Length of the header plus a table of `count` lengths.
constexpr int64_t EntryPrefixLength(uint16_t count) {
    return static_cast<int64_t>(ArchiveLayout::kHeaderSize) +
           static_cast<int64_t>(count) * static_cast<int64_t>(ArchiveLayout::kChunkLengthSize);
}

// Reads and checks the header and chunk table of the entry at `pos` of an archive of
// `archiveSize` bytes, leaving the file position undefined. Fails (with the reason and
// the archive offset) on a short read or anything the parsers above refuse, so a walk
// over a damaged archive stops instead of reading past its end.
std::optional<ParsedEntry> ReadEntryAt(FileHandle& archive, int64_t pos, int64_t archiveSize,
                                       int64_t maxChunkBytes, ArchiveFormatError* error = nullptr);

} // namespace qm
