#include "app/trees/qmfoldertree.h"

#include "app/trees/checktreeitemmodel.h"
#include "app/trees/qmfilelistview.h"
#include "platform/fileio.h"
#include "support/sandbox.h"

#include <QHeaderView>
#include <QTest>

#include <gtest/gtest.h>

namespace qm {
namespace {

// Through the widgets: the check box and Space run the tree's rule, an expansion reads
// the folder, a header click sorts the list.
TEST(FolderTreeWidgetTest, CheckBoxSpaceExpansionAndSortReachTheModels) {
    test::Sandbox sandbox;
    createFolderChain("C:\\a\\a1");
    sandbox.writeFile("C:\\a\\big.txt", std::string(3000, 'x'));
    sandbox.writeFile("C:\\a\\small.txt", "x");
    TQMFolderTreeModel model([] { return std::vector<std::string>{"C:\\"}; });
    TQmFilelistModel files;
    model.Filelist = &files;
    files.FolderTree = &model;
    QWidget window;
    window.resize(600, 400);
    TQMFolderTree tree(model, &window);
    tree.setGeometry(0, 0, 250, 400);
    TQmFilelistView list(files, &window);
    list.setGeometry(250, 0, 350, 400);
    model.setActive(true);
    window.show();

    TCheckNode* a = model.FindFolderNode("C:\\a");
    const QModelIndex aIndex = tree.indexOf(a);
    tree.expand(tree.indexOf(a->parent));
    tree.expand(aIndex);
    EXPECT_EQ(a->children.size(), 1u);
    tree.setCurrentIndex(aIndex);
    ASSERT_EQ(files.rows().size(), 2u) << "selecting a folder lists its files";
    // The filled list has a current row: Space ticks it before any click.
    QTest::keyClick(&list, Qt::Key_Space);
    EXPECT_TRUE(files.rows()[0].checked);
    QTest::keyClick(&list, Qt::Key_Space);
    EXPECT_FALSE(files.rows()[0].checked);

    const QRect box = tree.visualRect(aIndex);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {},
                      box.topLeft() + QPoint(10, box.height() / 2));
    EXPECT_EQ(a->state, 2) << "a click on the check box";
    EXPECT_TRUE(files.rows()[0].checked && files.rows()[1].checked);
    QTest::keyClick(&tree, Qt::Key_Space);
    EXPECT_EQ(a->state, 1) << "Space toggles the selected folder directly";

    list.setCurrentIndex(list.model()->index(1, 2)); // focus on the Type column
    QTest::keyClick(&list, Qt::Key_Space);
    EXPECT_TRUE(files.rows()[1].checked);
    EXPECT_EQ(a->state, 3);

    QTest::mouseClick(list.header()->viewport(), Qt::LeftButton, {},
                      QPoint(list.header()->sectionViewportPosition(1) + 5, 5));
    EXPECT_EQ(files.sort.SortColumn, 1);
    EXPECT_EQ(files.rows()[0].name, "big.txt") << "largest first";
    std::string problem;
    EXPECT_TRUE(model.isConsistent(&problem)) << problem;
}

} // namespace
} // namespace qm
