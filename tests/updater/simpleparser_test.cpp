#include "updater/simpleparser.h"

#include "support/rowname.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TSimpleParser parsed(std::vector<std::string> lines) {
    TSimpleParser parser;
    parser.SetText(lines);
    return parser;
}

// A release reply as the server writes it, tag case mixed, a file's date before the
// release's own and a gap in the file numbers.
TEST(SimpleParser, ReadsAReleaseReply) {
    const TSimpleParser p =
        parsed({"<RESULT> NEW RELEASE </Result>",
                "<file_0><name>Qmoor.ex_</name><DATE>2026-01-01</DATE>", "</file_0>",
                "<date>2026-15-03</date>", "<descr>Faster backups.", "Fewer questions.</descr>",
                "<file_2><name> Help/Backup.htm </name>", "<date>2026-14-03</date></file_2>"});
    EXPECT_EQ(p.GetValue("result"), " NEW RELEASE ") << "as written, blanks and all";
    EXPECT_EQ(p.GetValue("date"), "2026-15-03") << "a file's date is not the release's";
    EXPECT_EQ(p.GetValue("descr"), "Faster backups.\r\nFewer questions.");
    EXPECT_EQ(p.GetSubValue("file_0", "date"), "2026-01-01");
    EXPECT_EQ(p.GetSubValue("FILE_2", "name"), " Help/Backup.htm ");
    EXPECT_TRUE(p.TagExists("file_0"));
    EXPECT_FALSE(p.TagExists("file_1"));
    EXPECT_TRUE(p.TagExists("File_2"));
    EXPECT_EQ(p.GetSubValue("file_1", "name"), "");
}

struct ValueRow {
    std::vector<std::string> lines;
    std::string name;
    std::string value;
};

class SimpleParserValue : public ::testing::TestWithParam<ValueRow> {};

TEST_P(SimpleParserValue, FindsTheValueOrNothing) {
    EXPECT_EQ(parsed(GetParam().lines).GetValue(GetParam().name), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Values, SimpleParserValue,
    ::testing::Values(ValueRow{{"<result>new release</result>"}, "result", "new release"},
                      ValueRow{{"<result>NO UPDATE"}, "result", ""},
                      ValueRow{{"</result>x<result>"}, "result", ""},
                      ValueRow{{"<res", "ult>BAD REQUEST</result>"}, "result", ""},
                      ValueRow{{"<result>BAD REQUEST</result><result>NO UPDATE</result>"},
                               "result",
                               "BAD REQUEST"},
                      ValueRow{{"<file_0><date>2026-01-01</date>"}, "date", ""},
                      ValueRow{{}, "result", ""}),
    qm::test::RowsNamedBy([](const ValueRow& row) {
        std::string text = row.name + " in";
        for (const std::string& line : row.lines)
            text += " " + line;
        return text;
    }));

} // namespace
} // namespace qm
