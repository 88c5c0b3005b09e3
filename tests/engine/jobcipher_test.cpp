#include "engine/jobcipher.h"

#include "engine/keymanager.h"
#include "opensslref.h"
#include "support/rowname.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::TBytes;

const TBytes kCheck = {'Q', 'M', 'C', 'H', 'E', 'C', 'K', '1'};

TBytes KeyFor(const std::string& Password, int Bits) {
    TBytes k(kMaxKeyBytes, 0);
    EXPECT_TRUE(PasswordToKey(Password, k.data(), Bits));
    return k;
}

class JobCipher : public ::testing::TestWithParam<int> {
  protected:
    int Bits() const { return GetParam(); }
};

TEST_P(JobCipher, InitStartsStreamAtZeroIV) {
    const TBytes key = KeyFor("pw", Bits());
    TJobCipher job;
    ASSERT_TRUE(job.InitCipher(key.data(), Bits()));
    const TBytes plain = test::Pattern(100, 1);
    TBytes buf = plain;
    ASSERT_TRUE(job.EncryptBuffer(buf.data(), buf.size()));
    EXPECT_EQ(buf, test::OpenSslCfb(Bits(), key.data(), plain, true));
}

TEST_P(JobCipher, ResetThenEightBytesAndBufferEqualsJoined) {
    const TBytes key = KeyFor("pw", Bits());
    TJobCipher job;
    ASSERT_TRUE(job.InitCipher(key.data(), Bits()));
    TBytes junk = test::Pattern(37, 2);
    job.EncryptBuffer(junk.data(), junk.size()); // an earlier file
    const TBytes plain = test::Pattern(8 + 1000, 3);
    ASSERT_TRUE(job.ResetCipherIV());
    TBytes split = plain;
    job.EncryptBuffer(split.data(), 8);
    job.EncryptBuffer(split.data() + 8, 1000);
    ASSERT_TRUE(job.ResetCipherIV());
    TBytes joined = plain;
    job.EncryptBuffer(joined.data(), joined.size());
    EXPECT_EQ(split, joined);
    EXPECT_EQ(joined, test::OpenSslCfb(Bits(), key.data(), plain, true));
}

TEST_P(JobCipher, DecryptAfterResetRestoresData) {
    const TBytes key = KeyFor("pw", Bits());
    TJobCipher job(TRijndael::TPath::Table);
    ASSERT_TRUE(job.InitCipher(key.data(), Bits()));
    const TBytes plain = test::Pattern(5000, 4);
    TBytes buf = plain;
    job.EncryptBuffer(buf.data(), buf.size());
    ASSERT_TRUE(job.ResetCipherIV());
    ASSERT_TRUE(job.DecryptBuffer(buf.data(), 123));
    ASSERT_TRUE(job.DecryptBuffer(buf.data() + 123, buf.size() - 123));
    EXPECT_EQ(buf, plain);
}

// The check value is encrypted at the start of a fresh stream under the key of
// the password, and the entry's data continues the same stream.
TEST_P(JobCipher, CheckValueRekeysAndLeavesStreamAtEight) {
    TJobCipher job;
    const TBytes otherKey = KeyFor("other", Bits());
    ASSERT_TRUE(job.InitCipher(otherKey.data(), Bits()));
    TBytes keyBuffer(kMaxKeyBytes, 0);
    TBytes check(8);
    ASSERT_TRUE(
        job.EncryptCheckValue("right", Bits(), keyBuffer.data(), kCheck.data(), check.data()));
    const TBytes key = KeyFor("right", Bits());
    EXPECT_EQ(TBytes(keyBuffer.begin(), keyBuffer.begin() + Bits() / 8),
              TBytes(key.begin(), key.begin() + Bits() / 8));

    const TBytes data = test::Pattern(40, 5);
    TBytes rest = data;
    job.EncryptBuffer(rest.data(), rest.size());
    TBytes joined = kCheck;
    joined.insert(joined.end(), data.begin(), data.end());
    const TBytes want = test::OpenSslCfb(Bits(), key.data(), joined, true);
    EXPECT_EQ(check, TBytes(want.begin(), want.begin() + 8));
    EXPECT_EQ(rest, TBytes(want.begin() + 8, want.end()));
}

INSTANTIATE_TEST_SUITE_P(KeySizes, JobCipher, ::testing::Values(128, 192, 256),
                         qm::test::RowsNamedBy([](int bits) {
                             return "key_" + std::to_string(bits);
                         }));

TEST(JobCipherState, BadKeySizeCreatesNoCipher) {
    const TBytes key(kMaxKeyBytes, 1);
    TJobCipher job;
    EXPECT_FALSE(job.InitCipher(key.data(), 100));
    EXPECT_FALSE(job.Active());
    EXPECT_EQ(job.Stream(), nullptr);
}

TEST(JobCipherState, OperationsWithoutCipherDoNothing) {
    TJobCipher job;
    TBytes buf = test::Pattern(20, 6);
    const TBytes before = buf;
    EXPECT_FALSE(job.ResetCipherIV());
    EXPECT_FALSE(job.EncryptBuffer(buf.data(), buf.size()));
    EXPECT_FALSE(job.DecryptBuffer(buf.data(), buf.size()));
    TBytes keyBuffer(kMaxKeyBytes, 7);
    TBytes check(8, 9);
    EXPECT_FALSE(job.EncryptCheckValue("pw", 128, keyBuffer.data(), kCheck.data(), check.data()));
    EXPECT_EQ(buf, before);
    EXPECT_EQ(keyBuffer, TBytes(kMaxKeyBytes, 7));
    EXPECT_EQ(check, TBytes(8, 9));
}

TEST(JobCipherState, FreeEndsTheCipher) {
    const TBytes key = KeyFor("pw", 128);
    TJobCipher job;
    ASSERT_TRUE(job.InitCipher(key.data(), 128));
    EXPECT_TRUE(job.Active());
    EXPECT_TRUE(job.FreeCipher());
    EXPECT_FALSE(job.Active());
    TBytes buf(4, 0);
    EXPECT_FALSE(job.EncryptBuffer(buf.data(), buf.size()));
    EXPECT_EQ(buf, TBytes(4, 0));
}

TEST(JobCipherState, CheckValueWithBadKeySizeWritesNothing) {
    const TBytes key = KeyFor("pw", 128);
    TJobCipher job;
    ASSERT_TRUE(job.InitCipher(key.data(), 128));
    TBytes keyBuffer(kMaxKeyBytes, 7);
    TBytes check(8, 9);
    EXPECT_FALSE(job.EncryptCheckValue("pw", 100, keyBuffer.data(), kCheck.data(), check.data()));
    EXPECT_EQ(keyBuffer, TBytes(kMaxKeyBytes, 7));
    EXPECT_EQ(check, TBytes(8, 9));
}

TEST(JobCipherState, ReinitReplacesKey) {
    const TBytes k1 = KeyFor("one", 256);
    const TBytes k2 = KeyFor("two", 128);
    TJobCipher job;
    ASSERT_TRUE(job.InitCipher(k1.data(), 256));
    ASSERT_TRUE(job.InitCipher(k2.data(), 128));
    EXPECT_EQ(job.Stream()->KeySize(), 128);
    const TBytes plain = test::Pattern(30, 8);
    TBytes buf = plain;
    job.EncryptBuffer(buf.data(), buf.size());
    EXPECT_EQ(buf, test::OpenSslCfb(128, k2.data(), plain, true));
}

} // namespace
} // namespace qm
