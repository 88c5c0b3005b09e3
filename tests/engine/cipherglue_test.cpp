#include "engine/aesstream.h"
#include "engine/copytree.h"
#include "engine/jobcipher.h"
#include "engine/keymanager.h"

#include "enginetest.h"

#include <numeric>

namespace qm::test {
namespace {

class CipherGlueTest : public EngineTest {};

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

} // namespace
} // namespace qm::test
