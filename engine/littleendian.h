#pragma once
// Little-endian loads and stores for the on-disk formats (the engine's and the activity
// record's); the format files use these and nothing else to touch multi-byte fields.

#include <cstdint>
#include <cstring>

namespace qm::le {

inline void storeU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void storeU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void storeU64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline uint16_t loadU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t loadU32(const uint8_t* p) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

inline uint64_t loadU64(const uint8_t* p) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

inline void storeDouble(uint8_t* p, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof(bits));
    storeU64(p, bits);
}

inline double loadDouble(const uint8_t* p) {
    uint64_t bits = loadU64(p);
    double v;
    std::memcpy(&v, &bits, sizeof(v));
    return v;
}

} // namespace qm::le
