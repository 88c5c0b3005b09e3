#pragma once

// Abstract block cipher as the stream cipher sees it: key set-up, one-block
// encrypt/decrypt and block-wide helpers. The chained loops (CFB, CBC-MAC) have
// plain default bodies built on EncryptBlock; a cipher may override them with a
// faster loop that must give the same bytes. Instances own only their key schedule.

#include <cstddef>
#include <cstdint>

namespace qm {

class TBlockCipher {
public:
    TBlockCipher() = default;
    TBlockCipher(const TBlockCipher&) = delete;
    TBlockCipher& operator=(const TBlockCipher&) = delete;
    virtual ~TBlockCipher() = default;

    // Block size in bytes.
    virtual int BlockSize() const = 0;
    // Smallest supported key size in bits greater than Size, or -1.
    virtual int NextKeySize(int Size) const = 0;
    // Key size in bits of the key last set.
    virtual int KeySize() const = 0;
    // Builds the key schedule; false (schedule unchanged) for an unsupported size.
    virtual bool SetKey(const std::uint8_t* Key, int Bits, bool EncryptOnly) = 0;
    virtual void EncryptBlock(std::uint8_t* Block) const = 0;
    virtual void DecryptBlock(std::uint8_t* Block) const = 0;
    // Dest ^= Src over one block.
    virtual void XorBlock(std::uint8_t* Dest, const std::uint8_t* Src) const = 0;
    // Dest := Src over one block.
    virtual void CopyBlock(std::uint8_t* Dest, const std::uint8_t* Src) const = 0;

    // Full-block CFB over Count whole blocks of Buf, in place. Reg is the
    // feedback register and already holds the keystream of the first block;
    // on return it holds the keystream of the block after the last.
    virtual void CfbEncryptBlocks(std::uint8_t* Reg, std::uint8_t* Buf, std::size_t Count) const;
    virtual void CfbDecryptBlocks(std::uint8_t* Reg, std::uint8_t* Buf, std::size_t Count) const;
    // CBC-MAC over Count whole blocks: per block Reg := E(Reg xor block).
    virtual void MacBlocks(std::uint8_t* Reg, const std::uint8_t* Buf, std::size_t Count) const;
};

} // namespace qm
