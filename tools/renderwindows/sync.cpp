#include "sync.h"

#include "machine.h"
#include "render.h"

#include "app/mainwindow/frmmain.h"
#include "app/pages/sync/frmcompare.h"
#include "app/pages/sync/syncpage.h"
#include "app/trees/qmrestoretree.h"
#include "platform/datetime.h"

#include <QApplication>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace qm::renderwindows {

namespace {

void setTime(const std::string& host, TDateTime when) {
    const timespec times[2] = {{static_cast<time_t>(unixFromDateTime(when)), 0},
                               {static_cast<time_t>(unixFromDateTime(when)), 0}};
    ::utimensat(AT_FDCWD, host.c_str(), times, 0);
}

} // namespace

void makeSyncSample(const TRenderMachine& machine) {
    const std::string c = machine.drive('C');
    setTime(c + "/Documents/notes.txt", now() + 1.25);          // newer on the hard drive
    setTime(c + "/Documents/Letters/to bank.doc", now() + 0.5); // newer on the hard drive
    setTime(c + "/Pictures/cat.png", now() - 30);               // the media copy is newer
    setTime(c + "/Pictures/Holiday/hills.jpg", now() - 2);      // the media copy is newer
    std::filesystem::remove(c + "/Documents/letter.doc");       // gone from the hard drive
    setTime(c + "/Documents/budget.xls", encodeDateTime({1975, 6, 1, 12, 0, 0, 0})); // unreadable
}

void compareSyncSample(TfrmMain& window) {
    TSyncPage* page = window.syncPage();
    TSyncPageModel& model = page->model();
    TQMRestoreTreeModel& tree = model.tree();
    for (const char* folder : {"Documents", "Pictures"})
        tree.click(tree.nodeByLabels({"C:", folder}));
    page->tree()->expand(page->tree()->indexOf(tree.firstRoot()));
    // The compare window as the comparison leaves it.
    {
        TFrmCompare compare(tree, model.list(), {model.message(), {}});
        compare.model().FormActivate();
        shoot(compare, QStringLiteral("compare_window"));
    }
    model.imr_CompareClick();
    model.imr_CheckAllClick();
    QApplication::processEvents();
}

} // namespace qm::renderwindows
