#include "engine/aesstream.h"
#include "engine/copytree.h"
#include "engine/jobcipher.h"
#include "engine/keymanager.h"

#include "enginetest.h"

#include <numeric>

namespace qm::test {
namespace {

class CipherGlueTest : public EngineTest {};

TEST_F(CipherGlueTest, InitCipherUsesKeyBufferAtKeySize) {
    for (int bits : {128, 192, 256}) {
        Engine().KeySize = bits;
        ASSERT_TRUE(PasswordToKey("pw", Engine().KeyBuffer.data(), bits));
        ASSERT_TRUE(job.InitCipher());
        std::vector<uint8_t> data(100);
        std::iota(data.begin(), data.end(), 0);
        std::vector<uint8_t> encrypted = data;
        job.EncryptBuffer(encrypted.data(), 40);
        job.EncryptBuffer(encrypted.data() + 40, 60);

        TAESStream reference;
        reference.SetKey(Engine().KeyBuffer.data(), bits);
        uint8_t iv[16] = {};
        reference.SetIV(iv);
        reference.Decrypt(encrypted.data(), encrypted.size());
        EXPECT_EQ(encrypted, data) << bits;

        ASSERT_TRUE(job.ResetCipherIV());
        std::vector<uint8_t> again = data;
        job.EncryptBuffer(again.data(), again.size());
        job.ResetCipherIV();
        job.DecryptBuffer(again.data(), again.size());
        EXPECT_EQ(again, data) << "reset restarts the stream at position 0";
        job.FreeCipher();
    }
}

TEST_F(CipherGlueTest, InvalidKeySizeGivesNoCipher) {
    Engine().KeySize = 100;
    EXPECT_FALSE(job.InitCipher());
    uint8_t byte = 7;
    EXPECT_FALSE(job.EncryptBuffer(&byte, 1));
    EXPECT_EQ(byte, 7);
}

TEST_F(CipherGlueTest, CheckValueIsDerivedFromFirstPasswordCutTo255) {
    Engine().PasswordList = {std::string(300, 'p'), "second"};
    Engine().KeySize = 128;
    uint8_t check[8];
    ASSERT_TRUE(job.EncryptCheckValue(check));
    uint8_t key[32] = {};
    ASSERT_TRUE(PasswordToKey(std::string(255, 'p'), key, 128));
    EXPECT_TRUE(std::equal(key, key + 16, Engine().KeyBuffer.begin()));
    TAESStream reference;
    reference.SetKey(key, 128);
    uint8_t iv[16] = {};
    reference.SetIV(iv);
    reference.Decrypt(check, 8);
    EXPECT_TRUE(std::equal(CheckValue.begin(), CheckValue.end(), check));
    job.FreeCipher();
}

}  // namespace
}  // namespace qm::test
