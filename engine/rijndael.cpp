#include "engine/rijndael.h"

#include "engine/rijndaeltables.h"
#include "engine/rijndaelni.h"
#include "engine/binlib.h"

#include <cstring>

namespace qm {
namespace {

using rijndael::kTables;

inline std::uint32_t Load32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

inline void Store32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

inline std::uint32_t B(std::uint32_t w, int row) { return (w >> (8 * row)) & 0xff; }

inline std::uint32_t SubWord(std::uint32_t w) {
    const auto& S = kTables.S;
    return std::uint32_t(S[B(w, 0)]) | std::uint32_t(S[B(w, 1)]) << 8 |
           std::uint32_t(S[B(w, 2)]) << 16 | std::uint32_t(S[B(w, 3)]) << 24;
}

// InvMixColumns of one round-key column: Td(S(x)) is InvMixColumns of x alone.
inline std::uint32_t InvMixColumn(std::uint32_t w) {
    const auto& S = kTables.S;
    const auto& Td = kTables.Td;
    return Td[0][S[B(w, 0)]] ^ Td[1][S[B(w, 1)]] ^ Td[2][S[B(w, 2)]] ^ Td[3][S[B(w, 3)]];
}

// One forward cipher over a state held as four column words.
void EncryptWords(const std::uint32_t* rk, int rounds, std::uint32_t s[4]) {
    const auto& Te = kTables.Te;
    const auto& S = kTables.S;
    std::uint32_t s0 = s[0] ^ rk[0], s1 = s[1] ^ rk[1], s2 = s[2] ^ rk[2], s3 = s[3] ^ rk[3];
    for (int r = 1; r < rounds; ++r) {
        rk += 4;
        const std::uint32_t t0 =
            Te[0][B(s0, 0)] ^ Te[1][B(s1, 1)] ^ Te[2][B(s2, 2)] ^ Te[3][B(s3, 3)] ^ rk[0];
        const std::uint32_t t1 =
            Te[0][B(s1, 0)] ^ Te[1][B(s2, 1)] ^ Te[2][B(s3, 2)] ^ Te[3][B(s0, 3)] ^ rk[1];
        const std::uint32_t t2 =
            Te[0][B(s2, 0)] ^ Te[1][B(s3, 1)] ^ Te[2][B(s0, 2)] ^ Te[3][B(s1, 3)] ^ rk[2];
        const std::uint32_t t3 =
            Te[0][B(s3, 0)] ^ Te[1][B(s0, 1)] ^ Te[2][B(s1, 2)] ^ Te[3][B(s2, 3)] ^ rk[3];
        s0 = t0, s1 = t1, s2 = t2, s3 = t3;
    }
    rk += 4;
    auto last = [&](std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
        return std::uint32_t(S[B(a, 0)]) | std::uint32_t(S[B(b, 1)]) << 8 |
               std::uint32_t(S[B(c, 2)]) << 16 | std::uint32_t(S[B(d, 3)]) << 24;
    };
    s[0] = last(s0, s1, s2, s3) ^ rk[0];
    s[1] = last(s1, s2, s3, s0) ^ rk[1];
    s[2] = last(s2, s3, s0, s1) ^ rk[2];
    s[3] = last(s3, s0, s1, s2) ^ rk[3];
}

// Equivalent inverse cipher: walks the converted schedule from the last round key down.
void DecryptWords(const std::uint32_t* key, int rounds, std::uint32_t s[4]) {
    const auto& Td = kTables.Td;
    const auto& Si = kTables.Si;
    const std::uint32_t* rk = key + 4 * rounds;
    std::uint32_t s0 = s[0] ^ rk[0], s1 = s[1] ^ rk[1], s2 = s[2] ^ rk[2], s3 = s[3] ^ rk[3];
    for (int r = rounds - 1; r > 0; --r) {
        rk -= 4;
        const std::uint32_t t0 =
            Td[0][B(s0, 0)] ^ Td[1][B(s3, 1)] ^ Td[2][B(s2, 2)] ^ Td[3][B(s1, 3)] ^ rk[0];
        const std::uint32_t t1 =
            Td[0][B(s1, 0)] ^ Td[1][B(s0, 1)] ^ Td[2][B(s3, 2)] ^ Td[3][B(s2, 3)] ^ rk[1];
        const std::uint32_t t2 =
            Td[0][B(s2, 0)] ^ Td[1][B(s1, 1)] ^ Td[2][B(s0, 2)] ^ Td[3][B(s3, 3)] ^ rk[2];
        const std::uint32_t t3 =
            Td[0][B(s3, 0)] ^ Td[1][B(s2, 1)] ^ Td[2][B(s1, 2)] ^ Td[3][B(s0, 3)] ^ rk[3];
        s0 = t0, s1 = t1, s2 = t2, s3 = t3;
    }
    rk = key;
    auto last = [&](std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
        return std::uint32_t(Si[B(a, 0)]) | std::uint32_t(Si[B(b, 1)]) << 8 |
               std::uint32_t(Si[B(c, 2)]) << 16 | std::uint32_t(Si[B(d, 3)]) << 24;
    };
    s[0] = last(s0, s3, s2, s1) ^ rk[0];
    s[1] = last(s1, s0, s3, s2) ^ rk[1];
    s[2] = last(s2, s1, s0, s3) ^ rk[2];
    s[3] = last(s3, s2, s1, s0) ^ rk[3];
}

inline void LoadWords(const std::uint8_t* p, std::uint32_t w[4]) {
    for (int i = 0; i < 4; ++i)
        w[i] = Load32(p + 4 * i);
}

inline void StoreWords(std::uint8_t* p, const std::uint32_t w[4]) {
    for (int i = 0; i < 4; ++i)
        Store32(p + 4 * i, w[i]);
}

} // namespace

TRijndael::TRijndael(TPath Path) : fHardware(Path == TPath::Auto && HardwareAvailable()) {}

TRijndael::~TRijndael() {
    // The schedule is the key in another form: do not leave it in freed memory.
    volatile std::uint32_t* p = fKey;
    for (int i = 0; i < kScheduleWords; ++i)
        p[i] = 0;
}

bool TRijndael::HardwareAvailable() {
#if QM_HAVE_AESNI
    static const bool has = __builtin_cpu_supports("aes") && __builtin_cpu_supports("sse4.1");
    return has;
#else
    return false;
#endif
}

int TRijndael::NextKeySize(int Size) const {
    if (Size < 128)
        return 128;
    if (Size < 192)
        return 192;
    if (Size < 256)
        return 256;
    return -1;
}

bool TRijndael::SetKey(const std::uint8_t* Key, int Bits, bool EncryptOnly) {
    if (Bits != 128 && Bits != 192 && Bits != 256)
        return false;
    const int nk = Bits / 32;
    const int rounds = nk + 6;
    const int total = 4 * (rounds + 1);
    std::uint32_t w[kScheduleWords] = {};
    for (int i = 0; i < nk; ++i)
        w[i] = Load32(Key + 4 * i);
    for (int i = nk; i < total; ++i) {
        std::uint32_t t = w[i - 1];
        if (i % nk == 0)
            t = SubWord(Rol32(t, 24)) ^ kTables.Rcon[i / nk - 1];
        else if (nk > 6 && i % nk == 4)
            t = SubWord(t);
        w[i] = w[i - nk] ^ t;
    }
    if (!EncryptOnly) {
        for (int i = 4; i < 4 * rounds; ++i)
            w[i] = InvMixColumn(w[i]);
    }
    std::memcpy(fKey, w, sizeof(fKey));
    fKeySize = Bits;
    fRounds = rounds;
    return true;
}

void TRijndael::EncryptBlock(std::uint8_t* Block) const {
#if QM_HAVE_AESNI
    if (fHardware && fRounds != 0)
        return aesni::EncryptBlock(fKey, fRounds, Block);
#endif
    std::uint32_t s[4];
    LoadWords(Block, s);
    EncryptWords(fKey, fRounds, s);
    StoreWords(Block, s);
}

void TRijndael::DecryptBlock(std::uint8_t* Block) const {
#if QM_HAVE_AESNI
    if (fHardware && fRounds != 0)
        return aesni::DecryptBlock(fKey, fRounds, Block);
#endif
    std::uint32_t s[4];
    LoadWords(Block, s);
    DecryptWords(fKey, fRounds, s);
    StoreWords(Block, s);
}

void TRijndael::XorBlock(std::uint8_t* Dest, const std::uint8_t* Src) const {
    for (int i = 0; i < 16; i += 4)
        Store32(Dest + i, Load32(Dest + i) ^ Load32(Src + i));
}

void TRijndael::CopyBlock(std::uint8_t* Dest, const std::uint8_t* Src) const {
    std::memmove(Dest, Src, 16);
}

void TRijndael::CfbEncryptBlocks(std::uint8_t* Reg, std::uint8_t* Buf, std::size_t Count) const {
#if QM_HAVE_AESNI
    if (fHardware && fRounds != 0)
        return aesni::CfbEncrypt(fKey, fRounds, Reg, Buf, Count);
#endif
    std::uint32_t r[4];
    LoadWords(Reg, r);
    for (std::size_t n = 0; n < Count; ++n, Buf += 16) {
        for (int i = 0; i < 4; ++i)
            r[i] ^= Load32(Buf + 4 * i);
        StoreWords(Buf, r);
        EncryptWords(fKey, fRounds, r);
    }
    StoreWords(Reg, r);
}

void TRijndael::CfbDecryptBlocks(std::uint8_t* Reg, std::uint8_t* Buf, std::size_t Count) const {
#if QM_HAVE_AESNI
    if (fHardware && fRounds != 0)
        return aesni::CfbDecrypt(fKey, fRounds, Reg, Buf, Count);
#endif
    std::uint32_t r[4];
    LoadWords(Reg, r);
    for (std::size_t n = 0; n < Count; ++n, Buf += 16) {
        std::uint32_t c[4];
        LoadWords(Buf, c);
        for (int i = 0; i < 4; ++i)
            r[i] ^= c[i];
        StoreWords(Buf, r);
        EncryptWords(fKey, fRounds, c);
        std::memcpy(r, c, sizeof(r));
    }
    StoreWords(Reg, r);
}

void TRijndael::MacBlocks(std::uint8_t* Reg, const std::uint8_t* Buf, std::size_t Count) const {
#if QM_HAVE_AESNI
    if (fHardware && fRounds != 0)
        return aesni::MacBlocks(fKey, fRounds, Reg, Buf, Count);
#endif
    std::uint32_t m[4];
    LoadWords(Reg, m);
    for (std::size_t n = 0; n < Count; ++n, Buf += 16) {
        for (int i = 0; i < 4; ++i)
            m[i] ^= Load32(Buf + 4 * i);
        EncryptWords(fKey, fRounds, m);
    }
    StoreWords(Reg, m);
}

} // namespace qm
