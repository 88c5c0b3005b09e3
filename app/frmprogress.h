#pragma once
// TFrmProgress: the job runner window in which every engine run happens. It shows the
// counts table, the current-file and whole-run bars and the current operation, offers
// Hide and Cancel, runs its operation once on its first showing (on the window thread,
// letting window events run between blocks) and closes itself within 100 ms of the end
// (Timer1). While it exists the main window holds its run (TfrmMain::beginRun): the tray
// offers only "Show Main Window" and the ticks, and a close request cancels the run.
// The rules are TJobRunnerModel's; the window owns the model, the operation and its
// widgets.

#include "app/joboperation.h"
#include "app/jobrunnermodel.h"
#include "app/mainwindowmodel.h"
#include "controls/skinneddialog.h"

#include <QPoint>
#include <functional>
#include <memory>

class QEventLoop;
class QLabel;
class QTimer;

namespace qm {

class TImageRegion;

class TFrmProgress : public TSkinnedDialog {
    Q_OBJECT
  public:
    struct Setup {
        TJobServices services;
        // Registers the run with the main window for as long as the handle lives.
        std::function<std::unique_ptr<TMainWindowModel::RunHandle>(TRunControl&)> beginRun;
        std::function<void()> showMainWindow; // "Show Main Window" (the window comes up)
        std::function<void()> hideProgram;    // Hide: only the tray icon stays
        QWidget* mainWindow = nullptr;        // shown again: the runner comes back too
    };

    TFrmProgress(int operation, std::unique_ptr<TJobOperation> job, Setup setup);
    ~TFrmProgress() override;

    TJobRunnerModel& model() { return model_; }
    // Shows the window modally, runs the operation and returns once the window closed.
    TJobOutcome execute();
    bool running() const { return loop_ != nullptr; }
    // The user hid the program with Hide (the tray's "Show Main Window" brings it back).
    bool hiddenByUser() const { return hiddenByUser_; }

    // The buttons' actions (named after the layout's handlers).
    void Fr();
    void Imr_CancelClick() { model_.Imr_CancelClick(); }
    void ImageRegion2Click() { Close(); }
    void Close();

  public slots:
    // Esc and the desktop's close do nothing: a run ends by Cancel or by itself.
    void reject() override {}

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void build();
    void FormActivate();
    void refresh();

    TJobRunnerModel model_;
    std::unique_ptr<TJobOperation> job_;
    Setup setup_;
    TJobOutcome outcome_;
    std::unique_ptr<TMainWindowModel::RunHandle> run_;
    QEventLoop* loop_ = nullptr;
    bool closed_ = false;
    bool operating_ = false; // inside the operation's Run
    bool hiddenByUser_ = false;
    bool dragging_ = false;
    QPoint dragOffset_;

    QTimer* timer_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* arrow_ = nullptr;
    QWidget* doneImage_ = nullptr;
    QLabel* cells_[3][2] = {};
    QLabel* sizeHeader_ = nullptr;
    QLabel* fileHeader_ = nullptr;
    QLabel* fill1_ = nullptr;
    QLabel* fill2_ = nullptr;
    QLabel* operation_ = nullptr;
    QWidget* buttons_ = nullptr;
};

} // namespace qm
