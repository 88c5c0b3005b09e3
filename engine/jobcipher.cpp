#include "engine/jobcipher.h"

#include "engine/keymanager.h"

#include <cstring>

namespace qm {

bool TJobCipher::InitCipher(const std::uint8_t* Key, int KeySize) {
    auto cipher = std::make_unique<TAESStream>(fPath);
    // A stream with no key would "encrypt" with an empty schedule: refuse.
    if (!cipher->SetKey(Key, KeySize))
        return false;
    fCipher = std::move(cipher);
    return ResetCipherIV();
}

bool TJobCipher::ResetCipherIV() {
    if (!fCipher)
        return false;
    fIV.fill(0);
    fCipher->SetIV(fIV.data());
    return true;
}

bool TJobCipher::EncryptBuffer(std::uint8_t* Buf, std::size_t Len) {
    if (!fCipher)
        return false;
    fCipher->Encrypt(Buf, Len);
    return true;
}

bool TJobCipher::DecryptBuffer(std::uint8_t* Buf, std::size_t Len) {
    if (!fCipher)
        return false;
    fCipher->Decrypt(Buf, Len);
    return true;
}

bool TJobCipher::FreeCipher() {
    fCipher.reset();
    fIV.fill(0);
    return true;
}

bool TJobCipher::EncryptCheckValue(const std::string& Password, int KeySize,
                                   std::uint8_t* KeyBuffer, const std::uint8_t* CheckValue,
                                   std::uint8_t* Dest) {
    if (!fCipher)
        return false;
    if (!PasswordToKey(Password, KeyBuffer, KeySize))
        return false;
    return EncryptCheckValueUnder(KeyBuffer, KeySize, CheckValue, Dest);
}

bool TJobCipher::EncryptCheckValueUnder(const std::uint8_t* Key, int KeySize,
                                        const std::uint8_t* CheckValue, std::uint8_t* Dest) {
    if (!fCipher)
        return false;
    fCipher->SetKey(Key, KeySize);
    fIV.fill(0);
    fCipher->SetIV(fIV.data());
    std::uint8_t value[kCheckValueBytes];
    std::memcpy(value, CheckValue, sizeof(value));
    fCipher->Encrypt(value, sizeof(value));
    std::memcpy(Dest, value, sizeof(value));
    return true;
}

} // namespace qm
