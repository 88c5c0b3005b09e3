#include "app/drives/mediadrivemarker.h"

#include <algorithm>
#include <cstring>

namespace qm {

MediaMarkerBytes SerializeMediaMarker(std::string_view root, TDateTime markedAt) {
    namespace L = MediaMarkerLayout;
    MediaMarkerBytes bytes{};
    const std::size_t length = std::min(root.size(), L::kRootSize);
    bytes[L::kRootLength] = static_cast<uint8_t>(length);
    std::memcpy(bytes.data() + L::kRoot, root.data(), length);
    uint64_t bits = 0;
    std::memcpy(&bits, &markedAt, sizeof(bits));
    for (std::size_t i = 0; i < L::kMarkedAtSize; ++i)
        bytes[L::kMarkedAt + i] = static_cast<uint8_t>(bits >> (8 * i));
    return bytes;
}

} // namespace qm
