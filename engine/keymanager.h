#pragma once

// Turns a password into an AES key of 128, 192 or 256 bits with a fixed,
// salt-free derivation, so a later restore finds the key from the password
// alone. Plain functions; the caller owns every buffer.

#include <array>
#include <cstdint>
#include <string>

namespace qm {

// Longer passwords are cut to this many bytes before derivation.
inline constexpr std::size_t kMaxPasswordLength = 255;
// Size of the engine's key buffer: room for the largest key.
inline constexpr std::size_t kMaxKeyBytes = 32;

using TPasswordDigest = std::array<std::uint8_t, 16>;

// CBC-MAC of the (cut) password bytes under AES-128 keyed with 16 bytes equal
// to the password length. The empty password gives 16 zero bytes.
TPasswordDigest HashPassword(const std::string& Password);

// Writes Bits / 8 key bytes to Key and returns true for Bits 128, 192 or 256;
// any other Bits returns false and leaves Key untouched.
bool PasswordToKey(const std::string& Password, std::uint8_t* Key, int Bits);

} // namespace qm
