#include "app/trees/qmfilelistmodel.h"

#include "platform/dospath.h"
#include "platform/fileio.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace qm {
namespace {

TEST(FileSizeTextTest, KilobytesRoundHalfToEvenAndMegabytesAboveOneMebibyte) {
    const std::pair<int64_t, const char*> cases[] = {
        {0, "1 Kb"},          {1536, "2 Kb"},
        {2560, "2 Kb"},       {3584, "4 Kb"},
        {1048576, "1024 Kb"}, {1048577, "1.00 Mb"},
        {1572864, "1.50 Mb"}, {5000000000, "4768.37 Mb"},
    };
    for (const auto& [size, text] : cases)
        EXPECT_EQ(FileSizeText(size), text) << size;
    EXPECT_EQ(FileTimeText(encodeDateTime({2026, 3, 4, 15, 6, 7, 0}), "MM/dd/yyyy"),
              "03/04/2026 03:06:07 PM");
}

class FileListTest : public ::testing::Test {
  protected:
    void sized(const std::string& dosPath, uintmax_t size) {
        std::filesystem::resize_file(sandbox.writeFile(dosPath, ""), size); // sparse
    }
    std::vector<std::string> names() const {
        std::vector<std::string> result;
        for (const auto& row : list.rows())
            result.push_back(row.name);
        return result;
    }

    test::Sandbox sandbox;
    TQmFilelistModel list;
};

TEST_F(FileListTest, ListsEveryFileAndSortsByTheRawSizeAndDate) {
    sized("C:\\dir\\b-900k.dat", 900 * 1024);
    sized("C:\\dir\\a-1.5m.dat", 1536 * 1024);
    sized("C:\\dir\\c-4g.dat", 4294967295u);
    sized("C:\\dir\\.hidden", 10);
    sandbox.setFileTime("C:\\dir\\b-900k.dat", 2026, 1, 1, 10, 0, 0);
    sandbox.setFileTime("C:\\dir\\a-1.5m.dat", 2026, 1, 1, 9, 0, 0);
    sandbox.setFileTime("C:\\dir\\c-4g.dat", 2025, 1, 1, 9, 0, 0);
    sandbox.setFileTime("C:\\dir\\.hidden", 2027, 1, 1, 9, 0, 0);
    createFolderChain("C:\\dir\\sub");
    char before[4096];
    ASSERT_NE(getcwd(before, sizeof before), nullptr);

    ASSERT_TRUE(list.setDirectory("C:\\dir"));
    EXPECT_EQ(list.Directory(), "C:\\dir\\");
    EXPECT_EQ(names(),
              (std::vector<std::string>{".hidden", "a-1.5m.dat", "b-900k.dat", "c-4g.dat"}));
    EXPECT_TRUE(list.rows()[0].hidden);
    EXPECT_EQ(list.sizeText(3), "4096.00 Mb");
    EXPECT_EQ(list.fullPath(1), "C:\\dir\\a-1.5m.dat");
    char after[4096];
    ASSERT_NE(getcwd(after, sizeof after), nullptr);
    EXPECT_STREQ(before, after) << "the process's folder is never changed";

    struct Click {
        int column;
        std::vector<std::string> order;
        const char* arrow;
    };
    const Click clicks[] = {
        {TQmFilelistModel::ColSize,
         {"c-4g.dat", "a-1.5m.dat", "b-900k.dat", ".hidden"},
         "Bmp_Up28"},
        {TQmFilelistModel::ColSize,
         {".hidden", "b-900k.dat", "a-1.5m.dat", "c-4g.dat"},
         "Bmp_Down28"},
        {TQmFilelistModel::ColModified,
         {".hidden", "b-900k.dat", "a-1.5m.dat", "c-4g.dat"},
         "Bmp_Up28"},
        {TQmFilelistModel::ColModified,
         {"c-4g.dat", "a-1.5m.dat", "b-900k.dat", ".hidden"},
         "Bmp_Down28"},
    };
    for (const Click& click : clicks) {
        list.columnClick(click.column);
        EXPECT_EQ(names(), click.order) << click.column;
        EXPECT_STREQ(list.headerArrow(click.column), click.arrow);
        EXPECT_STREQ(list.headerArrow(TQmFilelistModel::ColName), "");
    }
}

TEST_F(FileListTest, ReadsAFolderOnlyWhenItChangesButARefreshReadsItAgain) {
    sandbox.writeFile("C:\\one.txt", "1");
    ASSERT_TRUE(list.setDirectory("C:\\"));
    const int generation = list.generation();
    EXPECT_FALSE(list.setDirectory("c:\\")) << "the folder shown";
    EXPECT_FALSE(list.setDirectory("C:\\missing")) << "not a folder";
    EXPECT_EQ(list.generation(), generation);
    EXPECT_EQ(list.Directory(), "C:\\");
    sandbox.writeFile("C:\\two.txt", "2");
    list.RemoveMissingFiles();
    EXPECT_EQ(names(), (std::vector<std::string>{"one.txt", "two.txt"}));
}

TEST_F(FileListTest, AFileThatCannotBeOpenedIsReportedWithItsName) {
    sandbox.writeFile("C:\\doc.txt", "1");
    std::vector<std::string> shown;
    list.message = [&](int, const std::string& text) {
        shown.push_back(text);
        return 1;
    };
    std::string opened;
    list.opener = [&](const std::string& path) {
        opened = path;
        return false;
    };
    ASSERT_TRUE(list.setDirectory("C:\\"));
    list.open(0);
    EXPECT_EQ(opened, "C:\\doc.txt");
    EXPECT_EQ(shown, (std::vector<std::string>{"ERROR - Can't Open file  doc.txt"}));
}

} // namespace
} // namespace qm
