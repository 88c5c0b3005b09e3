#include "app/common/columnfit.h"

#include "app/pages/reports/reportspage.h"
#include "app/pages/reports/reportspagemodel.h"
#include "app/pages/sync/synclist.h"
#include "app/pages/sync/synclistmodel.h"
#include "app/runwindows/formrevision.h"
#include "app/trees/qmfilelistview.h"
#include "app/trees/qmrestorefilelist.h"
#include "platform/datetime.h"
#include "support/sandbox.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace qm {
namespace {

int columnsWidth(const QTreeView& view) {
    return view.header()->length();
}

// The file lists at the width of the large and of the small window: the name takes what
// the other columns leave, and no column ever gets less than its least width.
TEST(ColumnFit, FileListNamesTakeTheWidthTheOtherColumnsLeave) {
    test::Sandbox sandbox;
    TQmFilelistModel files;
    TQMRestoreFileListModel restoreFiles;
    TQmFilelistView backupList(files, nullptr);
    TQMRestoreFileList restoreList(restoreFiles, nullptr, "QMRestoreFileList");
    for (QTreeView* list : std::initializer_list<QTreeView*>{&backupList, &restoreList}) {
        SCOPED_TRACE(list->objectName().toStdString());
        list->resize(300, 400);
        list->show();
        std::vector<int> least;
        for (int i = 0; i < list->header()->count(); ++i)
            least.push_back(list->header()->sectionSize(i));
        EXPECT_EQ(least[0], 165);
        EXPECT_GT(columnsWidth(*list), list->viewport()->width()) << "it scrolls instead";
        list->resize(640, 400);
        EXPECT_EQ(columnsWidth(*list), list->viewport()->width()) << "no empty strip";
        for (int i = 1; i < list->header()->count(); ++i)
            EXPECT_EQ(list->header()->sectionSize(i), least[static_cast<size_t>(i)]) << i;
        list->resize(300, 400);
        EXPECT_EQ(list->header()->sectionSize(0), 165);
    }
}

// The Reports list and the Sync page's difference list, wide and narrow: the status and
// the file name take what the other columns leave, and keep their least width.
TEST(ColumnFit, ReportAndDifferenceListsFillTheirWidth) {
    test::Sandbox sandbox;
    TReportsPageModel reports({}, {});
    TReportsPage reportsPage(reports, nullptr);
    TSyncListModel differences;
    TSyncList syncList(differences, nullptr);
    auto* reportsList = reportsPage.findChild<QTreeWidget*>(QStringLiteral("lv_Reports"));
    struct Case {
        QWidget* window; // what the user resizes
        QAbstractItemView* view;
        QHeaderView* header;
        int grow;
    };
    const Case cases[] = {{&reportsPage, reportsList, reportsList->header(), 4},
                          {&syncList, &syncList, syncList.horizontalHeader(), 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.view->objectName().toStdString());
        c.window->resize(250, 500);
        c.window->show();
        const int least = c.header->sectionSize(c.grow);
        EXPECT_GT(c.header->length(), c.view->viewport()->width()) << "narrow: it scrolls";
        c.window->resize(1200, 500);
        EXPECT_GT(c.header->sectionSize(c.grow), least);
        EXPECT_EQ(c.header->length(), c.view->viewport()->width()) << "no empty strip";
        c.window->resize(250, 500);
        EXPECT_EQ(c.header->sectionSize(c.grow), least) << "the least width again";
    }
}

// The revision window: a long path keeps the date and its arrow in view, also beside a
// scroll bar, and shows whole as its tooltip.
TEST(ColumnFit, ARevisionRowKeepsItsDateInViewAndItsPathAsTooltip) {
    test::Sandbox sandbox;
    const std::string path = "C:\\Documents\\Projects\\Quillmoor\\Minutes of the annual general "
                             "meeting of the allotment society.doc";
    TRevisionFileList versions(40);
    for (TRevisionLst& file : versions) {
        file.Path = path;
        file.Count = 2;
        file.Dates[0] = encodeDateTime({2026, 11, 20, 10, 15, 0, 0});
        file.Dates[1] = file.Dates[0] + 1;
    }
    TFormRevision window(nullptr, versions);
    window.show();
    TRevisionList* list = window.list();
    ASSERT_TRUE(list->verticalScrollBar()->isVisible());
    EXPECT_EQ(columnsWidth(*list), list->viewport()->width());
    EXPECT_EQ(list->topLevelItem(0)->toolTip(1).toStdString(), path);
}

} // namespace
} // namespace qm
