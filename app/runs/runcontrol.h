#pragma once
// TRunControl: what a run offers to the main window while it lasts (the job runner, a
// comparison), and TRunHold, the main window's hold on it. The runs and their windows
// need only this, not the main window's model.

namespace qm {

// What a job run offers to the main window: a way to stop it as its Cancel button does.
class TRunControl {
  public:
    virtual ~TRunControl() = default;
    virtual void requestCancel() = 0;
    // While a job runs the tray offers nothing that starts something, shows a page or
    // exits; a comparison takes away only Backup, Launch and Settings (what the other
    // items ask for waits until it ends).
    virtual bool locksWholeTray() const { return true; }
};

// The main window holds a run for as long as this lives (TMainWindowModel::beginRun):
// the window is busy and a close request stops the run first.
class TRunHold {
  public:
    virtual ~TRunHold() = default;
};

} // namespace qm
