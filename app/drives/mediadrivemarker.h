#pragma once
// The marker "drives.dat" in a drive's Quillmoor folder that makes the drive a media
// drive. Only its size counts (exactly 24 bytes); its content is written for the record
// and never read. The layout table below is the only place that knows the byte
// positions.

#include "platform/datetime.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qm {

namespace MediaMarkerLayout {
inline constexpr std::size_t kRootLength = 0; // one byte: length of the root text
inline constexpr std::size_t kRoot = 1;       // the root "X:\", cut to 3 bytes
inline constexpr std::size_t kRootSize = 3;
inline constexpr std::size_t kReserved1 = kRoot + kRootSize; // 4 bytes, zero
inline constexpr std::size_t kReserved1Size = 4;
inline constexpr std::size_t kMarkedAt = kReserved1 + kReserved1Size; // IEEE double
inline constexpr std::size_t kMarkedAtSize = 8;
inline constexpr std::size_t kReserved2 = kMarkedAt + kMarkedAtSize; // 8 bytes, zero
inline constexpr std::size_t kReserved2Size = 8;
inline constexpr std::size_t kMarkerSize = kReserved2 + kReserved2Size;

static_assert(kRoot == 1);
static_assert(kReserved1 == 4);
static_assert(kMarkedAt == 8);
static_assert(kReserved2 == 16);
static_assert(kMarkerSize == 24);
} // namespace MediaMarkerLayout

// "drives.dat", the marker's name inside the media folder.
inline constexpr std::string_view kMediaMarkerName = "drives.dat";

using MediaMarkerBytes = std::array<uint8_t, MediaMarkerLayout::kMarkerSize>;

// The marker for drive `root` ("E:\") set at `markedAt`.
MediaMarkerBytes SerializeMediaMarker(std::string_view root, TDateTime markedAt);

} // namespace qm
