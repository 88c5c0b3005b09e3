#include "engine/compression.h"

#include "engine/enginestate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

namespace qm::test {
namespace {

using Bytes = std::vector<uint8_t>;

// Half random, half repetitive: both deflate paths (stored-like and matched) get used.
Bytes SampleData(size_t size) {
    Bytes data(size);
    std::mt19937 random(static_cast<unsigned>(size));
    for (size_t i = 0; i < size; ++i)
        data[i] = i < size / 2 ? static_cast<uint8_t>(random()) : static_cast<uint8_t>(i % 7);
    return data;
}

// Inflates with plain zlib, independent of the wrapper under test.
Bytes PlainInflate(const Bytes& stream, size_t plainSize) {
    Bytes out(plainSize + 1);
    uLongf outLength = static_cast<uLongf>(out.size());
    EXPECT_EQ(uncompress(out.data(), &outLength, stream.data(), stream.size()), Z_OK);
    out.resize(outLength);
    return out;
}

class CompressionTest : public ::testing::TestWithParam<std::tuple<size_t, int>> {
  protected:
    void SetUp() override { Engine().Reset(); }
    void TearDown() override { Engine().Reset(); }
};

TEST_P(CompressionTest, RoundTripsAndInflatesWithPlainZlib) {
    auto [size, level] = GetParam();
    Engine().CompressionLevel = static_cast<uint8_t>(level);
    Bytes data = SampleData(size);
    Bytes packed(static_cast<size_t>(CompressBound(static_cast<int64_t>(size))));
    int64_t packedBytes = -1;
    CompressBuffer(data.data(), static_cast<int64_t>(size), packed.data(), packedBytes);
    ASSERT_EQ(Engine().ErrorCount, 0);
    ASSERT_GT(packedBytes, 0);
    ASSERT_LE(packedBytes, static_cast<int64_t>(packed.size()));
    packed.resize(static_cast<size_t>(packedBytes));
    EXPECT_EQ(PlainInflate(packed, size), data);

    Bytes plain(size + 16);
    int64_t plainBytes = -1;
    EXPECT_EQ(DecompressBuffer(packed.data(), packedBytes, plain.data(), static_cast<int64_t>(size),
                               &plainBytes),
              Z_OK);
    EXPECT_EQ(Engine().ErrorCount, 0);
    EXPECT_EQ(plainBytes, static_cast<int64_t>(size));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), plain.begin()));
}

INSTANTIATE_TEST_SUITE_P(ChunkBoundaries, CompressionTest,
                         ::testing::Combine(::testing::Values(0, 1, 8388607, 8388608, 8388609),
                                            ::testing::Values(0, 9)));

TEST(CompressionBound, MatchesTheBufferSizes) {
    EXPECT_EQ(CompressBound(0), 256);
    EXPECT_EQ(CompressBound(8388608), 9227520);
    EXPECT_EQ(CompressBound(16777216), static_cast<int64_t>(kPackedBufferSize));
}

TEST(DecompressFailures, AreCountedNotThrown) {
    Engine().Reset();
    Bytes data = SampleData(1000);
    Bytes packed(static_cast<size_t>(CompressBound(1000)));
    int64_t packedBytes = 0;
    CompressBuffer(data.data(), 1000, packed.data(), packedBytes);
    Bytes plain(1000);

    // One byte too little room.
    int before = Engine().ErrorCount;
    DecompressBuffer(packed.data(), packedBytes, plain.data(), 999);
    EXPECT_GT(Engine().ErrorCount, before);

    // A stream cut short.
    before = Engine().ErrorCount;
    DecompressBuffer(packed.data(), packedBytes / 2, plain.data(), 1000);
    EXPECT_GT(Engine().ErrorCount, before);

    // Garbage, and the empty input of a chunk whose table entry stayed 0.
    before = Engine().ErrorCount;
    Bytes garbage(64, 0xAB);
    DecompressBuffer(garbage.data(), 64, plain.data(), 1000);
    EXPECT_GT(Engine().ErrorCount, before);
    before = Engine().ErrorCount;
    DecompressBuffer(garbage.data(), 0, plain.data(), 0);
    EXPECT_GT(Engine().ErrorCount, before);
    Engine().Reset();
}

} // namespace
} // namespace qm::test
