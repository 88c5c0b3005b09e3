#include "engine/rijndael.h"

#include "opensslref.h"

#include <gtest/gtest.h>

#include <tuple>

namespace qm {
namespace {

using test::Hex;
using test::TBytes;
using TPath = TRijndael::TPath;

// Known answers from FIPS-197 Appendix C (C.1, C.2, C.3): key 00 01 02 ...,
// plaintext 00112233445566778899aabbccddeeff.
struct TVector {
    int Bits;
    const char* Cipher;
};

const TVector kFips197[] = {
    {128, "69c4e0d86a7b0430d8cdb78070b4c55a"},
    {192, "dda97ca4864cdfe06eaf70a0ec0d7191"},
    {256, "8ea2b7ca516745bfeafc49904b496089"},
};

TBytes CountingKey(int Bits) {
    TBytes k(static_cast<std::size_t>(Bits / 8));
    for (std::size_t i = 0; i < k.size(); ++i)
        k[i] = static_cast<std::uint8_t>(i);
    return k;
}

class RijndaelPath : public ::testing::TestWithParam<std::tuple<TPath, TVector>> {
protected:
    void SetUp() override {
        if (std::get<0>(GetParam()) == TPath::Auto && !TRijndael::HardwareAvailable())
            GTEST_SKIP() << "CPU has no AES instructions";
    }
    TPath Path() const { return std::get<0>(GetParam()); }
    TVector Vector() const { return std::get<1>(GetParam()); }
};

TEST_P(RijndaelPath, EncryptsFips197Vector) {
    TRijndael aes(Path());
    EXPECT_EQ(aes.UsesHardware(), Path() == TPath::Auto);
    ASSERT_TRUE(aes.SetKey(CountingKey(Vector().Bits).data(), Vector().Bits, true));
    EXPECT_EQ(aes.KeySize(), Vector().Bits);
    EXPECT_EQ(aes.Rounds(), Vector().Bits / 32 + 6);
    TBytes block = Hex("00112233445566778899aabbccddeeff");
    aes.EncryptBlock(block.data());
    EXPECT_EQ(block, Hex(Vector().Cipher));
}

TEST_P(RijndaelPath, DecryptsFips197VectorWithInverseSchedule) {
    TRijndael aes(Path());
    ASSERT_TRUE(aes.SetKey(CountingKey(Vector().Bits).data(), Vector().Bits, false));
    TBytes block = Hex(Vector().Cipher);
    aes.DecryptBlock(block.data());
    EXPECT_EQ(block, Hex("00112233445566778899aabbccddeeff"));
}

TEST_P(RijndaelPath, MatchesOpenSslOnRandomKeysAndBlocks) {
    const int bits = Vector().Bits;
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        const TBytes key = test::Pattern(static_cast<std::size_t>(bits / 8), seed);
        const TBytes plain = test::Pattern(16, seed + 1000);
        TRijndael enc(Path());
        TRijndael dec(Path());
        ASSERT_TRUE(enc.SetKey(key.data(), bits, true));
        ASSERT_TRUE(dec.SetKey(key.data(), bits, false));
        TBytes block = plain;
        enc.EncryptBlock(block.data());
        ASSERT_EQ(block, test::OpenSslEcb(bits, key.data(), plain)) << "seed " << seed;
        dec.DecryptBlock(block.data());
        ASSERT_EQ(block, plain) << "seed " << seed;
    }
}

// The chained loops have their own code on each path; they must agree with the
// plain per-block definitions of the base class.
TEST_P(RijndaelPath, ChainedLoopsMatchBlockByBlockDefinition) {
    const int bits = Vector().Bits;
    const TBytes key = test::Pattern(static_cast<std::size_t>(bits / 8), 7);
    TRijndael aes(Path());
    ASSERT_TRUE(aes.SetKey(key.data(), bits, true));
    for (std::size_t blocks : {0u, 1u, 3u, 4u, 5u, 9u}) {
        const TBytes data = test::Pattern(16 * blocks, static_cast<std::uint32_t>(blocks));
        const TBytes reg0 = test::Pattern(16, 99);
        auto run = [&](auto&& loop) {
            TBytes reg = reg0;
            TBytes buf = data;
            loop(reg.data(), buf.data());
            buf.insert(buf.end(), reg.begin(), reg.end());
            return buf;
        };
        const TBlockCipher& base = aes;
        EXPECT_EQ(run([&](auto r, auto b) { aes.CfbEncryptBlocks(r, b, blocks); }),
                  run([&](auto r, auto b) { base.TBlockCipher::CfbEncryptBlocks(r, b, blocks); }))
            << blocks;
        EXPECT_EQ(run([&](auto r, auto b) { aes.CfbDecryptBlocks(r, b, blocks); }),
                  run([&](auto r, auto b) { base.TBlockCipher::CfbDecryptBlocks(r, b, blocks); }))
            << blocks;
        EXPECT_EQ(run([&](auto r, auto b) { aes.MacBlocks(r, b, blocks); }),
                  run([&](auto r, auto b) { base.TBlockCipher::MacBlocks(r, b, blocks); }))
            << blocks;
    }
}

INSTANTIATE_TEST_SUITE_P(Fips197, RijndaelPath,
                         ::testing::Combine(::testing::Values(TPath::Table, TPath::Auto),
                                            ::testing::ValuesIn(kFips197)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) == TPath::Table
                                                    ? "Table"
                                                    : "Hardware") +
                                    std::to_string(std::get<1>(info.param).Bits);
                         });

TEST(Rijndael, NextKeySizeSteps) {
    const TRijndael aes;
    EXPECT_EQ(aes.NextKeySize(0), 128);
    EXPECT_EQ(aes.NextKeySize(127), 128);
    EXPECT_EQ(aes.NextKeySize(128), 192);
    EXPECT_EQ(aes.NextKeySize(191), 192);
    EXPECT_EQ(aes.NextKeySize(192), 256);
    EXPECT_EQ(aes.NextKeySize(255), 256);
    EXPECT_EQ(aes.NextKeySize(256), -1);
    EXPECT_EQ(aes.BlockSize(), 16);
}

TEST(Rijndael, UnsupportedKeySizeKeepsPreviousSchedule) {
    TRijndael aes(TPath::Table);
    ASSERT_TRUE(aes.SetKey(CountingKey(128).data(), 128, true));
    const TBytes other(32, 0xEE);
    for (int bits : {0, 100, 64, 129, 512}) {
        EXPECT_FALSE(aes.SetKey(other.data(), bits, true)) << bits;
        EXPECT_EQ(aes.KeySize(), 128);
        TBytes block = Hex("00112233445566778899aabbccddeeff");
        aes.EncryptBlock(block.data());
        EXPECT_EQ(block, Hex(kFips197[0].Cipher)) << bits;
    }
}

TEST(Rijndael, FreshInstanceHasNoKey) {
    const TRijndael aes;
    EXPECT_EQ(aes.KeySize(), 0);
    EXPECT_EQ(aes.Rounds(), 0);
}

TEST(Rijndael, BlockHelpersWorkOnSixteenBytes) {
    const TRijndael aes;
    TBytes a = test::Pattern(20, 1);
    const TBytes b = test::Pattern(20, 2);
    const TBytes before = a;
    aes.XorBlock(a.data(), b.data());
    for (std::size_t i = 0; i < 16; ++i)
        EXPECT_EQ(a[i], before[i] ^ b[i]);
    EXPECT_TRUE(std::equal(a.begin() + 16, a.end(), before.begin() + 16));
    aes.CopyBlock(a.data(), b.data());
    EXPECT_TRUE(std::equal(a.begin(), a.begin() + 16, b.begin()));
    EXPECT_TRUE(std::equal(a.begin() + 16, a.end(), before.begin() + 16));
}

} // namespace
} // namespace qm
