#pragma once

// Private to TRijndael: the AES-NI loops over a schedule laid out as round keys
// in memory order (the equivalent inverse schedule for decryption). Callers make
// sure the CPU has the instructions and Rounds is 10, 12 or 14.

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#define QM_HAVE_AESNI 1
#else
#define QM_HAVE_AESNI 0
#endif

namespace qm::aesni {

#if QM_HAVE_AESNI
void EncryptBlock(const std::uint32_t* Key, int Rounds, std::uint8_t* Block);
void DecryptBlock(const std::uint32_t* Key, int Rounds, std::uint8_t* Block);
void CfbEncrypt(const std::uint32_t* Key, int Rounds, std::uint8_t* Reg, std::uint8_t* Buf,
                std::size_t Count);
void CfbDecrypt(const std::uint32_t* Key, int Rounds, std::uint8_t* Reg, std::uint8_t* Buf,
                std::size_t Count);
void MacBlocks(const std::uint32_t* Key, int Rounds, std::uint8_t* Reg, const std::uint8_t* Buf,
               std::size_t Count);
#endif

} // namespace qm::aesni
