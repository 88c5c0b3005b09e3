#include "platform/sizetext.h"

#include "support/rowname.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

struct SizeRow {
    int64_t size;
    const char* text;
};

class SizeToStrTest : public ::testing::TestWithParam<SizeRow> {};

TEST_P(SizeToStrTest, Text) {
    EXPECT_EQ(SizeToStr(GetParam().size, '.'), GetParam().text);
}

constexpr int64_t kMiB = 1048576, kGiB = 1073741824;

INSTANTIATE_TEST_SUITE_P(
    Rows, SizeToStrTest,
    ::testing::Values(SizeRow{-5, "1 Kb"}, SizeRow{0, "1 Kb"}, SizeRow{1024, "1 Kb"},
                      SizeRow{1025, "1 Kb"}, SizeRow{1536, "2 Kb"}, SizeRow{2560, "2 Kb"},
                      SizeRow{3584, "4 Kb"}, SizeRow{kMiB, "1024 Kb"}, SizeRow{kMiB + 1, "1.00 Mb"},
                      // Ties of the two decimals go to the even neighbour.
                      SizeRow{kMiB * 9 / 8, "1.12 Mb"}, SizeRow{kMiB * 11 / 8, "1.38 Mb"},
                      SizeRow{kMiB * 3 / 2, "1.50 Mb"}, SizeRow{kMiB * 1999 / 1000, "2.00 Mb"},
                      SizeRow{kGiB, "1024.00 Mb"}, SizeRow{kGiB + 1, "1.00 Gb"},
                      SizeRow{5 * kGiB, "5.00 Gb"}, SizeRow{kGiB * 21 / 8, "2.62 Gb"},
                      SizeRow{INT64_MAX, "8589934592.00 Gb"}),
    qm::test::RowsNamedBy([](const SizeRow& row) { return std::to_string(row.size); }));

TEST(SizeToStrSeparator, UsesTheGivenDecimalSeparator) {
    EXPECT_EQ(SizeToStr(5 * kGiB, ','), "5,00 Gb");
}

} // namespace
} // namespace qm
