#include "mainpages.h"

#include "machine.h"
#include "sync.h"
#include "trees.h"

#include "app/mainwindow/frmmain.h"
#include "app/pages/backup/backuppage.h"
#include "app/pages/reports/reportspagemodel.h"
#include "app/pages/restore/restorepage.h"
#include "app/stores/reportstore.h"
#include "app/trees/qmrestoretree.h"

#include <QCheckBox>

namespace qm::renderwindows {

namespace {

// Checks `name`, a check box or radio button of the window, as a click would.
void tick(TfrmMain& window, const char* name) {
    if (auto* box = window.findChild<QAbstractButton*>(QString::fromLatin1(name)))
        box->click();
}

// A finished run of `type` on day `day` of December 2026.
TActivityRecord sampleRun(int day, const char* type, const char* status, int files) {
    TActivityRecord r;
    r.ActivityType = type;
    r.StartTime = encodeDateTime({2026, 12, day, 14, 5, 9, 0});
    r.EndTime = r.StartTime + 0.0312;
    r.StartDay = static_cast<int32_t>(r.StartTime);
    r.StartTimeOfDay = r.StartTime - r.StartDay;
    r.ProcessTime = ElapsedText(r.StartTime, r.EndTime);
    r.FileCount = files;
    r.SizeText = "12.40 Mb";
    r.Status = status;
    r.Errors = day % 3;
    return r;
}

// On the Restore page over the sample's catalogue: a folder ticked, a folder's files
// shown with one ticked, versions to be chosen.
void tickRestoreSample(TfrmMain& w) {
    TQMRestoreTree* view = w.restorePage()->restoreTree();
    TQMRestoreTreeModel& tree = view->treeModel();
    TCheckNode* documents = tree.nodeByLabels({"C:", "Documents"});
    view->expand(view->indexOf(tree.firstRoot()));
    view->expand(view->indexOf(documents));
    tree.click(tree.nodeByLabels({"C:", "Pictures"}));
    view->setCurrentIndex(view->indexOf(documents));
    w.restorePage()->model().files().tick(0, true);
    tick(w, "rb_SelectVersion");
}

} // namespace

// Add a page's scenes here, one row each.
const std::vector<TPageScene>& pageScenes() {
    static const std::vector<TPageScene> scenes = {
        {"TS_Reports", "selected",
         [](const TRenderMachine&) {
             SaveReport(sampleRun(5, "Backup", "Complete", 1532), "E:\\", "");
             SaveReport(sampleRun(6, "Restore", "Complete", 42), "E:\\", "");
             SaveReport(sampleRun(7, "Backup", "Interrupted by user", 311), "E:\\", "");
             SaveReport(sampleRun(8, "Delete", "Complete", 7), "E:\\", "");
         },
         [](TfrmMain& w) { w.reportsPage().lv_ReportsChange(1); }},
        {"TS_BackUp", "ticked", makeBackupSample, tickBackupSample},
        {"TS_BackUp", "compressed_revisions", makeBackupSample,
         [](TfrmMain& w) {
             w.model().settings().setCompressionType(2);
             w.model().settings().setRevisionTick(true);
             w.backupPage()->refresh();
         }},
        {"TS_Restore", "ticked", {}, tickRestoreSample},
        {"TS_Sync", "compared", makeSyncSample, compareSyncSample},
        {"TS_Settings",
         "ticked",
         {},
         [](TfrmMain& w) {
             for (const char* name : {"chkEncription", "chb_FileRevision", "chkReminder",
                                      "Rb_Multiple", "chb_UseExeptList"})
                 tick(w, name);
         }},
    };
    return scenes;
}

} // namespace qm::renderwindows
