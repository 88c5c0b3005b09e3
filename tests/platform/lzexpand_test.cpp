#include "platform/lzexpand.h"

#include "platform/datetime.h"
#include "platform/fileio.h"
#include "support/lzfiles.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace qm {
namespace {

std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const FolderEntry& e : listFolder(folder).entries)
        names.push_back(e.name);
    return names;
}

TEST(LzExpand, ExpandsWithTheSourceDateAndTheAskedMode) {
    test::Sandbox sb;
    const std::string program = "a program of some length, longer than one group of eight";
    sb.writeFile("C:\\medium\\Qmoor.ex_", test::literalLzFile(program));
    sb.setFileTime("C:\\medium\\Qmoor.ex_", 2026, 5, 17, 9, 30, 0);
    const std::string host = sb.writeFile("C:\\inst\\Qmoor", "the old program");
    LzExpandResult result = LzExpandFile("C:\\medium\\Qmoor.ex_", "C:\\inst\\Qmoor", {0755, {}});
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.length, static_cast<int64_t>(program.size()));
    EXPECT_EQ(sb.readFile("C:\\inst\\Qmoor"), program);
    EXPECT_EQ(fileDosDateTime("C:\\inst\\Qmoor"), fileDosDateTime("C:\\medium\\Qmoor.ex_"));
    struct stat st {};
    ASSERT_EQ(stat(host.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
}

TEST(LzExpand, RefusesDamagedFilesAndLeavesTheTargetAsItWas) {
    const std::string program = "0123456789abcdefghijklmnopqrstuvwxyz";
    const std::string good = test::literalLzFile(program);
    struct Case {
        const char* name;
        std::string bytes;
        const char* error;
    };
    const std::vector<Case> cases = {
        {"bad signature", "X" + good.substr(1), "wrong signature"},
        {"truncated", good.substr(0, good.size() - 5), "expands to 32 bytes"},
        {"header longer than the data", test::literalLzFile(program, 40), "declares 40"},
        {"header shorter than the data", test::literalLzFile(program, 20), "more than the 20"},
        {"shorter than a header", good.substr(0, 10), "too short"},
        {"empty", "", "too short"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::Sandbox sb;
        sb.writeFile("C:\\m\\Qmoor.ex_", c.bytes);
        sb.writeFile("C:\\inst\\Qmoor", "the old program");
        LzExpandResult result = LzExpandFile("C:\\m\\Qmoor.ex_", "C:\\inst\\Qmoor");
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.error.find(c.error), std::string::npos) << result.error;
        EXPECT_NE(result.error.find("C:\\m\\Qmoor.ex_"), std::string::npos) << result.error;
        EXPECT_EQ(sb.readFile("C:\\inst\\Qmoor"), "the old program");
        EXPECT_EQ(NamesIn("C:\\inst"), std::vector<std::string>{"Qmoor"});
    }
    test::Sandbox sb;
    EXPECT_FALSE(LzExpandFile("C:\\m\\missing.ex_", "C:\\Qmoor").ok);
    EXPECT_FALSE(fileExists("C:\\Qmoor"));
}

} // namespace
} // namespace qm
