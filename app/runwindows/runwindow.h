#pragma once
// TRunWindow: what the job runner and the compare window share. A modal skinned window
// that the main window holds as a run from its creation until its work has returned
// (TfrmMain::beginRun: the tray is locked, the drive poll waits, a close request cancels
// first); it comes up in front of the main window whenever it is shown, and the main
// window brings it back when the user brought that window back after Hide; Hide sends
// the whole program to the tray; the user moves it by dragging its title. Each window
// owns its model and widgets; the hooks are the main window's.

#include "app/runs/runcontrol.h"
#include "controls/skinneddialog.h"

#include <functional>
#include <memory>

class QEventLoop;
class QTimer;

namespace qm {

class TWindowDrag;

struct TRunWindowHooks {
    // Registers the run with the main window for as long as the handle lives.
    std::function<std::unique_ptr<TRunHold>(TRunControl&)> beginRun;
    std::function<void()> showMainWindow; // "Show Main Window" (the window comes up)
    std::function<void()> hideProgram;    // Hide: only the tray icon stays
    QWidget* mainWindow = nullptr;        // shown again: the run window comes back too
};

class TRunWindow : public TSkinnedDialog {
    Q_OBJECT
  public:
    ~TRunWindow() override;

    // The user hid the program with Hide (the tray's "Show Main Window" brings it back).
    bool hiddenByUser() const { return hiddenByUser_; }

  protected:
    TRunWindow(QSize clientSize, CornerOutline outline, bool framed, TRunWindowHooks hooks);

    // Holds the main window's run for `run` until endRun().
    void beginRun(TRunControl& run);
    void endRun() { run_.reset(); }
    // Hide: the window and the program go to the tray.
    void hideProgram();
    // Pressing on `handle` drags the window.
    void addDragHandle(QWidget* handle);
    // The Close button at `closeAt` and, over it, the panel Pnl_But at `panelAt` with Hide
    // and Cancel (Cancel runs `cancel`); returns the panel, which shows while the work runs.
    QWidget* addButtons(QWidget* body, QPoint closeAt, QPoint panelAt, std::function<void()> close,
                        std::function<void()> cancel);
    // A cell of a counts table: centred white text in a white frame.
    static QLabel* cell(QWidget* parent, const char* name, const QString& text, QRect place);

    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    TRunWindowHooks hooks_;
    QTimer* timer_ = nullptr; // Timer1: 100 ms, started by the window's execute
    QEventLoop* loop_ = nullptr;
    bool closed_ = false;
    bool operating_ = false; // inside the window's work

  private:
    std::unique_ptr<TRunHold> run_;
    TWindowDrag* drag_ = nullptr;
    bool hiddenByUser_ = false;
};

} // namespace qm
