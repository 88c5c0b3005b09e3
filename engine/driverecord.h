#pragma once
// One record of the media catalogue "drive.lst": where a backed-up source file lives on
// the media, its date and size at backup and how it was stored. The layout table below
// is the only place that knows the byte positions; the catalogue reader and writer both
// go through SerializeDriveListRecord / ParseDriveListRecord.

#include "platform/datetime.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace qm {

// Byte layout of the catalogue file and of one record (all numbers little-endian).
namespace DriveListLayout {
// File: a signed 32-bit record count, then the records back to back.
inline constexpr std::size_t kCountOffset = 0;
inline constexpr std::size_t kCountSize = 4;
inline constexpr std::size_t kFirstRecord = kCountOffset + kCountSize;

// Record: two length-prefixed texts (one length byte, up to 255 bytes of text).
inline constexpr std::size_t kTextFieldSize = 256;
inline constexpr std::size_t kMaxTextLength = kTextFieldSize - 1;
inline constexpr std::size_t kSourcePath = 0;
inline constexpr std::size_t kMediaPath = kSourcePath + kTextFieldSize;
inline constexpr std::size_t kDate = kMediaPath + kTextFieldSize; // IEEE double
inline constexpr std::size_t kSize = kDate + 8;                   // signed 64-bit
inline constexpr std::size_t kCompression = kSize + 8;            // 0 or 1
inline constexpr std::size_t kEncryption = kCompression + 1;      // 0 or 1
inline constexpr std::size_t kInArchive = kEncryption + 1;        // 0 or 1
inline constexpr std::size_t kRevision = kInArchive + 1;          // unsigned 8-bit
inline constexpr std::size_t kReserved = kRevision + 1;           // 4 bytes, written 0
inline constexpr std::size_t kReservedSize = 4;
inline constexpr std::size_t kRecordSize = kReserved + kReservedSize;

static_assert(kMediaPath == 256);
static_assert(kDate == 512);
static_assert(kSize == 520);
static_assert(kCompression == 528);
static_assert(kEncryption == 529);
static_assert(kInArchive == 530);
static_assert(kRevision == 531);
static_assert(kReserved == 532);
static_assert(kRecordSize == 536);

// Offset of record i in the file.
constexpr int64_t recordOffset(int64_t index) {
    return static_cast<int64_t>(kFirstRecord) + index * static_cast<int64_t>(kRecordSize);
}
} // namespace DriveListLayout

// The size the catalogue stores for a source whose size could not be read.
inline constexpr int64_t kUnreadableSourceSize = 4294967295LL;
// A stored size within one of that value marks a file that was unreadable when its
// record was written.
constexpr bool IsUnreadableSourceSize(int64_t size) {
    return size >= kUnreadableSourceSize - 1 && size <= kUnreadableSourceSize + 1;
}

struct DriveListRecord {
    std::string SourcePath; // at most 255 bytes are stored
    std::string MediaPath;  // at most 255 bytes are stored
    TDateTime Date = 0;
    int64_t Size = 0;
    uint8_t Compression = 0;
    uint8_t Encryption = 0;
    uint8_t InArchive = 0;
    uint8_t Revision = 0;
};

using DriveListRecordBytes = std::array<uint8_t, DriveListLayout::kRecordSize>;

// Texts longer than 255 bytes are cut; bytes beyond a text's length and the reserved
// bytes are written as zeros.
DriveListRecordBytes SerializeDriveListRecord(const DriveListRecord& record);
// Reads a record from exactly kRecordSize bytes (a length byte can never exceed its
// field, so every 536-byte block is a readable record).
DriveListRecord ParseDriveListRecord(const DriveListRecordBytes& bytes);

// The signed 32-bit record count at the start of the catalogue.
std::array<uint8_t, DriveListLayout::kCountSize> SerializeDriveListCount(int32_t count);
int32_t ParseDriveListCount(const std::array<uint8_t, DriveListLayout::kCountSize>& bytes);

} // namespace qm
