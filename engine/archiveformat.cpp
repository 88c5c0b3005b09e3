#include "engine/archiveformat.h"

#include "engine/littleendian.h"

#include <algorithm>

namespace qm {

namespace A = ArchiveLayout;

namespace {

template <typename T>
std::optional<T> Fail(ArchiveFormatError* error, std::string what, int64_t offset) {
    if (error)
        *error = ArchiveFormatError{std::move(what), offset};
    return std::nullopt;
}

} // namespace

std::optional<uint16_t> ChunkCountFor(int64_t size) {
    if (size < 0)
        return std::nullopt;
    int64_t count = size / A::kChunkPlainBytes + 1;
    if (count > static_cast<int64_t>(A::kMaxChunkCount))
        return std::nullopt;
    return static_cast<uint16_t>(count);
}

int64_t ChunkPlainLength(int64_t size, uint16_t index) {
    int64_t start = static_cast<int64_t>(index) * A::kChunkPlainBytes;
    if (start >= size)
        return 0;
    return std::min(A::kChunkPlainBytes, size - start);
}

ArchiveHeaderBytes SerializeEntryHeader(const ArchiveEntryHeader& header) {
    ArchiveHeaderBytes bytes{};
    size_t length = std::min(header.Path.size(), A::kMaxPathLength);
    bytes[A::kPathField] = static_cast<uint8_t>(length);
    std::copy_n(header.Path.begin(), length, bytes.begin() + A::kPathField + 1);
    le::storeU64(bytes.data() + A::kSize, static_cast<uint64_t>(header.Size));
    std::copy(header.CheckValue.begin(), header.CheckValue.end(), bytes.begin() + A::kCheckValue);
    le::storeU16(bytes.data() + A::kChunkCount, header.ChunkCount);
    return bytes;
}

std::vector<uint8_t> SerializeChunkTable(const std::vector<int32_t>& table) {
    std::vector<uint8_t> bytes(table.size() * A::kChunkLengthSize);
    for (size_t i = 0; i < table.size(); ++i)
        le::storeU32(bytes.data() + i * A::kChunkLengthSize, static_cast<uint32_t>(table[i]));
    return bytes;
}

std::optional<ArchiveEntryHeader> ParseEntryHeader(const uint8_t* data, size_t available,
                                                   ArchiveFormatError* error) {
    if (available < A::kHeaderSize)
        return Fail<ArchiveEntryHeader>(error, "entry header is cut short", 0);
    uint8_t pathLength = data[A::kPathField];
    if (pathLength > A::kMaxPathLength)
        return Fail<ArchiveEntryHeader>(error, "entry path is longer than its field",
                                        A::kPathField);
    ArchiveEntryHeader header;
    header.Path.assign(reinterpret_cast<const char*>(data + A::kPathField + 1), pathLength);
    header.Size = static_cast<int64_t>(le::loadU64(data + A::kSize));
    std::copy_n(data + A::kCheckValue, A::kCheckValueSize, header.CheckValue.begin());
    header.ChunkCount = le::loadU16(data + A::kChunkCount);
    std::optional<uint16_t> expected = ChunkCountFor(header.Size);
    if (!expected)
        return Fail<ArchiveEntryHeader>(error, "entry size is out of range", A::kSize);
    if (*expected != header.ChunkCount)
        return Fail<ArchiveEntryHeader>(error, "entry chunk count does not match its size",
                                        A::kChunkCount);
    return header;
}

std::optional<std::vector<int32_t>> ParseChunkTable(const uint8_t* data, size_t available,
                                                    uint16_t count, int64_t maxChunkBytes,
                                                    ArchiveFormatError* error) {
    size_t tableBytes = static_cast<size_t>(count) * A::kChunkLengthSize;
    if (available < tableBytes)
        return Fail<std::vector<int32_t>>(error, "chunk table is cut short", 0);
    std::vector<int32_t> table(count);
    for (size_t i = 0; i < count; ++i) {
        int32_t length = static_cast<int32_t>(le::loadU32(data + i * A::kChunkLengthSize));
        if (length < 0 || length > maxChunkBytes)
            return Fail<std::vector<int32_t>>(error, "chunk length is out of range",
                                              static_cast<int64_t>(i * A::kChunkLengthSize));
        table[i] = length;
    }
    return table;
}

std::optional<int64_t> EntryLength(const std::vector<int32_t>& chunkLengths,
                                   int64_t bytesToArchiveEnd, ArchiveFormatError* error) {
    if (chunkLengths.size() > A::kMaxChunkCount)
        return Fail<int64_t>(error, "chunk table is too long", A::kChunkCount);
    int64_t length = EntryPrefixLength(static_cast<uint16_t>(chunkLengths.size()));
    for (int32_t chunk : chunkLengths)
        length += chunk; // at most 65535 * 2^31: no overflow in 64 bits
    if (length > bytesToArchiveEnd)
        return Fail<int64_t>(error, "entry runs past the end of the archive", 0);
    return length;
}

std::optional<ParsedEntry> ReadEntryAt(FileHandle& archive, int64_t pos, int64_t archiveSize,
                                       int64_t maxChunkBytes, ArchiveFormatError* error) {
    int64_t remaining = archiveSize - pos;
    if (pos < 0 || remaining < static_cast<int64_t>(A::kHeaderSize))
        return Fail<ParsedEntry>(error, "entry header is cut short", pos);
    ArchiveHeaderBytes headerBytes;
    if (archive.seek(pos) != pos || !archive.readExact(headerBytes.data(), A::kHeaderSize))
        return Fail<ParsedEntry>(error, "entry header cannot be read", pos);
    ParsedEntry entry;
    std::optional<ArchiveEntryHeader> header =
        ParseEntryHeader(headerBytes.data(), headerBytes.size(), error);
    if (!header) {
        if (error)
            error->offset += pos;
        return std::nullopt;
    }
    entry.header = *header;
    int64_t tableBytes = EntryPrefixLength(header->ChunkCount) - A::kHeaderSize;
    if (remaining - static_cast<int64_t>(A::kHeaderSize) < tableBytes)
        return Fail<ParsedEntry>(error, "chunk table is cut short", pos + A::kChunkTable);
    std::vector<uint8_t> tableData(static_cast<size_t>(tableBytes));
    if (!archive.readExact(tableData.data(), tableBytes))
        return Fail<ParsedEntry>(error, "chunk table cannot be read", pos + A::kChunkTable);
    std::optional<std::vector<int32_t>> table = ParseChunkTable(
        tableData.data(), tableData.size(), header->ChunkCount, maxChunkBytes, error);
    if (!table) {
        if (error)
            error->offset += pos + A::kChunkTable;
        return std::nullopt;
    }
    entry.chunkLengths = std::move(*table);
    std::optional<int64_t> length = EntryLength(entry.chunkLengths, remaining, error);
    if (!length) {
        if (error)
            error->offset += pos;
        return std::nullopt;
    }
    entry.length = *length;
    return entry;
}

} // namespace qm
