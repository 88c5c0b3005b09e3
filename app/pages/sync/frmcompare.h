#pragma once
// TFrmCompare: the small compare window of the Sync page. Shown modally, it runs one
// comparison on its first showing (TCompareModel holds the rules), shows the current
// operation and the count of compared files, offers Hide and Cancel, and closes within
// 100 ms of the end (Timer1). While it exists the main window holds it as a run
// (TRunWindow): the tray offers nothing that starts or shows a page, the drive poll
// waits, and a close request cancels the comparison first. The window owns its model;
// the tree and the list are the Sync page's.

#include "app/pages/sync/comparemodel.h"
#include "app/runwindows/runwindow.h"

#include <QElapsedTimer>

class QLabel;

namespace qm {

class TFrmCompare : public TRunWindow {
    Q_OBJECT
  public:
    struct Setup {
        MessageFn message;
        TRunWindowHooks run;
    };

    TFrmCompare(TQMRestoreTreeModel& tree, TSyncListModel& list, Setup setup);
    ~TFrmCompare() override;

    TCompareModel& model() { return model_; }
    // Shows the window modally, compares, and returns once the window closed.
    void execute();

    void ImageRegion1Click() { hideProgram(); } // Hide
    void Close();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void build();
    void refresh();
    void FormActivate();

    TCompareModel model_;
    QElapsedTimer sincePaint_;
    QLabel* operation_ = nullptr;
    QLabel* count_ = nullptr;
    QWidget* buttons_ = nullptr;
};

} // namespace qm
