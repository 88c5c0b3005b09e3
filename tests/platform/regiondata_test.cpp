#include "platform/regiondata.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

RegionData sample() {
    return {{0, 5, 100, 8}, {{10, 5, 90, 6}, {0, 6, 100, 7}, {5, 7, 95, 8}}};
}

RegionParseResult parse(const std::vector<uint8_t>& bytes) {
    return parseRegionData(bytes);
}

void putU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = uint8_t(value >> (8 * i));
}

TEST(RegionDataTest, WrittenDataReadsBack) {
    const std::vector<uint8_t> bytes = writeRegionData(sample());
    ASSERT_EQ(bytes.size(), 32u + 3 * 16);
    RegionParseResult result = parse(bytes);
    ASSERT_TRUE(result.data) << result.error;
    EXPECT_EQ(result.data->bounds, sample().bounds);
    EXPECT_EQ(result.data->rects, sample().rects);
}

struct DamageRow {
    const char* name;
    void (*damage)(std::vector<uint8_t>&);
    const char* errorPart;
};

class DamagedRegionTest : public ::testing::TestWithParam<DamageRow> {};

TEST_P(DamagedRegionTest, IsRefusedWithReason) {
    std::vector<uint8_t> bytes = writeRegionData(sample());
    GetParam().damage(bytes);
    RegionParseResult result = parse(bytes);
    EXPECT_FALSE(result.data);
    EXPECT_NE(result.error.find(GetParam().errorPart), std::string::npos) << result.error;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, DamagedRegionTest,
    ::testing::Values(
        DamageRow{"shorter_than_header", [](auto& b) { b.resize(20); }, "shorter"},
        DamageRow{"truncated_mid_rect", [](auto& b) { b.resize(b.size() - 5); }, "announces"},
        DamageRow{"trailing_bytes", [](auto& b) { b.push_back(0); }, "announces"},
        DamageRow{"wrong_header_size", [](auto& b) { putU32(b, 0, 40); }, "header size"},
        DamageRow{"wrong_type", [](auto& b) { putU32(b, 4, 2); }, "type"},
        DamageRow{"huge_count", [](auto& b) { putU32(b, 8, 0x7fffffff); }, "count"},
        DamageRow{"zero_count", [](auto& b) { putU32(b, 8, 0); }, "count"},
        DamageRow{"rect_bytes_mismatch", [](auto& b) { putU32(b, 12, 16); }, "rectangle bytes"},
        DamageRow{"empty_bounds", [](auto& b) { putU32(b, 24, 0); }, "bounding"},
        DamageRow{"rect_outside_bounds", [](auto& b) { putU32(b, 32 + 16 + 8, 500); },
                  "rectangle 1 at byte 48"},
        DamageRow{"empty_rect", [](auto& b) { putU32(b, 32 + 8, 10); }, "empty"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace qm
