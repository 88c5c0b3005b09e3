#include "controls/findnode.h"

#include <gtest/gtest.h>

#include <QStandardItemModel>
#include <QTreeWidget>

namespace qm {
namespace {

QTreeWidgetItem* add(QTreeWidgetItem* parent, const char* text) {
    return new QTreeWidgetItem(parent, QStringList{QString::fromLatin1(text)});
}

struct TreeFixture : ::testing::Test {
    void SetUp() override {
        c = new QTreeWidgetItem(&tree, QStringList{"C:"});
        d = new QTreeWidgetItem(&tree, QStringList{"D:"});
        dir = add(c, "dir");
        file = add(dir, "name.ext");
        other = add(d, "C:");
    }
    QTreeWidget tree;
    QTreeWidgetItem *c, *d, *dir, *file, *other;
};

TEST_F(TreeFixture, FindsByPathAndName) {
    EXPECT_EQ(FindNodeByPath(&tree, "C:\\dir\\name.ext", ""), file);
    EXPECT_EQ(FindNodeByPath(&tree, "C:\\dir", "name.ext"), file);
    EXPECT_EQ(FindNodeByPath(&tree, "C:\\dir\\", ""), dir);
    EXPECT_EQ(FindNodeByPath(&tree, "D:", ""), d);
    EXPECT_EQ(FindNodeByPath(&tree, "", ""), c);
}

TEST_F(TreeFixture, MissesGiveNull) {
    EXPECT_EQ(FindNodeByPath(&tree, "c:\\dir", ""), nullptr); // case counts
    EXPECT_EQ(FindNodeByPath(&tree, "dir", ""), nullptr);     // only top-level first
    EXPECT_EQ(FindNodeByPath(&tree, "C:\\dir\\name.ext\\x", ""), nullptr);
    QTreeWidget empty;
    EXPECT_EQ(FindNodeByPath(&empty, "C:", ""), nullptr);
}

TEST(FindNodeByPathModelTest, WorksOnItemModels) {
    QStandardItemModel model;
    auto* c = new QStandardItem("C:");
    auto* dir = new QStandardItem("dir");
    c->appendRow(dir);
    model.appendRow(c);
    EXPECT_EQ(FindNodeByPath(&model, "C:\\dir", ""), dir->index());
    EXPECT_EQ(FindNodeByPath(&model, "", ""), c->index());
    EXPECT_FALSE(FindNodeByPath(&model, "C:\\Dir", "").isValid());
}

} // namespace
} // namespace qm
