// The Sync page in the main window: the compare window runs as a run of its own (the
// tray's Backup, Launch and Settings locked while it walks), closes by itself, and the difference
// list shows its rows in their colours with the legend and the Sync button.

#include "app/pages/sync/syncpage.h"

#include "app/drives/mediadrives.h"
#include "app/mainwindow/frmmain.h"
#include "app/mainwindow/traymenu.h"
#include "app/pages/sync/synclist.h"
#include "controls/imageregion.h"
#include "engine/backupjob.h"
#include "engine/enginestate.h"
#include "platform/answerscript.h"
#include "platform/fileio.h"
#include "support/qt/mouseclick.h"
#include "support/sandbox.h"

#include <QAction>
#include <QStackedWidget>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(SyncPage, CompareWindowFillsTheColouredListAndLocksThreeTrayItemsWhileItWalks) {
    test::Sandbox sandbox;
    AnswerScript::instance().reset();
    AnswerScript::instance().start();
    Engine().Reset();
    MakeMediaDrive("E:\\");
    for (const char* path : {"C:\\data\\a.txt", "C:\\data\\b.txt"}) {
        sandbox.writeFile(path, path);
        sandbox.setFileTime(path, 2026, 3, 1, 10, 0, 0);
    }
    TBackUpJob job;
    job.SetDestination('E');
    job.SourceFiles = {"C:\\data\\a.txt", "C:\\data\\b.txt"};
    job.Backup();
    deleteFile("C:\\data\\a.txt");
    sandbox.setFileTime("C:\\data\\b.txt", 2026, 3, 2, 10, 0, 0);

    TMainWindowSetup setup;
    setup.splashShown = true;
    auto w = std::make_unique<TfrmMain>(std::move(setup));
    w->model().ShowMenuPanel();
    w->model().menuClick(TMainWindowModel::MenuButton::Tools);
    TSyncPage* page = w->syncPage();
    ASSERT_EQ(w->pages()->currentWidget(), page);
    ASSERT_EQ(page->model().tree().roots().size(), 1u);
    page->model().tree().click(page->model().tree().firstRoot());

    bool trayLocked = false, aboveMainWindow = false;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (TFrmCompare* compare = page->compareWindow()) {
            // Backup, Launch and Settings only.
            trayLocked = !w->tray().item("mnu_StartBackup")->isEnabled() &&
                         !w->tray().item("mnu_LaunchFileSync")->isEnabled() &&
                         !w->tray().item("mnu_FileSyncSettings")->isEnabled() &&
                         w->tray().item("mnu_FileSynchronization")->isEnabled() &&
                         w->tray().item("mnu_Exit")->isEnabled();
            // Showing the main window must not bury the window that holds Cancel.
            aboveMainWindow = compare->windowHandle() &&
                              compare->windowHandle()->transientParent() == w->windowHandle();
        }
    });
    watch.start();
    test::leftClick(page->findChild<TImageRegion*>(QStringLiteral("imr_Compare")));
    watch.stop();
    EXPECT_TRUE(trayLocked);
    EXPECT_TRUE(aboveMainWindow);
    EXPECT_EQ(page->compareWindow(), nullptr);
    EXPECT_TRUE(w->tray().item("mnu_StartBackup")->isEnabled());

    QAbstractItemModel* rows = page->list()->model();
    ASSERT_EQ(rows->rowCount(), 2);
    EXPECT_EQ(rows->index(0, 0).data().toString(), QStringLiteral("a.txt"));
    EXPECT_EQ(rows->index(0, 2).data().toString(), QStringLiteral("Deleted"));
    EXPECT_EQ(rows->index(0, 1).data(Qt::BackgroundRole).value<QColor>(), QColor(255, 200, 200));
    EXPECT_EQ(rows->index(1, 2).data(Qt::BackgroundRole).value<QColor>(), QColor(200, 255, 200));
    EXPECT_TRUE(page->findChild<QWidget*>(QStringLiteral("pnl_SyncColors"))->isVisibleTo(page));
    test::leftClick(page->findChild<TImageRegion*>(QStringLiteral("imr_CheckAll")));
    EXPECT_EQ(rows->index(1, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    test::leftClick(page->findChild<TImageRegion*>(QStringLiteral("imt_back")));
    EXPECT_FALSE(page->findChild<QWidget*>(QStringLiteral("pnl_SyncColors"))->isVisibleTo(page));
    EXPECT_EQ(AnswerScript::instance().failures(), 0);
    w.reset();
    Engine().Reset();
    AnswerScript::instance().reset();
}

} // namespace
} // namespace qm
