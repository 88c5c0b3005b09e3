#pragma once
// TJobLauncher: how a page starts a job run. It builds the job runner window for one
// operation with everything the operation may need from the program (the main window's
// message function, the password, revision, folder and summary windows, the program
// folder), shows it modally and hands the outcome back. Owned by the main window, which
// gives it its hooks; the pages only call run().

#include "app/mainwindow/mainwindowmodel.h"
#include "app/runwindows/frmprogress.h"

namespace qm {

class TJobLauncher {
  public:
    using Hooks = TRunWindowHooks;

    TJobLauncher(TMainWindowModel& model, Hooks hooks);

    // Runs operation `code` with `job` in a job runner window; returns when it closed.
    TJobOutcome run(int code, std::unique_ptr<TJobOperation> job);
    // The runner shown now, or nullptr.
    TFrmProgress* current() const { return current_; }
    // What an operation gets from the program; tests replace members.
    TJobServices services();

  private:
    TMainWindowModel& model_;
    Hooks hooks_;
    TFrmProgress* current_ = nullptr;
};

} // namespace qm
