#pragma once
// TCompareModel: the rules of the compare window TFrmCompare without its widgets. One
// comparison per window: it takes every file ticked in the Sync page's restore tree,
// looks each up in the media catalogue (through the indexed path list, so a path listed
// twice is compared once, against its first record), reads the file's date on the hard
// drive and adds a row to the difference list for each file that differs. Cancel ends
// the walk at the next file; the rows found so far stay. The tree, the list and the
// message function are the Sync page's; the model borrows them for its life.

#include "app/common/messagefn.h"
#include "app/pages/sync/synclistmodel.h"
#include "app/runs/runcontrol.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace qm {

class TQMRestoreTreeModel;

class TCompareModel : public TRunControl {
  public:
    static const char* const kNothingToCompare;
    static const char* const kNoDifferences;
    // Dates further apart than this (0.2592 seconds, in days) differ.
    static constexpr double kTolerance = 3e-06;

    struct Hooks {
        std::function<void()> changed;         // texts or buttons changed
        std::function<void()> processMessages; // let pending window events run
        std::function<void()> close;           // the window's Close
    };

    TCompareModel(TQMRestoreTreeModel& tree, TSyncListModel& list, MessageFn message);
    void setHooks(Hooks hooks) { hooks_ = std::move(hooks); }

    // The comparison; runs once, later calls do nothing.
    void FormActivate();
    // Timer1: closes the window once the comparison is over.
    void Timer1Timer();
    void Imr_CancelClick();
    void ImageRegion2Click();
    // A close request from another program stops the comparison like Cancel.
    void requestCancel() override { Imr_CancelClick(); }
    bool locksWholeTray() const override { return false; }

    bool busy() const { return busy_; }
    bool started() const { return started_; }
    bool cancelled() const { return cancelled_; }
    int64_t count() const { return count_; }
    const std::string& operationText() const { return operation_; }
    bool buttonsShown() const { return buttonsShown_; }

    // The row for one catalogue file (its source path, the catalogue's date as number
    // text and its size text), or none when the hard-drive file has the same date.
    static std::optional<TSyncRow>
    CompareFiles(const std::string& path, const std::string& timeText, const std::string& sizeText);

  private:
    void setOperation(const char* text);
    void pump();
    void walk();

    TQMRestoreTreeModel& tree_;
    TSyncListModel& list_;
    MessageFn message_;
    Hooks hooks_;
    bool cancelled_ = false;
    bool busy_ = true;
    bool started_ = false;
    bool buttonsShown_ = true;
    int64_t count_ = 0;
    std::string operation_;
};

} // namespace qm
