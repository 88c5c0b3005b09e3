#include "platform/pathtools.h"

#include "support/rowname.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

struct SplitRow {
    const char* path;
    std::vector<std::string> parts;
};

class SplitPathTest : public ::testing::TestWithParam<SplitRow> {};

TEST_P(SplitPathTest, Components) {
    EXPECT_EQ(SplitPath(GetParam().path), GetParam().parts);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SplitPathTest,
    ::testing::Values(SplitRow{"C:\\dir\\name.ext", {"C:", "dir", "name.ext"}},
                      SplitRow{"C:\\dir\\", {"C:", "dir"}}, SplitRow{"a\\\\b", {"a", "", "b"}},
                      SplitRow{"\\x", {"", "x"}}, SplitRow{"", {}}, SplitRow{"C:", {"C:"}}),
    qm::test::RowsNamedBy([](const SplitRow& row) { return std::string(row.path); }));

TEST(JoinPathTest, Rows) {
    EXPECT_EQ(JoinPath("C:\\", "x"), "C:\\x");
    EXPECT_EQ(JoinPath("", "x"), "x");
    EXPECT_EQ(JoinPath("C:\\dir", "x"), "C:\\dir\\x");
    EXPECT_EQ(JoinPath("C:\\dir", "\\x"), "C:\\dir\\\\x"); // the name is taken as it is
}

} // namespace
} // namespace qm
