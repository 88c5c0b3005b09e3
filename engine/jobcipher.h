#pragma once

// The stream cipher of one engine run and its zero IV: made with the run's key,
// restarted for every file or archive entry, then freed. TBackUpJob holds one
// and its cipher methods delegate here. Owns the TAESStream while initialised;
// every operation on a freed (or never initialised) cipher does nothing and
// returns false.

#include "engine/aesstream.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace qm {

// Length of the plain value whose encryption tells whether a password is right.
inline constexpr std::size_t kCheckValueBytes = 8;

class TJobCipher {
  public:
    explicit TJobCipher(TRijndael::TPath Path = TRijndael::TPath::Auto) : fPath(Path) {}

    // Creates the cipher keyed with the first KeySize / 8 bytes of Key and
    // starts its stream at a zero IV. False (and no cipher) for a key size
    // other than 128, 192 or 256.
    bool InitCipher(const std::uint8_t* Key, int KeySize);
    // Zero IV; the stream restarts at position 0 with register E(0).
    bool ResetCipherIV();
    // In place, continuing the stream.
    bool EncryptBuffer(std::uint8_t* Buf, std::size_t Len);
    bool DecryptBuffer(std::uint8_t* Buf, std::size_t Len);
    bool FreeCipher();

    // Re-derives the key from Password at KeySize into KeyBuffer (32 bytes),
    // re-keys the cipher, restarts it at the zero IV and writes the encryption
    // of the 8 CheckValue bytes to Dest. The stream is left at position 8,
    // where the entry's data continues. False, with nothing written, when no
    // cipher exists or KeySize is not 128, 192 or 256.
    bool EncryptCheckValue(const std::string& Password, int KeySize, std::uint8_t* KeyBuffer,
                           const std::uint8_t* CheckValue, std::uint8_t* Dest);
    // The same under a key already derived (KeySize / 8 bytes of Key).
    bool EncryptCheckValueUnder(const std::uint8_t* Key, int KeySize,
                                const std::uint8_t* CheckValue, std::uint8_t* Dest);

    bool Active() const { return fCipher != nullptr; }
    // The live cipher for the restore password checks, which re-key it; null
    // when not initialised.
    TAESStream* Stream() { return fCipher.get(); }

  private:
    TRijndael::TPath fPath;
    std::unique_ptr<TAESStream> fCipher;
    std::array<std::uint8_t, 16> fIV{};
};

} // namespace qm
