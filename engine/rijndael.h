#pragma once

// AES (128-bit block; 128-, 192- and 256-bit keys) as a TBlockCipher. Two
// interchangeable engines share one key schedule: a round-table path that runs
// anywhere and an AES-NI path picked at construction when the CPU has it. Both
// give the same bytes. The instance owns its schedule and wipes it on destruction.

#include "engine/blockcipher.h"

#include <cstdint>

namespace qm {

class TRijndael final : public TBlockCipher {
public:
    // Auto uses AES instructions when the CPU has them; Table never does
    // (tests and the benchmark use it to exercise the portable path).
    enum class TPath { Auto, Table };

    explicit TRijndael(TPath Path = TPath::Auto);
    ~TRijndael() override;

    // True when this instance runs on AES instructions.
    bool UsesHardware() const { return fHardware; }
    // True when the CPU running us has AES instructions.
    static bool HardwareAvailable();

    int BlockSize() const override { return 16; }
    int NextKeySize(int Size) const override;
    int KeySize() const override { return fKeySize; }
    int Rounds() const { return fRounds; }
    bool SetKey(const std::uint8_t* Key, int Bits, bool EncryptOnly) override;
    void EncryptBlock(std::uint8_t* Block) const override;
    void DecryptBlock(std::uint8_t* Block) const override;
    void XorBlock(std::uint8_t* Dest, const std::uint8_t* Src) const override;
    void CopyBlock(std::uint8_t* Dest, const std::uint8_t* Src) const override;

    void CfbEncryptBlocks(std::uint8_t* Reg, std::uint8_t* Buf, std::size_t Count) const override;
    void CfbDecryptBlocks(std::uint8_t* Reg, std::uint8_t* Buf, std::size_t Count) const override;
    void MacBlocks(std::uint8_t* Reg, const std::uint8_t* Buf, std::size_t Count) const override;

    static constexpr int kScheduleWords = 64;

private:
    // Round keys; word i holds schedule bytes 4i..4i+3 in memory order, so the
    // array is also the byte image the AES instructions load.
    alignas(16) std::uint32_t fKey[kScheduleWords] = {};
    int fKeySize = 0;
    int fRounds = 0;
    bool fHardware = false;
};

} // namespace qm
