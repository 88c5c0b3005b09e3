#pragma once
// TJobLauncher: where every job run starts. A page hands it one TJobRequest (start());
// it builds the request's operation, and the job runner window for it with everything
// the operation may need from the program (the main window's message function, the
// password, revision, folder and summary windows, the program folder), shows it modally
// and hands the operation's outcome back. Owned by the main window, which gives it its
// hooks and gives each page its starter().

#include "app/common/messagefn.h"
#include "app/runs/jobrequest.h"
#include "app/runwindows/frmprogress.h"

namespace qm {

class TJobLauncher {
  public:
    using Hooks = TRunWindowHooks;
    // What the launcher takes from the main window's model.
    struct Program {
        MessageFn message;               // the main window's (it holds the busy guard)
        std::function<bool()> runActive; // a run or a comparison holds the window
        std::function<void(bool shown)> revisionWindowShown;
        // The settings in force, copied into every request; outlive the launcher.
        const TSettingsInForce* settings = nullptr;
    };

    TJobLauncher(Program program, Hooks hooks);

    // Runs the operation of `request` with the settings in force; returns when its
    // runner closed.
    TJobOutcome start(TJobRequest request);
    // What a page calls to start a run: start() on this launcher.
    TStartJob starter();
    // Runs operation `code` with `job` in a job runner window; returns when it closed.
    // start()'s last step; tests hand it scripted operations.
    TJobOutcome run(int code, std::unique_ptr<TJobOperation> job);
    // The runner shown now, or nullptr.
    TFrmProgress* current() const { return current_; }
    // What an operation gets from the program; tests replace members.
    TJobServices services();

  private:
    Program program_;
    Hooks hooks_;
    TFrmProgress* current_ = nullptr;
};

} // namespace qm
