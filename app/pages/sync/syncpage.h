#pragma once
// TSyncPage: the widgets of the Sync page (TS_Sync) over a TSyncPageModel: the media
// drive combo (cbMediaSinc, with imr_DorpDown_Sync1), the page control pgc_sync with the
// catalogue tree QMRestoreTreeSync and its file list QMRestoreFileListSync on
// TSSync_Files and the difference list lv_Sync with its tick buttons on TSSync_Results,
// the options (Rg_SyncOpt, chb_SyncDelete), "Begin Compare" (imr_Compare) and the legend
// with "Begin Synchronize" (pnl_SyncColors, imr_Sync). The page owns its model and makes
// the compare window for each comparison; the job runs are the main window's hook.

#include "app/pages/sync/frmcompare.h"
#include "app/pages/sync/syncpagemodel.h"

#include <QWidget>
#include <memory>

class QCheckBox;
class QComboBox;
class QRadioButton;
class QStackedWidget;

namespace qm {

class TQMRestoreFileList;
class TQMRestoreTree;
class TSyncList;

class TSyncPage : public QWidget {
    Q_OBJECT
  public:
    struct Hooks {
        // The compare window's run registration and its Hide (as the job runner's).
        TFrmCompare::Setup compare;
        std::function<void(bool show)> wait;
        std::function<bool()> pageVisible;
        TStartJob startJob;
    };

    TSyncPage(TDrivePoll& poll, MessageFn message, Hooks hooks, QWidget* parent);
    ~TSyncPage() override;

    TSyncPageModel& model() { return *model_; }
    TQMRestoreTree* tree() const { return tree_; }
    TSyncList* list() const { return list_; }
    // The compare window while it is shown, else null.
    TFrmCompare* compareWindow() const { return compare_; }

    // The page is shown (TS_SyncShow).
    void TS_SyncShow();
    // Puts the model's state on the widgets.
    void refresh();

  private:
    QWidget* buildFiles();
    QWidget* buildResults();
    QWidget* buildBottom();
    void runCompare();

    Hooks hooks_;
    std::unique_ptr<TSyncPageModel> model_;
    QComboBox* combo_ = nullptr;
    QStackedWidget* tabs_ = nullptr;
    TQMRestoreTree* tree_ = nullptr;
    TQMRestoreFileList* files_ = nullptr;
    TSyncList* list_ = nullptr;
    QRadioButton* options_[4] = {};
    QCheckBox* delete_ = nullptr;
    QWidget* colours_ = nullptr;
    TFrmCompare* compare_ = nullptr;
};

} // namespace qm
