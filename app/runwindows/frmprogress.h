#pragma once
// TFrmProgress: the job runner window in which every engine run happens. It shows the
// counts table, the current-file and whole-run bars and the current operation, offers
// Hide and Cancel, runs its operation once on its first showing (on the window thread,
// letting window events run between blocks) and closes itself within 100 ms of the end
// (Timer1). While it exists the main window holds its run (TRunWindow): the tray offers
// only "Show Main Window" and the ticks, and a close request cancels the run.
// The rules are TJobRunnerModel's; the window owns the model, the operation and its
// widgets.

#include "app/runs/joboperation.h"
#include "app/runs/jobrunnermodel.h"
#include "app/runwindows/runwindow.h"

#include <memory>

class QLabel;

namespace qm {

class TImageRegion;

class TFrmProgress : public TRunWindow {
    Q_OBJECT
  public:
    struct Setup {
        TJobServices services;
        TRunWindowHooks run;
    };

    TFrmProgress(int operation, std::unique_ptr<TJobOperation> job, Setup setup);
    ~TFrmProgress() override;

    TJobRunnerModel& model() { return model_; }
    // Shows the window modally, runs the operation and returns once the window closed.
    TJobOutcome execute();
    bool running() const { return loop_ != nullptr; }

    // The buttons' actions (named after the layout's handlers).
    void Fr() { hideProgram(); }
    void Imr_CancelClick() { model_.Imr_CancelClick(); }
    void ImageRegion2Click() { Close(); }
    void Close();

  public slots:
    // Esc and the desktop's close do nothing: a run ends by Cancel or by itself.
    void reject() override {}

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void build();
    void FormActivate();
    void refresh();

    TJobRunnerModel model_;
    std::unique_ptr<TJobOperation> job_;
    TJobServices services_;
    TJobOutcome outcome_;

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
