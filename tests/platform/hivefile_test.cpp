#include "platform/hivefile.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(HiveFile, RoundTripKeepsOrderCaseTypesAndOddBytes) {
    HiveKey root;
    HiveKey& settings = root.subKeyOrCreate("SOFTWARE").subKeyOrCreate("Quillmoor Settings");
    settings.values.push_back({"Width", RegistryValueType::DWord, {}, 4294967295u});
    settings.values.push_back({"", RegistryValueType::String, "default text", 0});
    settings.values.push_back({"a b%@\\", RegistryValueType::String, "line\nbreak\t%@", 0});
    settings.values.push_back({"Blob", RegistryValueType::Binary, std::string("\0\xff\x10", 3), 0});
    settings.values.push_back({"Empty", RegistryValueType::Binary, "", 0});
    root.subKeyOrCreate("Zeta");
    root.subKeyOrCreate("alpha");

    HiveParseResult parsed = parseHive(serializeHive(root));
    ASSERT_TRUE(parsed.root) << parsed.error;
    ASSERT_EQ(parsed.root->subKeys.size(), 3u);
    EXPECT_EQ(parsed.root->subKeys[1]->name, "Zeta");
    EXPECT_EQ(parsed.root->subKeys[2]->name, "alpha");
    const HiveKey* back = parsed.root->findSubKey("software")->findSubKey("QUILLMOOR SETTINGS");
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->values.size(), 5u);
    EXPECT_EQ(back->values[0].number, 4294967295u);
    EXPECT_EQ(back->values[1].name, "");
    EXPECT_EQ(back->values[1].data, "default text");
    EXPECT_EQ(back->values[2].name, "a b%@\\");
    EXPECT_EQ(back->values[2].data, "line\nbreak\t%@");
    EXPECT_EQ(back->values[3].data, std::string("\0\xff\x10", 3));
    EXPECT_EQ(back->values[4].type, RegistryValueType::Binary);
    EXPECT_EQ(serializeHive(*parsed.root), serializeHive(root));
}

TEST(HiveFile, DocumentedLayout) {
    HiveKey root;
    HiveKey& key = root.subKeyOrCreate("A").subKeyOrCreate("B c");
    key.values.push_back({"", RegistryValueType::String, "x y", 0});
    key.values.push_back({"N", RegistryValueType::DWord, {}, 7});
    key.values.push_back({"Bin", RegistryValueType::Binary, "\x01\xAB", 0});
    EXPECT_EQ(serializeHive(root), "QMHIVE 1\nK\nK A\nK A\\B%20c\n"
                                   "V sz @ x%20y\nV dword N 7\nV binary Bin 01ab\n");
}

struct BadHive {
    const char* name;
    const char* text;
    const char* error;
};

class HiveFileRejects : public testing::TestWithParam<BadHive> {};

TEST_P(HiveFileRejects, WithLineNumber) {
    HiveParseResult parsed = parseHive(GetParam().text);
    EXPECT_FALSE(parsed.root);
    EXPECT_NE(parsed.error.find(GetParam().error), std::string::npos) << parsed.error;
}

INSTANTIATE_TEST_SUITE_P(
    Damage, HiveFileRejects,
    testing::Values(BadHive{"WrongHeader", "QMHIVE 2\n", "line 1"},
                    BadHive{"NoLineEnd", "QMHIVE 1\nK A", "line 2: no line end"},
                    BadHive{"ValueBeforeKey", "QMHIVE 1\nV sz a b\n", "line 2"},
                    BadHive{"UnknownType", "QMHIVE 1\nK\nV qword a 1\n", "line 3"},
                    BadHive{"DwordTooBig", "QMHIVE 1\nK\nV dword a 4294967296\n", "line 3"},
                    BadHive{"DwordNotNumber", "QMHIVE 1\nK\nV dword a -1\n", "line 3"},
                    BadHive{"OddHex", "QMHIVE 1\nK\nV binary a abc\n", "line 3"},
                    BadHive{"TruncatedEscape", "QMHIVE 1\nK\nV sz a b%4\n", "line 3"},
                    BadHive{"RawBlankInData", "QMHIVE 1\nK\nV sz a b c\n", "line 3"},
                    BadHive{"DuplicateValue", "QMHIVE 1\nK\nV sz a 1\nV sz A 2\n", "line 4"},
                    BadHive{"EmptyKeyPath", "QMHIVE 1\nK %5C\n", "line 2"},
                    BadHive{"Garbage", "QMHIVE 1\n\x01\x02\n", "line 2"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HiveFile, ManySiblingsKeepOrderAndMatchKeysWithoutCase) {
    std::string text = "QMHIVE 1\nK\n";
    constexpr int kCount = 20000;
    for (int i = 0; i < kCount; ++i)
        text += "V dword v" + std::to_string(i) + " " + std::to_string(i) + "\n";
    for (int i = 0; i < kCount; ++i)
        text += "K Key" + std::to_string(i) + "\n";
    text += "K KEY7\\Sub\nV sz X y\nK key7\\SUB\nV sz Z w\n";
    HiveParseResult parsed = parseHive(text);
    ASSERT_TRUE(parsed.root) << parsed.error;
    ASSERT_EQ(parsed.root->values.size(), size_t(kCount));
    ASSERT_EQ(parsed.root->subKeys.size(), size_t(kCount));
    EXPECT_EQ(parsed.root->values[kCount - 1].name, "v" + std::to_string(kCount - 1));
    EXPECT_EQ(parsed.root->subKeys[kCount - 1]->name, "Key" + std::to_string(kCount - 1));
    const HiveKey* sub = parsed.root->subKeys[7]->findSubKey("sub");
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->name, "Sub");
    EXPECT_EQ(sub->values.size(), 2u);
    EXPECT_FALSE(parseHive(text + "K Key3\nV sz x 1\nK KEY3\nV sz X 2\n").root);
}

TEST(HiveFile, EmptyTextIsAnEmptyHive) {
    HiveParseResult parsed = parseHive("");
    ASSERT_TRUE(parsed.root);
    EXPECT_TRUE(parsed.root->subKeys.empty());
}

TEST(HiveFile, KeyNamesTooLongAreRejected) {
    std::string text = "QMHIVE 1\nK " + std::string(kMaxKeyNameBytes + 1, 'k') + "\n";
    EXPECT_FALSE(parseHive(text).root);
}

TEST(HiveFile, SplitKeyPathDropsEmptyParts) {
    EXPECT_EQ(splitKeyPath("\\SOFTWARE\\\\Quillmoor\\Settings\\"),
              (std::vector<std::string>{"SOFTWARE", "Quillmoor", "Settings"}));
    EXPECT_TRUE(splitKeyPath("\\").empty());
}

} // namespace
} // namespace qm
