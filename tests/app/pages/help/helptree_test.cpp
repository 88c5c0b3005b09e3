#include "app/pages/help/helptree.h"

#include "support/sandbox.h"

#include <QPlainTextEdit>
#include <QTextBrowser>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace qm {
namespace {

const char* const kDir = "C:\\Qm\\Help\\";

// A Help page in a sandbox: the tree, its browser and page list, and pages on C:.
class HelpTreeTest : public ::testing::Test {
  protected:
    HelpTreeTest() {
        for (const std::string& line : THelpTreeModel::helpPageLines()) {
            const std::string page = THelpTreeModel::trimmed(line);
            writePage(page, "<html><body><p>" + page +
                                "</p><a href=\"Backup.htm\">b</a> <a href=\"Syncopt.htm\">s</a> "
                                "<a href=\"backup.htm\">case</a> <a href=\"Extra.htm\">x</a> "
                                "<a href=\"http://example.com/\">web</a></body></html>");
        }
        writePage("Extra.htm", "<p>not a topic</p>");
        page = std::make_unique<QWidget>();
        tree = new THelpTree(page.get());
        browser = new QTextBrowser(page.get());
        memo = THelpTree::createPageListMemo(page.get());
        tree->setWebBrowser(browser);
        tree->setMemoFileList(memo);
        tree->setExternalOpener([this](const QUrl& url) { opened.push_back(url); });
        tree->setDirectory(kDir);
    }

    void writePage(const std::string& name, const std::string& html) {
        sb.writeFile(kDir + name, html);
    }
    QUrl urlOf(const std::string& name) const {
        return QUrl::fromLocalFile(QString::fromStdString(sb.hostOf('C') + "/Qm/Help/" + name));
    }
    int selectedNode() const { return tree->nodeOf(tree->currentItem()); }
    void follow(const char* href) { emit browser->anchorClicked(QUrl(href)); }

    test::Sandbox sb;
    std::unique_ptr<QWidget> page;
    THelpTree* tree = nullptr;
    QTextBrowser* browser = nullptr;
    QPlainTextEdit* memo = nullptr;
    std::vector<QUrl> opened;
};

TEST_F(HelpTreeTest, ItemsMirrorTheTopics) {
    EXPECT_EQ(tree->objectName(), "HelpTree");
    EXPECT_EQ(tree->topLevelItemCount(), 1);
    const std::vector<THelpTopic>& topics = THelpTreeModel::helpTopics();
    for (int node = 0; node < int(topics.size()); ++node) {
        QTreeWidgetItem* item = tree->itemOf(node);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->text(0).toStdString(), topics[node].caption);
        EXPECT_EQ(tree->nodeOf(item->parent()), topics[node].parent);
        EXPECT_EQ(tree->nodeOf(item), node);
    }
    EXPECT_EQ(tree->itemOf(0)->childCount(), 10);
    EXPECT_EQ(memo->toPlainText().split('\n').size(), 19);
    EXPECT_FALSE(memo->isVisibleTo(page.get()));
}

TEST_F(HelpTreeTest, ShowingTheFirstTopicOpensItsPage) {
    tree->showFirstTopic();
    EXPECT_EQ(selectedNode(), 0);
    EXPECT_TRUE(tree->itemOf(0)->isExpanded());
    EXPECT_EQ(browser->source(), urlOf("Quillmoor.htm"));
    EXPECT_TRUE(browser->toPlainText().contains("Quillmoor.htm"));
    EXPECT_EQ(tree->directory(), "C:\\Qm\\Help");
}

TEST_F(HelpTreeTest, SelectingATopicShowsItsPageWithOrWithoutTrailingBackslash) {
    for (const char* dir : {"C:\\Qm\\Help\\", "C:\\Qm\\Help"}) {
        tree->setDirectory(dir);
        tree->setCurrentItem(tree->itemOf(7));
        EXPECT_EQ(browser->source(), urlOf("Delete.htm")) << dir;
        tree->setCurrentItem(tree->itemOf(17));
        EXPECT_EQ(browser->source(), urlOf("Requirements.htm")) << dir;
    }
}

TEST_F(HelpTreeTest, FollowedLinkSelectsItsTopicAndOpensTheParent) {
    tree->showFirstTopic();
    tree->itemOf(9)->setExpanded(false);
    follow("Syncopt.htm");
    EXPECT_EQ(browser->source(), urlOf("Syncopt.htm"));
    EXPECT_EQ(selectedNode(), 10);
    EXPECT_TRUE(tree->itemOf(9)->isExpanded());
    follow("Backup.htm");
    EXPECT_EQ(selectedNode(), 1);
}

TEST_F(HelpTreeTest, CaseDifferentOrUnknownPageLeavesTheSelection) {
    tree->setCurrentItem(tree->itemOf(3));
    follow("backup.htm"); // no such file on a case-sensitive disk
    EXPECT_EQ(selectedNode(), 3);
    EXPECT_TRUE(browser->toPlainText().contains("could not be found"));

    tree->setCurrentItem(tree->itemOf(5));
    follow("Extra.htm");
    EXPECT_EQ(browser->source(), urlOf("Extra.htm"));
    EXPECT_EQ(selectedNode(), 5);

    // An address that names a topic's page in another case selects nothing either.
    writePage("SYNCOPT.HTM", "<p>upper</p>");
    browser->setSource(urlOf("SYNCOPT.HTM"));
    EXPECT_EQ(selectedNode(), 5);
}

TEST_F(HelpTreeTest, WebAddressesGoToTheSystemBrowser) {
    tree->showFirstTopic();
    follow("http://example.com/");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl("http://example.com/"));
    EXPECT_EQ(browser->source(), urlOf("Quillmoor.htm"));
    follow("javascript:alert(1)");
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(browser->source(), urlOf("Quillmoor.htm"));
}

TEST_F(HelpTreeTest, MissingPageSaysSoAndTheNextSelectionRecovers) {
    tree->showFirstTopic();
    sb.writeFile(kDir + std::string("Tray.htm"), "");
    ASSERT_TRUE(std::remove((sb.hostOf('C') + "/Qm/Help/Tray.htm").c_str()) == 0);
    tree->setCurrentItem(tree->itemOf(15));
    EXPECT_TRUE(browser->toPlainText().contains("C:\\Qm\\Help\\Tray.htm"));
    EXPECT_TRUE(browser->toPlainText().contains("could not be found"));
    tree->setCurrentItem(tree->itemOf(0));
    EXPECT_EQ(browser->source(), urlOf("Quillmoor.htm"));
    EXPECT_TRUE(browser->toPlainText().contains("Quillmoor.htm"));
}

TEST_F(HelpTreeTest, LoadsAreWatchedOnlyAfterTheFirstNavigation) {
    browser->setSource(urlOf("Backup.htm"));
    EXPECT_EQ(tree->currentItem(), nullptr);
    tree->setCurrentItem(tree->itemOf(0));
    browser->setSource(urlOf("Backup.htm"));
    EXPECT_EQ(selectedNode(), 1);
}

TEST_F(HelpTreeTest, NothingHappensWithoutPageListOrFolder) {
    tree->setMemoFileList(nullptr);
    tree->setCurrentItem(tree->itemOf(4));
    EXPECT_TRUE(browser->source().isEmpty());
    tree->setMemoFileList(memo);
    tree->setDirectory("");
    tree->setCurrentItem(tree->itemOf(6));
    EXPECT_TRUE(browser->source().isEmpty());
}

TEST_F(HelpTreeTest, EditedPageListIsReadAtTheNextSelection) {
    memo->setPlainText("Quillmoor.htm\n   Extra.htm");
    tree->setCurrentItem(tree->itemOf(1));
    EXPECT_EQ(browser->source(), urlOf("Extra.htm"));
}

} // namespace
} // namespace qm
