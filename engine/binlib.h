#pragma once

// Two bit routines shared by the ciphers: a 32-bit rotation and an in-place
// XOR of two byte buffers. Plain functions; they own nothing.

#include <cstdint>

namespace qm {

// Rotates Value left by Count mod 32 bits.
constexpr std::uint32_t Rol32(std::uint32_t Value, unsigned Count) {
    Count &= 31u;
    if (Count == 0)
        return Value;
    return (Value << Count) | (Value >> (32u - Count));
}

// Dest[i] ^= Src[i] for i in [0, Count); nothing for Count <= 0.
void XorBuffer(std::uint8_t* Dest, const std::uint8_t* Src, long Count);

} // namespace qm
