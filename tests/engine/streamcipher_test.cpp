#include "engine/aesstream.h"
#include "engine/streamcipher.h"

#include "opensslref.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::TBytes;

const TBytes kKey = test::Pattern(16, 42);
const std::uint8_t kZeroIV[16] = {};


// E(Block) under kKey at 128 bits, from the reference implementation.
TBytes E(const TBytes& Block) { return test::OpenSslEcb(128, kKey.data(), Block); }

TBytes Xor(TBytes A, const TBytes& B) {
    for (std::size_t i = 0; i < A.size(); ++i)
        A[i] ^= B[i];
    return A;
}

class StreamCipher : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fS.SetKey(kKey.data(), 128)); }
    TBytes Mac() {
        TBytes m(16);
        fS.GetMAC(m.data());
        return m;
    }
    TBytes Register() const {
        TBytes r(16);
        fS.GetIV(r.data());
        return r;
    }
    TAESStream fS;
};

TEST_F(StreamCipher, SetIVLeavesEncryptedIVInRegister) {
    const TBytes iv = test::Pattern(16, 3);
    fS.SetIV(iv.data());
    EXPECT_EQ(Register(), E(iv));
}

TEST_F(StreamCipher, FirstKeystreamByteIsFirstByteOfEncryptedZeroBlock) {
    fS.SetIV(kZeroIV);
    std::uint8_t x = 0;
    fS.Encrypt(&x, 1);
    EXPECT_EQ(x, E(TBytes(16, 0))[0]);
}

TEST_F(StreamCipher, EightThenHundredBytesEqualOneCallOf108) {
    const TBytes plain = test::Pattern(108, 9);
    TBytes joined = plain;
    fS.SetIV(kZeroIV);
    fS.Encrypt(joined.data(), joined.size());
    TBytes split = plain;
    fS.SetIV(kZeroIV);
    fS.Encrypt(split.data(), 8);
    fS.Encrypt(split.data() + 8, 100);
    EXPECT_EQ(split, joined);
}

TEST_F(StreamCipher, RegisterFeedsBackWholeCiphertextBlocks) {
    fS.SetIV(kZeroIV);
    TBytes buf = test::Pattern(32, 4);
    fS.Encrypt(buf.data(), 32);
    // After two whole blocks the register is E(second ciphertext block).
    EXPECT_EQ(Register(), E(TBytes(buf.begin() + 16, buf.end())));
}

TEST_F(StreamCipher, PartialBlockLeavesCiphertextInRegister) {
    fS.SetIV(kZeroIV);
    const TBytes keystream = E(TBytes(16, 0));
    TBytes buf = test::Pattern(5, 4);
    fS.Encrypt(buf.data(), 5);
    const TBytes r = Register();
    EXPECT_TRUE(std::equal(buf.begin(), buf.end(), r.begin()));
    EXPECT_TRUE(std::equal(r.begin() + 5, r.end(), keystream.begin() + 5));
}

TEST_F(StreamCipher, SetKeyRestartsPositionButKeepsRegister) {
    fS.SetIV(kZeroIV);
    TBytes head = test::Pattern(5, 1);
    fS.Encrypt(head.data(), 5);
    const TBytes before = Register();
    ASSERT_TRUE(fS.SetKey(kKey.data(), 128));
    EXPECT_EQ(Register(), before);
    TBytes next = test::Pattern(16, 2);
    const TBytes plain = next;
    fS.Encrypt(next.data(), 16);
    // Position 0 again: the whole register is used as keystream.
    EXPECT_EQ(next, Xor(plain, before));
}

TEST_F(StreamCipher, UnsupportedKeySizeFails) {
    EXPECT_FALSE(fS.SetKey(kKey.data(), 100));
    EXPECT_EQ(fS.KeySize(), 128);
}

TEST_F(StreamCipher, WholeBlockCallsMatchByteStream) {
    const TBytes plain = test::Pattern(48, 12);
    TBytes blocks = plain;
    fS.SetIV(kZeroIV);
    fS.EncryptBlocks(blocks.data(), 3);
    TBytes bytes = plain;
    fS.SetIV(kZeroIV);
    fS.Encrypt(bytes.data(), bytes.size());
    EXPECT_EQ(blocks, bytes);
    fS.SetIV(kZeroIV);
    fS.DecryptBlocks(blocks.data(), 3);
    EXPECT_EQ(blocks, plain);
}

// The MAC and its finishing rule: a partial block is zero-filled and
// encrypted once more; a whole number of blocks (also none) is not.
TEST_F(StreamCipher, MacOfOneBlockIsItsEncryption) {
    const TBytes data = test::Pattern(16, 20);
    fS.MACReset();
    fS.MACUpdate(data.data(), 16);
    EXPECT_EQ(Mac(), E(data));
}

TEST_F(StreamCipher, MacOfNothingIsZero) {
    fS.MACReset();
    fS.MACUpdate(nullptr, 0);
    EXPECT_EQ(Mac(), TBytes(16, 0));
}

TEST_F(StreamCipher, MacOfSeventeenBytesZeroFillsTheLastBlock) {
    const TBytes data = test::Pattern(17, 21);
    fS.MACReset();
    fS.MACUpdate(data.data(), 17);
    // The finishing block keeps the filled byte and overwrites (not xors) the
    // rest of the chained register with zeros.
    TBytes last(16, 0);
    last[0] = static_cast<std::uint8_t>(E(TBytes(data.begin(), data.begin() + 16))[0] ^ data[16]);
    EXPECT_EQ(Mac(), E(last));
}

TEST_F(StreamCipher, MacOfFiveBytesIsEncryptionOfPaddedBlock) {
    const TBytes data = test::Pattern(5, 22);
    fS.MACReset();
    fS.MACUpdate(data.data(), 5);
    TBytes padded = data;
    padded.resize(16, 0);
    EXPECT_EQ(Mac(), E(padded));
}

TEST_F(StreamCipher, MacPiecesEqualOneUpdate) {
    const TBytes data = test::Pattern(75, 23);
    fS.MACReset();
    fS.MACUpdate(data.data(), data.size());
    const TBytes whole = Mac();
    for (std::size_t cut : {0u, 1u, 5u, 16u, 17u, 40u, 74u}) {
        TAESStream s;
        ASSERT_TRUE(s.SetKey(kKey.data(), 128));
        s.MACReset();
        s.MACUpdate(data.data(), cut);
        s.MACUpdate(data.data() + cut, data.size() - cut);
        TBytes m(16);
        s.GetMAC(m.data());
        EXPECT_EQ(m, whole) << "cut " << cut;
    }
}

TEST_F(StreamCipher, GetMacTwiceAddsNoBlock) {
    const TBytes data = test::Pattern(7, 24);
    fS.MACReset();
    fS.MACUpdate(data.data(), 7);
    const TBytes first = Mac();
    EXPECT_EQ(Mac(), first);
}

TEST_F(StreamCipher, VerifyMacComparesFinishedRegister) {
    const TBytes data = test::Pattern(20, 25);
    fS.MACReset();
    fS.MACUpdate(data.data(), 20);
    const TBytes mac = Mac();
    fS.MACReset();
    fS.MACUpdate(data.data(), 20);
    EXPECT_TRUE(fS.VerifyMAC(mac.data()));
    TBytes wrong = mac;
    wrong[15] ^= 1;
    EXPECT_FALSE(fS.VerifyMAC(wrong.data()));
}

TEST_F(StreamCipher, SetMacContinuesChainFromGivenRegister) {
    const TBytes start = test::Pattern(16, 26);
    const TBytes data = test::Pattern(16, 27);
    fS.SetMAC(start.data());
    fS.MACUpdate(data.data(), 16);
    EXPECT_EQ(Mac(), E(Xor(start, data)));
}

TEST_F(StreamCipher, MacResetKeepsFillPosition) {
    const TBytes data = test::Pattern(16, 28);
    fS.MACReset();
    fS.MACUpdate(data.data(), 5);
    fS.MACReset();
    fS.MACUpdate(data.data() + 5, 11);
    TBytes expect(16, 0);
    std::copy(data.begin() + 5, data.end(), expect.begin() + 5);
    EXPECT_EQ(Mac(), E(expect));
}

TEST_F(StreamCipher, MacDoesNotDisturbTheStream) {
    const TBytes plain = test::Pattern(40, 29);
    TBytes a = plain;
    fS.SetIV(kZeroIV);
    fS.Encrypt(a.data(), 20);
    fS.MACReset();
    fS.MACUpdate(plain.data(), 33);
    fS.Encrypt(a.data() + 20, 20);
    EXPECT_EQ(a, test::OpenSslCfb(128, kKey.data(), plain, true));
}

} // namespace
} // namespace qm
