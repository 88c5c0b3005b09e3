#pragma once
// TJobRunnerModel: the state and rules of the job runner window without its widgets: the
// run's counts and sizes, the texts of the counts table, the two progress bars, the
// current-operation text, and the progress procedures the engine calls (FileProgress,
// DeleteProgress, StampCheckProgress). Cancel asks first (unless the password window
// cancels), then raises the engine's cancel flag and closes. A close request from
// another program stops the run the same way without asking (it is the TRunControl the
// main window holds while the run is shown). The window supplies repaint, message
// processing and close through the hooks below.

#include "app/common/messagefn.h"
#include "app/runs/runcontrol.h"

#include <cstdint>
#include <functional>
#include <string>

namespace qm {

// The operations of the job runner.
enum TJobOperationCode {
    kOpBackup = 0,
    kOpRestore = 1,
    kOpSyncDeletions = 2,
    kOpSyncBothWays = 3,
    kOpMediaToHardDrive = 4,
    kOpHardDriveToMedia = 5,
    kOpDeleteFromMedia = 6,
};

class TJobRunnerModel : public TRunControl {
  public:
    // Pixels of a full bar: the frame's width (369) less 4.
    static constexpr int kBarFull = 365;

    TJobRunnerModel(int operation, MessageFn message);

    struct Hooks {
        std::function<void()> changed;         // repaint the window
        std::function<void()> processMessages; // let pending window events run
        std::function<void()> close;           // the window's Close
    };
    void setHooks(Hooks hooks) { hooks_ = std::move(hooks); }

    // While an operation holds a job: what a cancel does to it.
    class JobStopper {
      public:
        JobStopper(TJobRunnerModel& runner, std::function<void()> stop) : runner_(runner) {
            runner_.stopJob_ = std::move(stop);
        }
        ~JobStopper() { runner_.stopJob_ = nullptr; }
        JobStopper(const JobStopper&) = delete;
        JobStopper& operator=(const JobStopper&) = delete;

      private:
        TJobRunnerModel& runner_;
    };

    int operation() const { return operation_; }

    // Counts of the run.
    int64_t TotalCount = 0;
    int64_t TotalSize = 0;
    int64_t NewCount = 0;
    // Files the engine reported finished: what "Finished" shows, as a number.
    int64_t FinishedCount = 0;
    int64_t NewSize = 0;
    bool CancelRequested = false;
    bool CancelWithoutAsking = false;
    bool Activated = false;
    // 1 while the operation runs; the runner window sets 0 once its operation returned.
    int JobRunning = 1;

    // Texts of the window.
    struct Texts {
        std::string totalCount = "0", totalSize = "0";
        std::string finishedCount = "0", finishedSize = "0";
        std::string remainingCount = "0", remainingSize = "0";
        std::string operation;
    };
    const Texts& texts() const { return texts_; }
    int bar1() const { return bar1_; }
    int bar2() const { return bar2_; }
    // False for a delete, whose table shows counts only.
    bool sizesShown() const { return sizesShown_; }
    bool doneImageShown() const { return doneImageShown_; }
    bool buttonsShown() const { return buttonsShown_; }

    void setOperationText(std::string text);
    void hideSizes();
    void showDoneImage();
    // A cancel seen before the run: "Canceled by user" and no buttons.
    void showCanceled();
    void setTotals(int64_t count, int64_t size);
    void setRemaining(int64_t count, int64_t size);
    void setRemainingCount(int64_t count);
    void processMessages();
    void changed();

    void ZeroSettings();
    void FileProgress(int32_t FilesDone, bool ListMode, int64_t FileSize, int64_t FileBytesDone,
                      int64_t BytesDone);
    void DeleteProgress(int32_t FilesDone, bool ListMode, int64_t FileSize, int64_t FileBytesDone,
                        int64_t BytesDone);
    void StampCheckProgress(int64_t Count, int64_t Index);

    // Cancel button: asks unless CancelWithoutAsking; on Yes stops the run.
    void Imr_CancelClick();
    // Stops the run without asking.
    void StopAll();
    void requestCancel() override { StopAll(); }

    static const char* const kCancelQuestion;

  private:
    static int barWidth(double fraction);
    // The Finished and Remaining texts for `files` and `bytes` done.
    void showDone(int32_t files, int64_t bytes);
    // A size label of the Finished and Remaining row while the run goes on.
    static void showProgressSize(std::string& label, int64_t bytes);

    int operation_;
    MessageFn message_;
    Hooks hooks_;
    std::function<void()> stopJob_;
    Texts texts_;
    int bar1_ = 0;
    int bar2_ = 0;
    bool sizesShown_ = true;
    bool doneImageShown_ = false;
    bool buttonsShown_ = true;
};

} // namespace qm
