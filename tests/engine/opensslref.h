#pragma once

// Reference AES from OpenSSL for the cipher tests: CFB-128 with a zero IV over
// a whole buffer, and single-block ECB. Only the tests link OpenSSL.

#include <openssl/evp.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace qm::test {

using TBytes = std::vector<std::uint8_t>;

inline const EVP_CIPHER* CfbCipher(int Bits) {
    if (Bits == 192)
        return EVP_aes_192_cfb128();
    if (Bits == 256)
        return EVP_aes_256_cfb128();
    return EVP_aes_128_cfb128();
}

inline const EVP_CIPHER* EcbCipher(int Bits) {
    if (Bits == 192)
        return EVP_aes_192_ecb();
    if (Bits == 256)
        return EVP_aes_256_ecb();
    return EVP_aes_128_ecb();
}

inline TBytes RunEvp(const EVP_CIPHER* Cipher, const std::uint8_t* Key, const TBytes& In,
                     bool Encrypt) {
    const std::uint8_t iv[16] = {};
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    TBytes out(In.size() + 16);
    int len = 0;
    int fin = 0;
    bool ok = EVP_CipherInit_ex(ctx, Cipher, nullptr, Key, iv, Encrypt ? 1 : 0) == 1 &&
              EVP_CIPHER_CTX_set_padding(ctx, 0) == 1 &&
              EVP_CipherUpdate(ctx, out.data(), &len, In.data(), static_cast<int>(In.size())) ==
                  1 &&
              EVP_CipherFinal_ex(ctx, out.data() + len, &fin) == 1;
    EVP_CIPHER_CTX_free(ctx);
    if (!ok)
        throw std::runtime_error("OpenSSL cipher failed");
    out.resize(static_cast<std::size_t>(len + fin));
    return out;
}

// AES-CFB128 (full-block feedback) with a zero IV.
inline TBytes OpenSslCfb(int Bits, const std::uint8_t* Key, const TBytes& In, bool Encrypt) {
    return RunEvp(CfbCipher(Bits), Key, In, Encrypt);
}

// One AES block.
inline TBytes OpenSslEcb(int Bits, const std::uint8_t* Key, const TBytes& Block) {
    return RunEvp(EcbCipher(Bits), Key, Block, true);
}

// Deterministic filler so failures reproduce.
inline TBytes Pattern(std::size_t Len, std::uint32_t Seed = 1) {
    TBytes b(Len);
    std::uint32_t x = Seed * 2654435761u + 1;
    for (auto& c : b) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<std::uint8_t>(x >> 24);
    }
    return b;
}

inline TBytes Hex(const char* Text) {
    TBytes b;
    auto nib = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    for (; Text[0] && Text[1]; Text += 2)
        b.push_back(static_cast<std::uint8_t>(nib(Text[0]) << 4 | nib(Text[1])));
    return b;
}

} // namespace qm::test
