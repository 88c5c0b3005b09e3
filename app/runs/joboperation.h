#pragma once
// The seam between the job runner and its operations. An operation (backup, restore,
// delete; the synchronisation operations plug in the same way) is handed a TJobContext:
// the runner's model (counts, texts, bars, cancel state) and the services of the program
// around it (questions, password and revision windows, folder choice, summary); it
// returns its TJobOutcome. The runner runs the operation once, on the window thread, and
// closes only when Run returns: an operation made of several steps keeps the runner,
// the tray lock and the busy state for all of them (TJobSequence).

#include "app/runs/jobrunnermodel.h"
#include "app/stores/activityrecord.h"
#include "engine/revisionlist.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// What an operation may ask of the program around the runner. Tests script every member.
struct TJobServices {
    MessageFn message; // the main window's message function (it holds the busy guard)
    // The password window: single mode or list, the prompt, the list it edits, whether
    // Skip and Skip all show, the file asked about (may be empty), what its Cancel does
    // to the run. 1 OK, 2 Skip or Cancel, 3 Skip all.
    std::function<int(bool single, const std::string& prompt, std::vector<std::string>& list,
                      bool allowSkip, const std::string& file,
                      const std::function<void()>& cancelRun)>
        askPassword;
    // The revision window over the list: 1 OK, 2 Cancel.
    std::function<int(TRevisionFileList& list)> chooseRevisions;
    // The folder picker: true with a chosen folder.
    std::function<bool(std::string& folder)> selectFolder;
    std::function<void(const TActivityRecord&)> showSummary;
    std::function<void()> hideRunner; // the runner's window goes before the summary
    // The runner's window back for a further run of the same operation (unless the
    // user hid the program).
    std::function<void()> showRunner;
    // The program folder as a DOS path with a trailing backslash ("" when unknown):
    // where the engine writes Log.txt during a run.
    std::function<std::string()> programFolder;
};

// What a finished operation leaves for the page that started it.
struct TJobOutcome {
    bool ran = false;               // the engine run happened
    bool cancelled = false;         // the user or a close request cancelled
    std::optional<std::string> log; // the run's Log.txt as read right after the run
    std::string reportLogPath;      // the log stored in the report folder, "" if none
    bool filesDeleted = false;      // a delete run removed files from the media
    TActivityRecord record;
};

struct TJobContext {
    TJobRunnerModel& runner;
    const TJobServices& services;
};

class TJobOperation {
  public:
    virtual ~TJobOperation() = default;
    // The title of the runner window for this operation ("Backup", "Restore", ...).
    virtual const char* title() const = 0;
    // Runs the operation; what it leaves for the page, nothing ran when it refused or
    // was cancelled before the engine ran.
    virtual TJobOutcome Run(TJobContext& context) = 0;
};

// Runs its steps one after the other in one runner (synchronise both ways: media to
// hard drive, then hard drive to media). A cancel ends the sequence. Its outcome is the
// last run step's; files were deleted when any step deleted some.
class TJobSequence : public TJobOperation {
  public:
    TJobSequence(const char* title, std::vector<std::unique_ptr<TJobOperation>> steps)
        : title_(title), steps_(std::move(steps)) {}
    const char* title() const override { return title_; }
    TJobOutcome Run(TJobContext& context) override {
        TJobOutcome outcome;
        for (auto& step : steps_) {
            if (context.runner.CancelRequested)
                break;
            TJobOutcome next = step->Run(context);
            const bool deleted = outcome.filesDeleted || next.filesDeleted;
            if (next.ran)
                outcome = std::move(next);
            outcome.filesDeleted = deleted;
        }
        return outcome;
    }

  private:
    const char* title_;
    std::vector<std::unique_ptr<TJobOperation>> steps_;
};

} // namespace qm
