#include "engine/rijndaelni.h"

#if QM_HAVE_AESNI

#include <immintrin.h>

#define QM_AESNI __attribute__((target("aes,sse4.1")))

namespace qm::aesni {
namespace {

template <int NR> struct TKeys {
    __m128i k[NR + 1];
};

template <int NR> QM_AESNI inline TKeys<NR> LoadKeys(const std::uint32_t* Key) {
    TKeys<NR> keys;
    for (int i = 0; i <= NR; ++i)
        keys.k[i] = _mm_load_si128(reinterpret_cast<const __m128i*>(Key + 4 * i));
    return keys;
}

// X already holds the block xor round key 0.
template <int NR> QM_AESNI inline __m128i Rounds(const TKeys<NR>& K, __m128i X) {
    for (int i = 1; i < NR; ++i)
        X = _mm_aesenc_si128(X, K.k[i]);
    return _mm_aesenclast_si128(X, K.k[NR]);
}

QM_AESNI inline __m128i Load(const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

QM_AESNI inline void Store(std::uint8_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

template <int NR> QM_AESNI void EncryptT(const std::uint32_t* Key, std::uint8_t* Block) {
    const TKeys<NR> K = LoadKeys<NR>(Key);
    Store(Block, Rounds<NR>(K, _mm_xor_si128(Load(Block), K.k[0])));
}

template <int NR> QM_AESNI void DecryptT(const std::uint32_t* Key, std::uint8_t* Block) {
    const TKeys<NR> K = LoadKeys<NR>(Key);
    __m128i x = _mm_xor_si128(Load(Block), K.k[NR]);
    for (int i = NR - 1; i > 0; --i)
        x = _mm_aesdec_si128(x, K.k[i]);
    Store(Block, _mm_aesdeclast_si128(x, K.k[0]));
}

// Each ciphertext block feeds the next keystream block, so encryption is one
// dependency chain; the xor with round key 0 is taken off that chain.
template <int NR>
QM_AESNI void CfbEncryptT(const std::uint32_t* Key, std::uint8_t* Reg, std::uint8_t* Buf,
                          std::size_t Count) {
    const TKeys<NR> K = LoadKeys<NR>(Key);
    __m128i r = Load(Reg);
    for (std::size_t i = 0; i < Count; ++i, Buf += 16) {
        const __m128i p = Load(Buf);
        Store(Buf, _mm_xor_si128(r, p));
        r = Rounds<NR>(K, _mm_xor_si128(r, _mm_xor_si128(p, K.k[0])));
    }
    Store(Reg, r);
}

// All ciphertext is known up front, so four keystream blocks run side by side.
template <int NR>
QM_AESNI void CfbDecryptT(const std::uint32_t* Key, std::uint8_t* Reg, std::uint8_t* Buf,
                          std::size_t Count) {
    const TKeys<NR> K = LoadKeys<NR>(Key);
    __m128i r = Load(Reg);
    for (; Count >= 4; Count -= 4, Buf += 64) {
        const __m128i c0 = Load(Buf), c1 = Load(Buf + 16), c2 = Load(Buf + 32),
                      c3 = Load(Buf + 48);
        __m128i e0 = _mm_xor_si128(c0, K.k[0]), e1 = _mm_xor_si128(c1, K.k[0]),
                e2 = _mm_xor_si128(c2, K.k[0]), e3 = _mm_xor_si128(c3, K.k[0]);
        for (int i = 1; i < NR; ++i) {
            e0 = _mm_aesenc_si128(e0, K.k[i]);
            e1 = _mm_aesenc_si128(e1, K.k[i]);
            e2 = _mm_aesenc_si128(e2, K.k[i]);
            e3 = _mm_aesenc_si128(e3, K.k[i]);
        }
        e0 = _mm_aesenclast_si128(e0, K.k[NR]);
        e1 = _mm_aesenclast_si128(e1, K.k[NR]);
        e2 = _mm_aesenclast_si128(e2, K.k[NR]);
        e3 = _mm_aesenclast_si128(e3, K.k[NR]);
        Store(Buf, _mm_xor_si128(c0, r));
        Store(Buf + 16, _mm_xor_si128(c1, e0));
        Store(Buf + 32, _mm_xor_si128(c2, e1));
        Store(Buf + 48, _mm_xor_si128(c3, e2));
        r = e3;
    }
    for (; Count > 0; --Count, Buf += 16) {
        const __m128i c = Load(Buf);
        Store(Buf, _mm_xor_si128(c, r));
        r = Rounds<NR>(K, _mm_xor_si128(c, K.k[0]));
    }
    Store(Reg, r);
}

template <int NR>
QM_AESNI void MacT(const std::uint32_t* Key, std::uint8_t* Reg, const std::uint8_t* Buf,
                   std::size_t Count) {
    const TKeys<NR> K = LoadKeys<NR>(Key);
    __m128i m = Load(Reg);
    for (std::size_t i = 0; i < Count; ++i, Buf += 16)
        m = Rounds<NR>(K, _mm_xor_si128(m, _mm_xor_si128(Load(Buf), K.k[0])));
    Store(Reg, m);
}

} // namespace

#define QM_DISPATCH(fn, ...)                                                                       \
    switch (Rounds) {                                                                              \
    case 10:                                                                                       \
        return fn<10>(__VA_ARGS__);                                                                \
    case 12:                                                                                       \
        return fn<12>(__VA_ARGS__);                                                                \
    default:                                                                                       \
        return fn<14>(__VA_ARGS__);                                                                \
    }

void EncryptBlock(const std::uint32_t* Key, int Rounds, std::uint8_t* Block) {
    QM_DISPATCH(EncryptT, Key, Block)
}

void DecryptBlock(const std::uint32_t* Key, int Rounds, std::uint8_t* Block) {
    QM_DISPATCH(DecryptT, Key, Block)
}

void CfbEncrypt(const std::uint32_t* Key, int Rounds, std::uint8_t* Reg, std::uint8_t* Buf,
                std::size_t Count) {
    QM_DISPATCH(CfbEncryptT, Key, Reg, Buf, Count)
}

void CfbDecrypt(const std::uint32_t* Key, int Rounds, std::uint8_t* Reg, std::uint8_t* Buf,
                std::size_t Count) {
    QM_DISPATCH(CfbDecryptT, Key, Reg, Buf, Count)
}

void MacBlocks(const std::uint32_t* Key, int Rounds, std::uint8_t* Reg, const std::uint8_t* Buf,
               std::size_t Count) {
    QM_DISPATCH(MacT, Key, Reg, Buf, Count)
}

} // namespace qm::aesni

#endif
