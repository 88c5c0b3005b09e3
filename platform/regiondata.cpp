#include "platform/regiondata.h"

namespace qm {

namespace {

using namespace regionlayout;

uint32_t readU32(std::span<const uint8_t> bytes, size_t offset) {
    return uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8 |
           uint32_t(bytes[offset + 2]) << 16 | uint32_t(bytes[offset + 3]) << 24;
}

RegionRect readRect(std::span<const uint8_t> bytes, size_t offset) {
    return {int32_t(readU32(bytes, offset)), int32_t(readU32(bytes, offset + 4)),
            int32_t(readU32(bytes, offset + 8)), int32_t(readU32(bytes, offset + 12))};
}

void putU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(uint8_t(value >> shift));
}

void putRect(std::vector<uint8_t>& out, const RegionRect& rect) {
    putU32(out, uint32_t(rect.left));
    putU32(out, uint32_t(rect.top));
    putU32(out, uint32_t(rect.right));
    putU32(out, uint32_t(rect.bottom));
}

bool coordinateSane(int32_t value) {
    return value >= -kMaxCoordinate && value <= kMaxCoordinate;
}

std::string checkBounds(const RegionRect& b) {
    if (!coordinateSane(b.left) || !coordinateSane(b.top) || !coordinateSane(b.right) ||
        !coordinateSane(b.bottom))
        return "the bounding rectangle lies outside any screen";
    if (b.left >= b.right || b.top >= b.bottom)
        return "the bounding rectangle is empty";
    return {};
}

std::string checkRect(const RegionRect& r, const RegionRect& b, size_t index, size_t offset) {
    std::string where = "rectangle " + std::to_string(index) + " at byte " + std::to_string(offset);
    if (r.left >= r.right || r.top >= r.bottom)
        return where + " is empty";
    if (r.left < b.left || r.top < b.top || r.right > b.right || r.bottom > b.bottom)
        return where + " lies outside the bounding rectangle";
    return {};
}

RegionParseResult failure(std::string error) {
    return {std::nullopt, std::move(error)};
}

} // namespace

RegionParseResult parseRegionData(std::span<const uint8_t> bytes) {
    if (bytes.size() < kHeaderSize)
        return failure("the data is shorter than its 32-byte header (" +
                       std::to_string(bytes.size()) + " bytes)");
    if (readU32(bytes, kHeaderSizeOffset) != kHeaderSize)
        return failure("the header size at byte 0 is not 32");
    if (readU32(bytes, kTypeOffset) != kTypeRectangles)
        return failure("the type at byte 4 is not 1 (rectangles)");
    const uint32_t count = readU32(bytes, kCountOffset);
    if (count == 0 || count > kMaxRects)
        return failure("the rectangle count at byte 8 (" + std::to_string(count) +
                       ") is out of range");
    const size_t rectBytes = size_t(count) * kRectSize;
    if (readU32(bytes, kRectBytesOffset) != rectBytes)
        return failure("the rectangle bytes at byte 12 do not match the count");
    if (bytes.size() != kHeaderSize + rectBytes)
        return failure("the data holds " + std::to_string(bytes.size()) + " bytes, the header " +
                       "announces " + std::to_string(kHeaderSize + rectBytes));
    RegionData data;
    data.bounds = readRect(bytes, kBoundsOffset);
    if (std::string error = checkBounds(data.bounds); !error.empty())
        return failure(error);
    data.rects.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const size_t offset = kHeaderSize + i * kRectSize;
        RegionRect rect = readRect(bytes, offset);
        if (std::string error = checkRect(rect, data.bounds, i, offset); !error.empty())
            return failure(error);
        data.rects.push_back(rect);
    }
    return {std::move(data), {}};
}

std::vector<uint8_t> writeRegionData(const RegionData& data) {
    std::vector<uint8_t> out;
    out.reserve(kHeaderSize + data.rects.size() * kRectSize);
    putU32(out, kHeaderSize);
    putU32(out, kTypeRectangles);
    putU32(out, uint32_t(data.rects.size()));
    putU32(out, uint32_t(data.rects.size() * kRectSize));
    putRect(out, data.bounds);
    for (const RegionRect& rect : data.rects)
        putRect(out, rect);
    return out;
}

} // namespace qm
