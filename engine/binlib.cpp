#include "engine/binlib.h"

#include <cstring>

namespace qm {

void XorBuffer(std::uint8_t* Dest, const std::uint8_t* Src, long Count) {
    long i = 0;
    for (; i + 8 <= Count; i += 8) {
        std::uint64_t a;
        std::uint64_t b;
        std::memcpy(&a, Dest + i, 8);
        std::memcpy(&b, Src + i, 8);
        a ^= b;
        std::memcpy(Dest + i, &a, 8);
    }
    for (; i < Count; ++i)
        Dest[i] ^= Src[i];
}

} // namespace qm
