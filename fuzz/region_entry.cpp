// Fuzz body for the stored window outline: the input is a block of region data. The
// reader either refuses it with a reason or returns an outline whose every rectangle
// lies in the bounds, and which the writer gives back byte for byte.

#include "fuzz/fuzzentries.h"

#include "fuzz/fuzzsandbox.h"
#include "platform/regiondata.h"

#include <span>
#include <vector>

namespace qm::fuzz {

int FuzzRegion(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    RegionParseResult result = parseRegionData(bytes);
    Require(result.data.has_value() == result.error.empty(),
            "an outline is refused with a reason or accepted without one");
    if (!result.data)
        return 0;
    const RegionRect& b = result.data->bounds;
    for (const RegionRect& r : result.data->rects)
        Require(r.left >= b.left && r.top >= b.top && r.right <= b.right && r.bottom <= b.bottom &&
                    r.left < r.right && r.top < r.bottom,
                "an accepted rectangle is non-empty and inside the bounds");
    const std::vector<uint8_t> written = writeRegionData(*result.data);
    Require(written == std::vector<uint8_t>(bytes.begin(), bytes.end()),
            "an accepted outline is written back byte for byte");
    return 0;
}

} // namespace qm::fuzz
