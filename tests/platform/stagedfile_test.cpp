#include "platform/stagedfile.h"

#include "platform/datetime.h"
#include "platform/fileio.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

namespace qm {
namespace {

constexpr const char* kTarget = "C:\\docs\\t.txt";

std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const FolderEntry& e : listFolder(folder).entries)
        names.push_back(e.name);
    return names;
}

bool Write(StagedFile& staged, const std::string& text) {
    return staged.File().write(text.data(), static_cast<int64_t>(text.size()));
}

TEST(StagedFile, CommitReplacesTheTargetKeepingItsModeAndTakingTheDate) {
    test::Sandbox sb;
    const std::string host = sb.writeFile(kTarget, "the original, longer than the new text");
    ASSERT_EQ(chmod(host.c_str(), 0600), 0);
    const uint32_t date = dateTimeToDos(encodeDateTime({2026, 3, 4, 5, 6, 8, 0}));
    StagedFile staged(kTarget);
    ASSERT_TRUE(staged.Open());
    EXPECT_EQ(staged.TempName(), std::string(kTarget) + ".qmpart");
    ASSERT_TRUE(Write(staged, "new"));
    EXPECT_EQ(sb.readFile(kTarget), "the original, longer than the new text")
        << "nothing reaches the target before the commit";
    ASSERT_TRUE(staged.Commit(date));
    EXPECT_EQ(sb.readFile(kTarget), "new");
    EXPECT_EQ(fileDosDateTime(kTarget), date);
    struct stat st {};
    ASSERT_EQ(stat(host.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(NamesIn("C:\\docs"), std::vector<std::string>{"t.txt"});
}

TEST(StagedFile, WithoutACommitTheTargetStaysAndTheTemporaryGoes) {
    test::Sandbox sb;
    sb.writeFile(kTarget, "original");
    {
        StagedFile staged(kTarget);
        ASSERT_TRUE(staged.Open());
        ASSERT_TRUE(Write(staged, "half of a restore"));
    }
    EXPECT_EQ(sb.readFile(kTarget), "original");
    EXPECT_EQ(NamesIn("C:\\docs"), std::vector<std::string>{"t.txt"});

    StagedFile discarded("C:\\docs\\new.txt");
    ASSERT_TRUE(discarded.Open());
    discarded.Discard();
    EXPECT_FALSE(discarded.Commit(std::nullopt)) << "a discarded file cannot be committed";
    EXPECT_EQ(NamesIn("C:\\docs"), std::vector<std::string>{"t.txt"});
}

TEST(StagedFile, ATakenTemporaryNameIsNeverEmptiedOrFollowed) {
    test::Sandbox sb;
    sb.writeFile(std::string(kTarget) + ".qmpart", "a file of the user's");
    const std::string elsewhere = sb.writeFile("C:\\elsewhere.txt", "not to be written");
    const std::string link = sb.hostOf('C') + "/docs/t.txt.qmpart1";
    ASSERT_EQ(symlink(elsewhere.c_str(), link.c_str()), 0);
    StagedFile staged(kTarget);
    ASSERT_TRUE(staged.Open());
    EXPECT_EQ(staged.TempName(), std::string(kTarget) + ".qmpart2");
    ASSERT_TRUE(Write(staged, "restored"));
    ASSERT_TRUE(staged.Commit(std::nullopt));
    EXPECT_EQ(sb.readFile(kTarget), "restored");
    EXPECT_EQ(sb.readFile(std::string(kTarget) + ".qmpart"), "a file of the user's");
    EXPECT_EQ(sb.readFile("C:\\elsewhere.txt"), "not to be written");
}

TEST(StagedFile, AFailedCommitLeavesNoTemporaryBehind) {
    test::Sandbox sb;
    ASSERT_TRUE(createFolderChain("C:\\docs\\t.txt\\inside"));
    StagedFile staged(kTarget);
    ASSERT_TRUE(staged.Open());
    ASSERT_TRUE(Write(staged, "bytes"));
    EXPECT_FALSE(staged.Commit(std::nullopt)) << "a folder is not replaced by a file";
    EXPECT_TRUE(folderExists("C:\\docs\\t.txt\\inside"));
    EXPECT_EQ(NamesIn("C:\\docs"), std::vector<std::string>{"t.txt"});
    StagedFile nowhere("C:\\missing\\folder\\x.txt");
    EXPECT_FALSE(nowhere.Open());
}

} // namespace
} // namespace qm
