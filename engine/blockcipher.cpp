#include "engine/blockcipher.h"

namespace qm {

void TBlockCipher::CfbEncryptBlocks(std::uint8_t* Reg, std::uint8_t* Buf,
                                    std::size_t Count) const {
    const std::size_t b = static_cast<std::size_t>(BlockSize());
    for (std::size_t i = 0; i < Count; ++i, Buf += b) {
        XorBlock(Reg, Buf);
        CopyBlock(Buf, Reg);
        EncryptBlock(Reg);
    }
}

void TBlockCipher::CfbDecryptBlocks(std::uint8_t* Reg, std::uint8_t* Buf,
                                    std::size_t Count) const {
    const std::size_t b = static_cast<std::size_t>(BlockSize());
    for (std::size_t i = 0; i < Count; ++i, Buf += b) {
        for (std::size_t j = 0; j < b; ++j) {
            const std::uint8_t c = Buf[j];
            Buf[j] = static_cast<std::uint8_t>(c ^ Reg[j]);
            Reg[j] = c;
        }
        EncryptBlock(Reg);
    }
}

void TBlockCipher::MacBlocks(std::uint8_t* Reg, const std::uint8_t* Buf,
                             std::size_t Count) const {
    const std::size_t b = static_cast<std::size_t>(BlockSize());
    for (std::size_t i = 0; i < Count; ++i, Buf += b) {
        XorBlock(Reg, Buf);
        EncryptBlock(Reg);
    }
}

} // namespace qm
