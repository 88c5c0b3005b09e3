#include "app/trees/qmrestoretreemodel.h"

#include "app/trees/qmrestorefilelistmodel.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qm {
namespace {

class RestoreTreeTest : public ::testing::Test {
  protected:
    RestoreTreeTest() {
        tree.RestoreFileList = &list;
        list.FolderTree = &tree;
        tree.log = [this](const std::string& line) { logged.push_back(line); };
    }
    void build(std::vector<std::string> lines) {
        tree.PathList = std::move(lines);
        tree.Rebuild();
    }
    TCheckNode* node(std::vector<std::string> labels) { return tree.nodeByLabels(labels); }
    std::vector<std::string> checkedPaths() const {
        std::vector<std::string> paths;
        for (const auto& file : tree.CheckedFiles())
            paths.push_back(file.path + "*" + std::to_string(file.index));
        return paths;
    }
    std::vector<std::string> rowNames() const {
        std::vector<std::string> names;
        for (const auto& row : list.rows())
            names.push_back(row.name);
        return names;
    }
    void expectConsistent() {
        std::string problem;
        EXPECT_TRUE(tree.isConsistent(&problem)) << problem;
    }

    TQMRestoreTreeModel tree;
    TQMRestoreFileListModel list;
    std::vector<std::string> logged;
};

TEST_F(RestoreTreeTest, BuildsTwoLevelsAtATimeAndFindsEveryFileBelowANode) {
    EXPECT_FALSE(tree.click(nullptr));
    build({"C:\\d1\\d2\\d3\\d4\\deep.txt*1", "C:\\a.txt*0", "E:\\x\\y.txt*2"});
    ASSERT_EQ(tree.roots().size(), 2u);
    EXPECT_EQ(tree.firstRoot()->text, "C:");
    EXPECT_EQ(tree.GetNodePath(node({"C:", "d1", "d2"})), "C:\\d1\\d2\\");
    EXPECT_EQ(node({"C:", "d1", "d2", "d3"}), nullptr) << "built on expansion";
    tree.expand(node({"C:", "d1"}));
    tree.expand(node({"C:", "d1", "d2"}));
    EXPECT_NE(node({"C:", "d1", "d2", "d3", "d4"}), nullptr);
    std::vector<std::string> under;
    tree.GetFilesUnder(tree.firstRoot(), under);
    EXPECT_EQ(under, (std::vector<std::string>{"C:\\a.txt", "C:\\d1\\d2\\d3\\d4\\deep.txt"}));
    tree.select(tree.firstRoot());
    EXPECT_EQ(rowNames(), (std::vector<std::string>{"a.txt"}));
}

TEST_F(RestoreTreeTest, NamesThatDifferOnlyInCaseStayApartSoATickTakesExactlyItsFile) {
    const std::vector<std::string> catalogue = {
        "C:\\data\\docs\\a.txt*1", "C:\\data\\Docs\\a.txt*0", "C:\\data\\docs\\sub\\d.txt*2",
        "C:\\data\\report.txt*3",  "C:\\data\\REPORT.TXT*4",  "C:\\data\\DOCS2\\c.txt*5",
        "c:\\data\\Docs\\b.txt*6", "C:\\data\\docs\\z.txt*7"};
    struct Case {
        std::vector<std::string> folder; // labels of the folder node
        std::string row;                 // the file row ticked; empty: the folder's box
        std::vector<std::string> rows;   // the folder's file list
        std::vector<std::string> checked;
    };
    const std::vector<Case> cases = {
        {{"C:", "data", "Docs"}, "a.txt", {"a.txt", "b.txt"}, {"C:\\data\\Docs\\a.txt*0"}},
        {{"C:", "data", "docs"}, "a.txt", {"a.txt", "z.txt"}, {"C:\\data\\docs\\a.txt*1"}},
        {{"C:", "data"}, "report.txt", {"REPORT.TXT", "report.txt"}, {"C:\\data\\report.txt*3"}},
        {{"C:", "data"}, "REPORT.TXT", {"REPORT.TXT", "report.txt"}, {"C:\\data\\REPORT.TXT*4"}},
        {{"C:", "data", "Docs"},
         "",
         {"a.txt", "b.txt"},
         {"C:\\data\\Docs\\a.txt*0", "c:\\data\\Docs\\b.txt*6"}},
        {{"C:", "data", "docs"},
         "",
         {"a.txt", "z.txt"},
         {"C:\\data\\docs\\a.txt*1", "C:\\data\\docs\\sub\\d.txt*2", "C:\\data\\docs\\z.txt*7"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder.back() + " " + c.row);
        tree.clear();
        build(catalogue);
        ASSERT_EQ(tree.roots().size(), 1u) << "one drive whatever the case of its letter";
        std::vector<std::string> folders;
        for (const auto& child : node({"C:", "data"})->children)
            folders.push_back(child->text);
        EXPECT_EQ(folders, (std::vector<std::string>{"DOCS2", "Docs", "docs"}))
            << "upper-cased order, '2' before '\\'; twins side by side";
        TCheckNode* folder = node(c.folder);
        ASSERT_NE(folder, nullptr);
        tree.select(folder);
        EXPECT_EQ(rowNames(), c.rows);
        if (c.row.empty()) {
            ASSERT_TRUE(tree.click(folder));
        } else {
            const std::vector<std::string> names = rowNames();
            const auto row = std::find(names.begin(), names.end(), c.row) - names.begin();
            ASSERT_LT(row, static_cast<std::ptrdiff_t>(names.size()));
            ASSERT_TRUE(list.tick(static_cast<int>(row), true));
            EXPECT_EQ(list.tickedCount(), 1) << "its twin's row stays unticked";
        }
        EXPECT_EQ(checkedPaths(), c.checked);
        expectConsistent();
    }
}

TEST_F(RestoreTreeTest, LinesThatNameNoFileWithItsRecordAreSkippedAndLogged) {
    const std::vector<std::string> bad = {
        "C:\\no-index.txt",
        "C:\\bad-index.txt*1x",
        "C:\\huge.txt*99999999999999999999999",
        "C:\\empty-index.txt*",
        "C:docs\\a.txt*1",
        "\\\\server\\share\\a.txt*2",
        "C:\\..\\escape.txt*3",
        "C:\\a\\.\\b.txt*4",
        "C:\\a\\\\b.txt*5",
        "C:\\*7",
        "C:\\folder\\*8",
        "C:\\star*name.txt*9",
    };
    std::vector<std::string> lines = bad;
    lines.push_back("C:\\good.txt*10");
    build(lines);
    EXPECT_EQ(tree.skippedLines(), bad.size());
    ASSERT_EQ(logged.size(), bad.size());
    EXPECT_NE(logged[2].find("huge.txt"), std::string::npos);
    tree.select(tree.firstRoot());
    EXPECT_EQ(rowNames(), (std::vector<std::string>{"good.txt"}));
    EXPECT_EQ(list.rows()[0].index, 10u);
}

TEST_F(RestoreTreeTest, FileListShowsCatalogueDatesAndSizesAndTicksSettleTheFolder) {
    tree.PathList = {"C:\\f\\big.iso*0", "C:\\f\\gone.txt*1", "C:\\f\\late.txt*2",
                     "C:\\f\\sub\\s.txt*3"};
    const double second = 1.0 / 86400;
    tree.TimeList = {"46000.5", "46000.5", "bad"};
    for (double at : {46000.5 + 0.4 * second, 46000.5 + 0.5 * second})
        tree.TimeList.push_back(std::to_string(at)); // index 3 and one beyond
    tree.SizeList = {"5000000000", "0", "12"};
    tree.Rebuild();
    TCheckNode* folder = node({"C:", "f"});
    tree.select(folder);
    ASSERT_EQ(rowNames(), (std::vector<std::string>{"big.iso", "gone.txt", "late.txt"}));
    EXPECT_EQ(list.sizeText(0), "4768.37 Mb") << "large files show their size";
    EXPECT_EQ(list.sizeText(1), "1 Kb") << "0: unreadable when it was backed up";
    EXPECT_EQ(list.modifiedText(2), "") << "a date that cannot be read";
    EXPECT_EQ(list.modifiedText(0).substr(11), "12:00:00 PM");

    list.columnClick(TQMRestoreFileListModel::ColSize);
    EXPECT_EQ(rowNames(), (std::vector<std::string>{"big.iso", "late.txt", "gone.txt"}));
    list.columnClick(TQMRestoreFileListModel::ColModified);
    EXPECT_STREQ(list.headerArrow(TQMRestoreFileListModel::ColModified), "Bmp_Up28");
    EXPECT_EQ(rowNames(), (std::vector<std::string>{"big.iso", "gone.txt", "late.txt"}))
        << "equal dates keep their order";

    ASSERT_TRUE(tree.click(node({"C:", "f", "sub"})));
    EXPECT_EQ(folder->state, 3) << "a ticked subfolder and unticked rows";
    for (int row = 0; row < 3; ++row)
        ASSERT_TRUE(list.tick(row, true));
    EXPECT_EQ(folder->state, 2);
    ASSERT_TRUE(list.tick(1, false));
    EXPECT_EQ(folder->state, 3);
    EXPECT_EQ(checkedPaths(), (std::vector<std::string>{"C:\\f\\big.iso*0", "C:\\f\\late.txt*2",
                                                        "C:\\f\\sub\\s.txt*3"}));
    expectConsistent();
    tree.clear();
    EXPECT_TRUE(tree.roots().empty());
    EXPECT_TRUE(list.rows().empty());
    EXPECT_TRUE(tree.PathList.empty());
}

} // namespace
} // namespace qm
