#include "engine/driverecord.h"

#include "engine/littleendian.h"

#include <algorithm>

namespace qm {

namespace L = DriveListLayout;

namespace {

void StoreText(uint8_t* field, const std::string& text) {
    size_t length = std::min(text.size(), L::kMaxTextLength);
    field[0] = static_cast<uint8_t>(length);
    std::copy_n(text.begin(), length, field + 1);
}

std::string LoadText(const uint8_t* field) {
    return std::string(reinterpret_cast<const char*>(field + 1), field[0]);
}

} // namespace

DriveListRecordBytes SerializeDriveListRecord(const DriveListRecord& record) {
    DriveListRecordBytes bytes{};
    StoreText(bytes.data() + L::kSourcePath, record.SourcePath);
    StoreText(bytes.data() + L::kMediaPath, record.MediaPath);
    le::storeDouble(bytes.data() + L::kDate, record.Date);
    le::storeU64(bytes.data() + L::kSize, static_cast<uint64_t>(record.Size));
    bytes[L::kCompression] = record.Compression;
    bytes[L::kEncryption] = record.Encryption;
    bytes[L::kInArchive] = record.InArchive;
    bytes[L::kRevision] = record.Revision;
    return bytes;
}

DriveListRecord ParseDriveListRecord(const DriveListRecordBytes& bytes) {
    DriveListRecord record;
    record.SourcePath = LoadText(bytes.data() + L::kSourcePath);
    record.MediaPath = LoadText(bytes.data() + L::kMediaPath);
    record.Date = le::loadDouble(bytes.data() + L::kDate);
    record.Size = static_cast<int64_t>(le::loadU64(bytes.data() + L::kSize));
    record.Compression = bytes[L::kCompression];
    record.Encryption = bytes[L::kEncryption];
    record.InArchive = bytes[L::kInArchive];
    record.Revision = bytes[L::kRevision];
    return record;
}

std::array<uint8_t, L::kCountSize> SerializeDriveListCount(int32_t count) {
    std::array<uint8_t, L::kCountSize> bytes{};
    le::storeU32(bytes.data(), static_cast<uint32_t>(count));
    return bytes;
}

int32_t ParseDriveListCount(const std::array<uint8_t, L::kCountSize>& bytes) {
    return static_cast<int32_t>(le::loadU32(bytes.data()));
}

} // namespace qm
