#pragma once
// TFrmCompare: the small compare window of the Sync page. Shown modally, it runs one
// comparison on its first showing (TCompareModel holds the rules), shows the current
// operation and the count of compared files, offers Hide and Cancel, and closes within
// 100 ms of the end (Timer1). While it exists the main window holds it as a run
// (TfrmMain::beginRun): the tray offers nothing that starts or shows a page, the drive
// poll waits, and a close request cancels the comparison first. The window owns its
// model; the tree and the list are the Sync page's.

#include "app/comparemodel.h"
#include "controls/skinneddialog.h"

#include <QElapsedTimer>
#include <QPoint>
#include <functional>
#include <memory>

class QEventLoop;
class QLabel;
class QTimer;

namespace qm {

class TFrmCompare : public TSkinnedDialog {
    Q_OBJECT
  public:
    struct Setup {
        MessageFn message;
        std::function<std::unique_ptr<TMainWindowModel::RunHandle>(TRunControl&)> beginRun;
        std::function<void()> showMainWindow; // "Show Main Window"
        std::function<void()> hideProgram;    // Hide: only the tray icon stays
        QWidget* mainWindow = nullptr;        // shown again: the window comes back too
    };

    TFrmCompare(TQMRestoreTreeModel& tree, TSyncListModel& list, Setup setup);
    ~TFrmCompare() override;

    TCompareModel& model() { return model_; }
    // Shows the window modally, compares, and returns once the window closed.
    void execute();

    void ImageRegion1Click(); // Hide
    void Close();

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void build();
    void refresh();
    void FormActivate();

    TCompareModel model_;
    Setup setup_;
    std::unique_ptr<TMainWindowModel::RunHandle> run_;
    QEventLoop* loop_ = nullptr;
    bool closed_ = false;
    bool operating_ = false;
    bool hiddenByUser_ = false;
    bool dragging_ = false;
    QPoint dragOffset_;
    QElapsedTimer sincePaint_;

    QTimer* timer_ = nullptr;
    QLabel* operation_ = nullptr;
    QLabel* count_ = nullptr;
    QWidget* buttons_ = nullptr;
};

} // namespace qm
