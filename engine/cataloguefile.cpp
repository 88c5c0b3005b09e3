#include "engine/cataloguefile.h"

#include <algorithm>
#include <limits>

namespace qm {

namespace L = DriveListLayout;

std::string CatalogueFile::Shape::problem() const {
    if (sound())
        return {};
    std::string stored = count ? std::to_string(*count) : std::string("missing");
    return "catalogue count " + stored + " does not match its length of " + std::to_string(length) +
           " bytes; read as the " + std::to_string(records) + " whole records it holds.";
}

std::optional<CatalogueFile::Shape> CatalogueFile::Inspect() {
    Shape shape;
    shape.length = fFile.size();
    if (shape.length < 0)
        return std::nullopt;
    if (shape.length >= static_cast<int64_t>(L::kFirstRecord)) {
        std::array<uint8_t, L::kCountSize> bytes;
        if (fFile.seek(L::kCountOffset) != static_cast<int64_t>(L::kCountOffset) ||
            !fFile.readExact(bytes.data(), L::kCountSize))
            return std::nullopt;
        shape.count = ParseDriveListCount(bytes);
    }
    int64_t whole = 0;
    if (shape.length > static_cast<int64_t>(L::kFirstRecord))
        whole = (shape.length - static_cast<int64_t>(L::kFirstRecord)) /
                static_cast<int64_t>(L::kRecordSize);
    shape.records =
        static_cast<int32_t>(std::min<int64_t>(whole, std::numeric_limits<int32_t>::max()));
    return shape;
}

std::optional<DriveListRecordBytes> CatalogueFile::ReadRecord(int32_t index) {
    if (index < 0)
        return std::nullopt;
    int64_t offset = L::recordOffset(index);
    DriveListRecordBytes bytes;
    if (fFile.seek(offset) != offset || !fFile.readExact(bytes.data(), L::kRecordSize))
        return std::nullopt;
    return bytes;
}

bool CatalogueFile::WriteRecord(int32_t index, const DriveListRecordBytes& bytes) {
    if (index < 0)
        return false;
    int64_t offset = L::recordOffset(index);
    if (fFile.seek(offset) != offset)
        return false;
    return fFile.write(bytes.data(), L::kRecordSize);
}

bool CatalogueFile::WriteCount(int32_t count) {
    std::array<uint8_t, L::kCountSize> bytes = SerializeDriveListCount(count);
    if (fFile.seek(L::kCountOffset) != static_cast<int64_t>(L::kCountOffset))
        return false;
    return fFile.write(bytes.data(), L::kCountSize);
}

bool CatalogueFile::RemoveRecord(int32_t index, int32_t count) {
    if (index < 0 || index >= count)
        return false;
    int32_t last = count - 1;
    if (index != last) {
        // The moved record is on the disk before the cut: a power cut between the two
        // leaves it twice (which the next run mends), never lost.
        std::optional<DriveListRecordBytes> moved = ReadRecord(last);
        if (!moved || !WriteRecord(index, *moved) || !fFile.flush())
            return false;
    }
    int64_t newEnd = L::recordOffset(last);
    if (fFile.seek(newEnd) != newEnd || !fFile.truncate())
        return false;
    // Whatever the caller does next (deleting the record's files) relies on the record
    // being gone on the disk.
    return WriteCount(last) && fFile.flush();
}

} // namespace qm
