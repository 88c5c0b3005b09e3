#include "engine/keymanager.h"

#include "opensslref.h"
#include "support/rowname.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::Hex;
using test::TBytes;

TBytes Key(const std::string& Password, int Bits) {
    TBytes k(kMaxKeyBytes, 0xAA);
    EXPECT_TRUE(PasswordToKey(Password, k.data(), Bits));
    return TBytes(k.begin(), k.begin() + Bits / 8);
}

TBytes Digest(const std::string& Password) {
    const TPasswordDigest d = HashPassword(Password);
    return TBytes(d.begin(), d.end());
}

// Keys every existing encrypted backup was made with. Computed once, step by
// step, with the openssl command-line tool (aes-128-ecb), not with this code.
// A change here means old backups no longer open.
struct TGolden {
    const char* Password;
    const char* Digest;
    const char* Key256;
};

const TGolden kGolden[] = {
    {"", "00000000000000000000000000000000",
     "c856c17d6dc6cbbe0d519b4ba61fff101cfb9cce3c4b03e3deb0a9c378dd552d"},
    {"secret", "94a7bb649509f17242b61fd7a785e7d7",
     "ad6376f1f22a2cffb23bf26364ec6ce73f00ec9e7f972df69202815e3c6409ce"},
    {"0123456789abcdef", "a2fb9ed4ea4302b5ed1ef46062f7ef88",
     "e36dbc2079fa94a7a26b36dcfbf991da9b950aad77f3d5735e64a93890cb43f0"},
    {"0123456789abcdefg", "4e091179280b9bc7b30ac8e38fe708b2",
     "d377f0489aeb07b86d073ea3274a9dfaad42f6c9c1aa06e412b013044b1e8b71"},
};

class KeyManagerGolden : public ::testing::TestWithParam<TGolden> {};

TEST_P(KeyManagerGolden, DigestAndKeysAreStable) {
    const TGolden g = GetParam();
    EXPECT_EQ(Digest(g.Password), Hex(g.Digest));
    const TBytes k256 = Hex(g.Key256);
    EXPECT_EQ(Key(g.Password, 256), k256);
    EXPECT_EQ(Key(g.Password, 192), TBytes(k256.begin(), k256.begin() + 24));
    EXPECT_EQ(Key(g.Password, 128), TBytes(k256.begin(), k256.begin() + 16));
}

INSTANTIATE_TEST_SUITE_P(KnownKeys, KeyManagerGolden, ::testing::ValuesIn(kGolden),
                         qm::test::RowsNamedBy([](const TGolden& row) {
                             return "password_" + std::string(row.Password);
                         }));

TEST(KeyManager, SamePasswordAndSizeGiveSameKey) {
    for (int bits : {128, 192, 256})
        EXPECT_EQ(Key("hunter2", bits), Key("hunter2", bits)) << bits;
}

TEST(KeyManager, ShorterKeysArePrefixesOfTheLongest) {
    for (const std::string& pw :
         std::vector<std::string>{"a", "correct horse battery staple", std::string(40, 'z')}) {
        const TBytes k256 = Key(pw, 256);
        EXPECT_EQ(Key(pw, 128), TBytes(k256.begin(), k256.begin() + 16)) << pw;
        EXPECT_EQ(Key(pw, 192), TBytes(k256.begin(), k256.begin() + 24)) << pw;
    }
}

TEST(KeyManager, UnsupportedSizeFailsAndLeavesBufferUntouched) {
    for (int bits : {0, 64, 100, 127, 160, 257, 512}) {
        TBytes k(kMaxKeyBytes, 0x5C);
        EXPECT_FALSE(PasswordToKey("secret", k.data(), bits)) << bits;
        EXPECT_EQ(k, TBytes(kMaxKeyBytes, 0x5C)) << bits;
    }
}

TEST(KeyManager, WritesOnlyTheKeyBytes) {
    for (int bits : {128, 192}) {
        TBytes k(kMaxKeyBytes, 0x5C);
        ASSERT_TRUE(PasswordToKey("secret", k.data(), bits));
        EXPECT_EQ(TBytes(k.begin() + bits / 8, k.end()), TBytes(kMaxKeyBytes - bits / 8, 0x5C));
    }
}

TEST(KeyManager, PasswordsAreCutTo255Bytes) {
    std::string long300(300, 'x');
    for (std::size_t i = 0; i < long300.size(); ++i)
        long300[i] = static_cast<char>('!' + i % 90);
    const std::string first255 = long300.substr(0, 255);
    EXPECT_EQ(Digest(long300), Digest(first255));
    EXPECT_EQ(Key(long300, 256), Key(first255, 256));
    EXPECT_NE(Key(first255, 256), Key(first255.substr(0, 254), 256));
}

TEST(KeyManager, DigestIsMacUnderLengthKey) {
    // Five bytes: one zero-padded block under a key of sixteen bytes 05.
    TBytes block = {'a', 'b', 'c', 'd', 'e'};
    block.resize(16, 0);
    const TBytes k(16, 5);
    EXPECT_EQ(Digest("abcde"), test::OpenSslEcb(128, k.data(), block));
    // Sixteen bytes: exactly one block and no finishing block.
    const std::string p16 = "ABCDEFGHIJKLMNOP";
    const TBytes k16(16, 16);
    EXPECT_EQ(Digest(p16), test::OpenSslEcb(128, k16.data(), TBytes(p16.begin(), p16.end())));
}

TEST(KeyManager, LengthIsPartOfTheKey) {
    // Same bytes apart from trailing zeros still differ through the length.
    EXPECT_NE(Key(std::string("ab"), 128), Key(std::string("ab\0", 3), 128));
    EXPECT_NE(Key("a", 128), Key("b", 128));
}

} // namespace
} // namespace qm
