#pragma once

// Private to TRijndael: the S-box, inverse S-box, round constants and the four
// combined round tables of each direction, built at compile time from the field
// arithmetic. Words are little-endian images of a state column, so byte r of a
// column is bits 8r..8r+7.

#include <array>
#include <cstdint>

namespace qm::rijndael {

struct TTables {
    std::array<std::uint8_t, 256> S{};
    std::array<std::uint8_t, 256> Si{};
    std::array<std::uint8_t, 10> Rcon{};
    std::array<std::array<std::uint32_t, 256>, 4> Te{};
    std::array<std::array<std::uint32_t, 256>, 4> Td{};
};

constexpr std::uint8_t XTime(std::uint8_t x) {
    return static_cast<std::uint8_t>((x << 1) ^ ((x & 0x80) ? 0x1b : 0x00));
}

constexpr std::uint8_t GMul(std::uint8_t a, std::uint8_t b) {
    std::uint8_t p = 0;
    for (int i = 0; i < 8; ++i) {
        if (b & 1)
            p ^= a;
        a = XTime(a);
        b >>= 1;
    }
    return p;
}

constexpr std::uint8_t Rol8(std::uint8_t x, int n) {
    return static_cast<std::uint8_t>((x << n) | (x >> (8 - n)));
}

constexpr std::uint32_t Rol32c(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

constexpr std::uint32_t Column(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    return std::uint32_t(b0) | std::uint32_t(b1) << 8 | std::uint32_t(b2) << 16 |
           std::uint32_t(b3) << 24;
}

constexpr TTables MakeTables() {
    TTables t;
    // Powers of the generator 3 give the multiplicative inverses.
    std::array<std::uint8_t, 256> exp{};
    std::array<std::uint8_t, 256> log{};
    std::uint8_t p = 1;
    for (int i = 0; i < 255; ++i) {
        exp[i] = p;
        log[p] = static_cast<std::uint8_t>(i);
        p = static_cast<std::uint8_t>(p ^ XTime(p));
    }
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t inv = x == 0 ? 0 : exp[(255 - log[x]) % 255];
        const std::uint8_t s = static_cast<std::uint8_t>(inv ^ Rol8(inv, 1) ^ Rol8(inv, 2) ^
                                                         Rol8(inv, 3) ^ Rol8(inv, 4) ^ 0x63);
        t.S[x] = s;
        t.Si[s] = static_cast<std::uint8_t>(x);
    }
    std::uint8_t rc = 1;
    for (auto& r : t.Rcon) {
        r = rc;
        rc = XTime(rc);
    }
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t s = t.S[x];
        const std::uint8_t si = t.Si[x];
        const std::uint32_t e = Column(GMul(s, 2), s, s, GMul(s, 3));
        const std::uint32_t d = Column(GMul(si, 14), GMul(si, 9), GMul(si, 13), GMul(si, 11));
        for (int k = 0; k < 4; ++k) {
            t.Te[k][x] = k == 0 ? e : Rol32c(e, 8 * k);
            t.Td[k][x] = k == 0 ? d : Rol32c(d, 8 * k);
        }
    }
    return t;
}

inline constexpr TTables kTables = MakeTables();

} // namespace qm::rijndael
