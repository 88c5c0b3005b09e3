#include "app/pages/help/helptreemodel.h"

#include "support/rowname.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace qm {
namespace {

THelpTreeModel readyModel(const std::string& directory) {
    THelpTreeModel model;
    model.setBrowserAttached(true);
    model.setPageList(THelpTreeModel::helpPageLines());
    model.setDirectory(directory);
    return model;
}

struct TopicRow {
    int node;
    const char* caption;
    int parent;
    const char* page;
};

void PrintTo(const TopicRow& row, std::ostream* os) {
    *os << row.node << " " << row.page;
}

class HelpTopicTable : public ::testing::TestWithParam<TopicRow> {};

TEST_P(HelpTopicTable, CaptionParentAndPage) {
    const TopicRow row = GetParam();
    const std::vector<THelpTopic>& topics = THelpTreeModel::helpTopics();
    ASSERT_EQ(topics.size(), 19u);
    EXPECT_EQ(topics[row.node].caption, row.caption);
    EXPECT_EQ(topics[row.node].parent, row.parent);
    EXPECT_EQ(topics[row.node].stateIndex, row.node);
    const std::string line = THelpTreeModel::helpPageLines().at(row.node);
    EXPECT_EQ(THelpTreeModel::trimmed(line), row.page);
    // The blanks in front mirror the depth: none for the root, more below each level.
    const size_t blanks = line.find_first_not_of(' ');
    if (row.parent < 0)
        EXPECT_EQ(blanks, 0u);
    else
        EXPECT_GT(blanks, THelpTreeModel::helpPageLines()[row.parent].find_first_not_of(' '));
}

INSTANTIATE_TEST_SUITE_P(
    HelpPage, HelpTopicTable,
    ::testing::Values(TopicRow{0, "Quillmoor Software", -1, "Quillmoor.htm"},
                      TopicRow{1, "Backup process", 0, "Backup.htm"},
                      TopicRow{2, "Folders and files selection", 1, "FSelect1.htm"},
                      TopicRow{3, "Media Drive selection", 1, "DSelect1.htm"},
                      TopicRow{4, "Restore process", 0, "Restore.htm"},
                      TopicRow{5, "Folders and files selection", 4, "FSelect2.htm"},
                      TopicRow{6, "Media Drive selection", 4, "DSelect2.htm"},
                      TopicRow{7, "Delete files on Media Drive", 4, "Delete.htm"},
                      TopicRow{8, "File Revision", 4, "Revision.htm"},
                      TopicRow{9, "File Synchronize", 0, "Sync.htm"},
                      TopicRow{10, "Synchronize options", 9, "Syncopt.htm"},
                      TopicRow{11, "Drive Management", 0, "DriveMng.htm"},
                      TopicRow{12, "Reports", 0, "Reports.htm"},
                      TopicRow{13, "Working with reports", 12, "Wreports.htm"},
                      TopicRow{14, "Quillmoor Settings", 0, "Settings.htm"},
                      TopicRow{15, "Quillmoor Tray menu", 0, "Tray.htm"},
                      TopicRow{16, "Troubleshooting", 0, "Trbl.htm"},
                      TopicRow{17, "System Requirements", 0, "Requirements.htm"},
                      TopicRow{18, "About Quillmoor", 0, "About.htm"}),
    qm::test::RowsNamedBy([](const TopicRow& row) { return std::string(row.page); }));

TEST(HelpTreeModel, SingleRootAndItsChildren) {
    std::vector<int> roots;
    std::set<int> rootChildren;
    const std::vector<THelpTopic>& topics = THelpTreeModel::helpTopics();
    for (int i = 0; i < int(topics.size()); ++i) {
        if (topics[i].parent < 0)
            roots.push_back(i);
        if (topics[i].parent == 0)
            rootChildren.insert(i);
    }
    EXPECT_EQ(roots, std::vector<int>{0});
    EXPECT_EQ(rootChildren, (std::set<int>{1, 4, 9, 11, 12, 14, 15, 16, 17, 18}));
}

TEST(HelpTreeModel, SelectionNavigatesToFolderAndPage) {
    THelpTreeModel model = readyModel("C:\\Program Files\\Quillmoor\\Help\\");
    EXPECT_EQ(model.selectionChanged(2), "C:\\Program Files\\Quillmoor\\Help\\FSelect1.htm");
    // The folder keeps its shortened form.
    EXPECT_EQ(model.directory(), "C:\\Program Files\\Quillmoor\\Help");
    EXPECT_EQ(model.selectionChanged(18), "C:\\Program Files\\Quillmoor\\Help\\About.htm");
}

TEST(HelpTreeModel, TrailingBackslashMakesNoDifference) {
    THelpTreeModel with = readyModel("D:\\Qm\\Help\\");
    THelpTreeModel without = readyModel("D:\\Qm\\Help");
    for (int node = 0; node < 19; ++node) {
        std::optional<std::string> a = with.selectionChanged(node);
        ASSERT_TRUE(a.has_value()) << node;
        EXPECT_EQ(a, without.selectionChanged(node)) << node;
        EXPECT_EQ(a->find("\\\\"), std::string::npos) << *a;
    }
}

TEST(HelpTreeModel, OnlyOneTrailingBackslashIsRemoved) {
    THelpTreeModel model = readyModel("C:\\Help\\\\");
    EXPECT_EQ(model.selectionChanged(0), "C:\\Help\\\\Quillmoor.htm");
    EXPECT_EQ(model.directory(), "C:\\Help\\");
}

TEST(HelpTreeModel, NoNavigationWithoutBrowserPageListOrFolder) {
    THelpTreeModel noBrowser = readyModel("C:\\Help\\");
    noBrowser.setBrowserAttached(false);
    EXPECT_FALSE(noBrowser.selectionChanged(1));
    EXPECT_EQ(noBrowser.directory(), "C:\\Help\\"); // untouched

    THelpTreeModel noList = readyModel("C:\\Help\\");
    noList.clearPageList();
    EXPECT_FALSE(noList.selectionChanged(1));
    EXPECT_EQ(noList.directory(), "C:\\Help\\");

    THelpTreeModel noFolder = readyModel("");
    EXPECT_FALSE(noFolder.selectionChanged(1));
    EXPECT_FALSE(readyModel("C:\\Help").selectionChanged(-1));
    EXPECT_FALSE(readyModel("C:\\Help").selectionChanged(19));
}

TEST(HelpTreeModel, PageListShorterThanTreeShowsNothingForTheMissingLines) {
    THelpTreeModel model = readyModel("C:\\Help");
    model.setPageList({"Quillmoor.htm", "  Backup.htm"});
    EXPECT_EQ(model.selectionChanged(1), "C:\\Help\\Backup.htm");
    EXPECT_FALSE(model.selectionChanged(2));
    EXPECT_FALSE(model.documentComplete("C:\\Help\\FSelect1.htm"));
}

struct AddressRow {
    const char* address;
    int node; // -1: no topic
};

void PrintTo(const AddressRow& row, std::ostream* os) {
    *os << '"' << row.address << '"';
}

class HelpDocumentComplete : public ::testing::TestWithParam<AddressRow> {};

TEST_P(HelpDocumentComplete, FindsTheTopicOfExactlyThatPage) {
    const AddressRow row = GetParam();
    for (const char* directory : {"C:\\Qm\\Help\\", "C:\\Qm\\Help"}) {
        THelpTreeModel model = readyModel(directory);
        std::optional<int> node = model.documentComplete(row.address);
        EXPECT_EQ(node.value_or(-1), row.node) << row.address << " in " << directory;
        EXPECT_EQ(model.directory(), "C:\\Qm\\Help");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, HelpDocumentComplete,
    ::testing::Values(
        AddressRow{"C:\\Qm\\Help\\Quillmoor.htm", 0}, AddressRow{"C:\\Qm\\Help\\Syncopt.htm", 10},
        AddressRow{"  C:\\Qm\\Help\\Wreports.htm\r\n", 13},
        AddressRow{"C:\\Qm\\Help\\About.htm", 18}, AddressRow{"C:\\Qm\\Help\\syncopt.htm", -1},
        AddressRow{"c:\\Qm\\Help\\Syncopt.htm", -1}, AddressRow{"C:\\QM\\HELP\\SYNCOPT.HTM", -1},
        AddressRow{"C:\\Qm\\Help\\Extra.htm", -1}, AddressRow{"C:\\Qm\\Help\\Syncopt.htm#top", -1},
        AddressRow{"C:\\Qm\\Syncopt.htm", -1}, AddressRow{"", -1}),
    qm::test::RowsNamedBy([](const AddressRow& row) { return std::string(row.address); }));

TEST(HelpTreeModel, DocumentCompleteWithoutFolderDoesNothing) {
    THelpTreeModel model = readyModel("");
    EXPECT_FALSE(model.documentComplete("\\Quillmoor.htm"));
    EXPECT_EQ(model.directory(), "");
}

TEST(HelpTreeModel, FirstNodeInTreeOrderWinsForASharedPage) {
    THelpTreeModel model({{"Top", -1, 0}, {"A", 0, 2}, {"B", 0, 1}, {"C", 0, 2}});
    model.setBrowserAttached(true);
    model.setDirectory("E:\\H");
    model.setPageList({"top.htm", " b.htm", " a.htm"});
    EXPECT_EQ(model.documentComplete("E:\\H\\a.htm"), 1);
    EXPECT_EQ(model.documentComplete("E:\\H\\b.htm"), 2);
    EXPECT_EQ(model.parentOf(3), 0);
    EXPECT_EQ(model.parentOf(0), -1);
    EXPECT_EQ(model.parentOf(7), -1);
}

TEST(HelpTreeModel, TrimmedDropsBlanksAndControlCharactersAtBothEnds) {
    EXPECT_EQ(THelpTreeModel::trimmed("  \tBackup.htm \r"), "Backup.htm");
    EXPECT_EQ(THelpTreeModel::trimmed("a b"), "a b");
    EXPECT_EQ(THelpTreeModel::trimmed("   "), "");
}

} // namespace
} // namespace qm
