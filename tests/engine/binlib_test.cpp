#include "engine/binlib.h"

#include <gtest/gtest.h>

#include <vector>

namespace qm {
namespace {

TEST(BinLib, Rol32RotatesByCountModuloThirtyTwo) {
    EXPECT_EQ(Rol32(0x80000001u, 1), 0x00000003u);
    EXPECT_EQ(Rol32(0x12345678u, 8), 0x34567812u);
    EXPECT_EQ(Rol32(0x12345678u, 0), 0x12345678u);
    EXPECT_EQ(Rol32(0x12345678u, 32), 0x12345678u);
    EXPECT_EQ(Rol32(0x12345678u, 40), 0x34567812u);
}

TEST(BinLib, XorBufferTouchesExactlyCountBytes) {
    for (long count : {-1L, 0L, 1L, 7L, 8L, 9L, 23L}) {
        std::vector<std::uint8_t> dest(32, 0xF0);
        std::vector<std::uint8_t> src(32);
        for (std::size_t i = 0; i < src.size(); ++i)
            src[i] = static_cast<std::uint8_t>(i + 1);
        XorBuffer(dest.data(), src.data(), count);
        for (long i = 0; i < 32; ++i) {
            const std::uint8_t want = i < count ? static_cast<std::uint8_t>(0xF0 ^ (i + 1)) : 0xF0;
            ASSERT_EQ(dest[static_cast<std::size_t>(i)], want) << "count " << count << " i " << i;
        }
    }
}

} // namespace
} // namespace qm
