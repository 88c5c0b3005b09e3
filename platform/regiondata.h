#pragma once
// The stored window outline: a block of region data, all numbers 32-bit little-endian.
//
//   offset size  field
//        0    4  header size, always 32
//        4    4  type, always 1 (rectangles)
//        8    4  rectangle count n
//       12    4  rectangle bytes, n * 16
//       16   16  bounding rectangle (left, top, right, bottom)
//       32 n*16  rectangles (left, top, right, bottom; right and bottom exclusive)
//
// The reader checks every field before it uses one and names what is wrong and where;
// data it refuses gives no outline at all. No Qt here: the tool that writes the
// outlines and the window code share this file.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qm {

struct RegionRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const RegionRect&) const = default;
};

struct RegionData {
    RegionRect bounds;
    std::vector<RegionRect> rects;
};

namespace regionlayout {
constexpr size_t kHeaderSize = 32;
constexpr size_t kHeaderSizeOffset = 0;
constexpr size_t kTypeOffset = 4;
constexpr size_t kCountOffset = 8;
constexpr size_t kRectBytesOffset = 12;
constexpr size_t kBoundsOffset = 16;
constexpr size_t kRectSize = 16;
constexpr uint32_t kTypeRectangles = 1;
// Far more than any window needs (one rectangle per pixel row of a tall window).
constexpr uint32_t kMaxRects = 65536;
// Coordinates beyond this are no window outline.
constexpr int32_t kMaxCoordinate = 32767;
static_assert(kBoundsOffset + kRectSize == kHeaderSize);
} // namespace regionlayout

struct RegionParseResult {
    std::optional<RegionData> data;
    std::string error; // empty on success
};

RegionParseResult parseRegionData(std::span<const uint8_t> bytes);
std::vector<uint8_t> writeRegionData(const RegionData& data);

} // namespace qm
