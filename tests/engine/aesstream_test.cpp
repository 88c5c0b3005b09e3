#include "engine/aesstream.h"

#include "opensslref.h"

#include <gtest/gtest.h>

#include <tuple>

namespace qm {
namespace {

using test::TBytes;
using TPath = TRijndael::TPath;

constexpr std::size_t kMiB8 = 8u << 20;

class AesStreamVsOpenSsl : public ::testing::TestWithParam<std::tuple<TPath, int>> {
protected:
    void SetUp() override {
        if (Path() == TPath::Auto && !TRijndael::HardwareAvailable())
            GTEST_SKIP() << "CPU has no AES instructions";
        fKey = test::Pattern(static_cast<std::size_t>(Bits() / 8), static_cast<std::uint32_t>(Bits()));
    }
    TPath Path() const { return std::get<0>(GetParam()); }
    int Bits() const { return std::get<1>(GetParam()); }

    std::unique_ptr<TAESStream> Fresh() const {
        auto s = std::make_unique<TAESStream>(Path());
        EXPECT_TRUE(s->SetKey(fKey.data(), Bits()));
        const std::uint8_t iv[16] = {};
        s->SetIV(iv);
        return s;
    }
    // Runs Data through a fresh stream in pieces of the given sizes, the last
    // piece taking whatever is left.
    TBytes Chunked(const TBytes& Data, const std::vector<std::size_t>& Pieces, bool Encrypt) const {
        auto s = Fresh();
        TBytes buf = Data;
        std::size_t at = 0;
        for (std::size_t piece : Pieces) {
            const std::size_t n = std::min(piece, buf.size() - at);
            Encrypt ? s->Encrypt(buf.data() + at, n) : s->Decrypt(buf.data() + at, n);
            at += n;
        }
        Encrypt ? s->Encrypt(buf.data() + at, buf.size() - at)
                : s->Decrypt(buf.data() + at, buf.size() - at);
        return buf;
    }
    TBytes Reference(const TBytes& Data, bool Encrypt) const {
        return test::OpenSslCfb(Bits(), fKey.data(), Data, Encrypt);
    }

    TBytes fKey;
};

TEST_P(AesStreamVsOpenSsl, OneCallEqualsCfb128ForManyLengths) {
    for (std::size_t len : {0u, 1u, 15u, 16u, 17u, 31u, 33u, 1000u}) {
        const TBytes plain = test::Pattern(len, static_cast<std::uint32_t>(len));
        const TBytes cipher = Chunked(plain, {}, true);
        ASSERT_EQ(cipher, Reference(plain, true)) << "length " << len;
        ASSERT_EQ(Chunked(cipher, {}, false), plain) << "length " << len;
    }
}

TEST_P(AesStreamVsOpenSsl, EveryTwoWaySplitEqualsOneCall) {
    const TBytes plain = test::Pattern(100, 5);
    const TBytes want = Reference(plain, true);
    for (std::size_t cut = 0; cut <= plain.size(); ++cut) {
        ASSERT_EQ(Chunked(plain, {cut}, true), want) << "cut at " << cut;
        ASSERT_EQ(Chunked(want, {cut}, false), plain) << "cut at " << cut;
    }
}

TEST_P(AesStreamVsOpenSsl, IrregularPiecesEqualOneCall) {
    const TBytes plain = test::Pattern(1000, 6);
    const TBytes want = Reference(plain, true);
    const std::vector<std::vector<std::size_t>> patterns = {
        {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1},
        {8, 100},
        {15, 17, 16, 1, 31, 33, 48},
        {3, 0, 29, 0, 64, 7, 9, 200},
        {16, 16, 16, 160},
        {999},
    };
    for (const auto& pieces : patterns) {
        ASSERT_EQ(Chunked(plain, pieces, true), want) << "pieces from " << pieces[0];
        ASSERT_EQ(Chunked(want, pieces, false), plain) << "pieces from " << pieces[0];
    }
}

// Backups run 8 MiB blocks; check the sizes around that, whole and cut oddly.
TEST_P(AesStreamVsOpenSsl, EightMiBBuffersAroundTheBlockSize) {
    for (std::size_t len : {kMiB8 - 1, kMiB8, kMiB8 + 1}) {
        const TBytes plain = test::Pattern(len, 8);
        const TBytes want = Reference(plain, true);
        ASSERT_EQ(Chunked(plain, {}, true), want) << len;
        ASSERT_EQ(Chunked(plain, {7, 4096, kMiB8 - 9}, true), want) << len;
        ASSERT_EQ(Chunked(want, {}, false), plain) << len;
        ASSERT_EQ(Chunked(want, {kMiB8 / 2 + 3}, false), plain) << len;
    }
}

std::string ParamName(const ::testing::TestParamInfo<std::tuple<TPath, int>>& info) {
    return std::string(std::get<0>(info.param) == TPath::Table ? "Table" : "Hardware") +
           std::to_string(std::get<1>(info.param));
}

INSTANTIATE_TEST_SUITE_P(Cfb, AesStreamVsOpenSsl,
                         ::testing::Combine(::testing::Values(TPath::Table, TPath::Auto),
                                            ::testing::Values(128, 192, 256)),
                         ParamName);

TEST(AesStream, HasAesSizes) {
    const TAESStream s;
    EXPECT_EQ(s.BlockSize(), 16);
    EXPECT_EQ(s.IVSize(), 16);
    EXPECT_EQ(s.MACSize(), 16);
    EXPECT_EQ(s.NextKeySize(0), 128);
    EXPECT_EQ(s.NextKeySize(128), 192);
    EXPECT_EQ(s.NextKeySize(192), 256);
    EXPECT_EQ(s.NextKeySize(256), -1);
}

TEST(AesStream, PathChoiceReachesTheBlockCipher) {
    const TAESStream table(TPath::Table);
    EXPECT_FALSE(dynamic_cast<const TRijndael&>(table.Cipher()).UsesHardware());
    const TAESStream any;
    EXPECT_EQ(dynamic_cast<const TRijndael&>(any.Cipher()).UsesHardware(),
              TRijndael::HardwareAvailable());
}

} // namespace
} // namespace qm
