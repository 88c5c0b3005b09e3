#pragma once

// Runs a block cipher as a byte stream in full-block cipher feedback (CFB with
// a segment of one whole block) and keeps an independent CBC-MAC. The stream
// carries a byte position, so data cut into calls of any sizes gives the same
// bytes as one call. Owns its block cipher and its registers.

#include "engine/blockcipher.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace qm {

class TStreamCipher {
  public:
    explicit TStreamCipher(std::unique_ptr<TBlockCipher> Cipher);
    TStreamCipher(const TStreamCipher&) = delete;
    TStreamCipher& operator=(const TStreamCipher&) = delete;
    virtual ~TStreamCipher();

    int NextKeySize(int Size) const { return fCipher->NextKeySize(Size); }
    int BlockSize() const { return fBlockSize; }
    int KeySize() const { return fCipher->KeySize(); }

    // Keys the cipher for encryption only (the stream never needs its inverse)
    // and restarts the position; the register keeps its content until SetIV.
    // Flag is accepted for callers that pass it and has no effect.
    bool SetKey(const std::uint8_t* Key, int Bits, bool Flag = true);
    // Restarts the stream: register := E(IV), position 0.
    void SetIV(const std::uint8_t* IV);
    // The current feedback register, not the IV that was given.
    void GetIV(std::uint8_t* Dest) const;
    // Where the stream stands (its register and byte position), so that a later part of
    // one stream can be decrypted again on its own under the same key.
    struct TPosition {
        std::vector<std::uint8_t> feedback;
        std::size_t pos = 0;
    };
    TPosition Position() const { return TPosition{fFeedback, fPos}; }
    // False, leaving the stream as it was, for a position of another block size.
    bool SetPosition(const TPosition& Position);

    // Count whole blocks, starting at the beginning of the register.
    void EncryptBlocks(std::uint8_t* Buf, std::size_t Count);
    void DecryptBlocks(std::uint8_t* Buf, std::size_t Count);
    // Len bytes in place, any length, continuing from the current position.
    void Encrypt(std::uint8_t* Buf, std::size_t Len);
    void Decrypt(std::uint8_t* Buf, std::size_t Len);

    void MACBlocks(const std::uint8_t* Buf, std::size_t Count);
    void MACUpdate(const std::uint8_t* Buf, std::size_t Len);
    // Closes a partly filled block: the register bytes after the filled ones are
    // overwritten with zeros (not xored), then encrypted. A MAC over a whole
    // number of blocks (also none) gets no extra block. Password keys depend on
    // this exact rule.
    void MACFinish();
    // Zeroes the MAC register; the fill position is kept.
    void MACReset();
    void GetMAC(std::uint8_t* Dest);
    void SetMAC(const std::uint8_t* Src);
    bool VerifyMAC(const std::uint8_t* Given);

    const TBlockCipher& Cipher() const { return *fCipher; }

  private:
    std::unique_ptr<TBlockCipher> fCipher;
    std::vector<std::uint8_t> fFeedback; // R
    std::vector<std::uint8_t> fMac;      // M
    std::size_t fBlockSize;
    std::size_t fPos = 0;    // bytes of R already used
    std::size_t fMacPos = 0; // bytes of M already filled
};

} // namespace qm
