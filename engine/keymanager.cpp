#include "engine/keymanager.h"

#include "engine/aesstream.h"
#include "engine/binlib.h"
#include "engine/rijndael.h"

#include <cstring>

namespace qm {
namespace {

// Multiplier of the derivation seed S[i] = ((i + 1) * kSeedMultiplier mod 256)
// xor L. Part of the stored format: every encrypted backup on every media drive
// was keyed through it, so changing it makes all of them unreadable. Odd, so the
// 32 seed bytes of one password length are all different.
constexpr std::uint8_t kSeedMultiplier = 0xB3;

std::string CutPassword(const std::string& Password) {
    return Password.substr(0, kMaxPasswordLength);
}

} // namespace

TPasswordDigest HashPassword(const std::string& Password) {
    const std::string p = CutPassword(Password);
    std::uint8_t k[16];
    std::memset(k, static_cast<int>(p.size()), sizeof(k));
    TAESStream stream;
    stream.SetKey(k, 128);
    stream.MACReset();
    stream.MACUpdate(reinterpret_cast<const std::uint8_t*>(p.data()), p.size());
    TPasswordDigest digest{};
    stream.GetMAC(digest.data());
    return digest;
}

bool PasswordToKey(const std::string& Password, std::uint8_t* Key, int Bits) {
    if (Bits != 128 && Bits != 192 && Bits != 256)
        return false;
    const auto len = static_cast<std::uint8_t>(CutPassword(Password).size());
    std::uint8_t s[32];
    for (int i = 0; i < 32; ++i)
        s[i] = static_cast<std::uint8_t>(((i + 1) * kSeedMultiplier) ^ len);

    const TPasswordDigest h = HashPassword(Password);
    TRijndael aes;
    aes.SetKey(h.data(), 128, true);
    aes.EncryptBlock(s);
    if (Bits > 128) {
        XorBuffer(s + 16, s, 16);
        aes.EncryptBlock(s + 16);
    }
    std::memcpy(Key, s, static_cast<std::size_t>(Bits / 8));
    return true;
}

} // namespace qm
