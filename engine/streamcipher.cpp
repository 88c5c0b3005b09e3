#include "engine/streamcipher.h"

#include "engine/binlib.h"

#include <algorithm>
#include <cstring>

namespace qm {

TStreamCipher::TStreamCipher(std::unique_ptr<TBlockCipher> Cipher)
    : fCipher(std::move(Cipher)), fBlockSize(static_cast<std::size_t>(fCipher->BlockSize())) {
    fFeedback.assign(fBlockSize, 0);
    fMac.assign(fBlockSize, 0);
}

TStreamCipher::~TStreamCipher() = default;

bool TStreamCipher::SetKey(const std::uint8_t* Key, int Bits, bool /*Flag*/) {
    fPos = 0;
    return fCipher->SetKey(Key, Bits, true);
}

void TStreamCipher::SetIV(const std::uint8_t* IV) {
    fPos = 0;
    std::memcpy(fFeedback.data(), IV, fBlockSize);
    fCipher->EncryptBlock(fFeedback.data());
}

void TStreamCipher::GetIV(std::uint8_t* Dest) const {
    std::memcpy(Dest, fFeedback.data(), fBlockSize);
}

bool TStreamCipher::SetPosition(const TPosition& Position) {
    if (Position.feedback.size() != fBlockSize || Position.pos >= fBlockSize)
        return false;
    fFeedback = Position.feedback;
    fPos = Position.pos;
    return true;
}

void TStreamCipher::EncryptBlocks(std::uint8_t* Buf, std::size_t Count) {
    fCipher->CfbEncryptBlocks(fFeedback.data(), Buf, Count);
}

void TStreamCipher::DecryptBlocks(std::uint8_t* Buf, std::size_t Count) {
    fCipher->CfbDecryptBlocks(fFeedback.data(), Buf, Count);
}

void TStreamCipher::Encrypt(std::uint8_t* Buf, std::size_t Len) {
    std::size_t done = 0;
    while (done < Len) {
        if (fPos == 0) {
            const std::size_t k = (Len - done) / fBlockSize;
            EncryptBlocks(Buf + done, k);
            done += k * fBlockSize;
            if (done == Len)
                return;
        }
        const std::size_t n = std::min(fBlockSize - fPos, Len - done);
        std::uint8_t* r = fFeedback.data() + fPos;
        XorBuffer(r, Buf + done, static_cast<long>(n));
        std::memcpy(Buf + done, r, n);
        fPos += n;
        done += n;
        if (fPos == fBlockSize) {
            fCipher->EncryptBlock(fFeedback.data());
            fPos = 0;
        }
    }
}

void TStreamCipher::Decrypt(std::uint8_t* Buf, std::size_t Len) {
    std::size_t done = 0;
    while (done < Len) {
        if (fPos == 0) {
            const std::size_t k = (Len - done) / fBlockSize;
            DecryptBlocks(Buf + done, k);
            done += k * fBlockSize;
            if (done == Len)
                return;
        }
        const std::size_t n = std::min(fBlockSize - fPos, Len - done);
        std::uint8_t* r = fFeedback.data() + fPos;
        std::uint8_t* p = Buf + done;
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint8_t c = p[i];
            p[i] = static_cast<std::uint8_t>(c ^ r[i]);
            r[i] = c;
        }
        fPos += n;
        done += n;
        if (fPos == fBlockSize) {
            fCipher->EncryptBlock(fFeedback.data());
            fPos = 0;
        }
    }
}

void TStreamCipher::MACBlocks(const std::uint8_t* Buf, std::size_t Count) {
    fCipher->MacBlocks(fMac.data(), Buf, Count);
}

void TStreamCipher::MACUpdate(const std::uint8_t* Buf, std::size_t Len) {
    std::size_t done = 0;
    while (done < Len) {
        if (fMacPos == 0) {
            const std::size_t k = (Len - done) / fBlockSize;
            MACBlocks(Buf + done, k);
            done += k * fBlockSize;
            if (done == Len)
                return;
        }
        const std::size_t n = std::min(fBlockSize - fMacPos, Len - done);
        XorBuffer(fMac.data() + fMacPos, Buf + done, static_cast<long>(n));
        fMacPos += n;
        done += n;
        if (fMacPos == fBlockSize) {
            fCipher->EncryptBlock(fMac.data());
            fMacPos = 0;
        }
    }
}

void TStreamCipher::MACFinish() {
    if (fMacPos == 0)
        return;
    std::fill(fMac.begin() + static_cast<std::ptrdiff_t>(fMacPos), fMac.end(), 0);
    fCipher->EncryptBlock(fMac.data());
    fMacPos = 0;
}

void TStreamCipher::MACReset() {
    std::fill(fMac.begin(), fMac.end(), 0);
}

void TStreamCipher::GetMAC(std::uint8_t* Dest) {
    MACFinish();
    std::memcpy(Dest, fMac.data(), fBlockSize);
}

void TStreamCipher::SetMAC(const std::uint8_t* Src) {
    fMacPos = 0;
    std::memcpy(fMac.data(), Src, fBlockSize);
}

bool TStreamCipher::VerifyMAC(const std::uint8_t* Given) {
    MACFinish();
    return std::memcmp(fMac.data(), Given, fBlockSize) == 0;
}

} // namespace qm
