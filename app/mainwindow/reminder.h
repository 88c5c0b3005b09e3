#pragma once
// TReminder: the backup reminder of the reminder timer. It decides whether the reminder
// is due from "LastRemind" and the period on the Settings page, records the day it
// reminded (in memory as well, so a registry that cannot be written does not make it
// nag every 10 seconds) and keeps at most one reminder window open. The window itself is
// the caller's: `showWindow` opens it and the caller reports windowClosed().

#include <cstdint>
#include <functional>
#include <optional>

namespace qm {

class TReminder {
  public:
    explicit TReminder(std::function<void()> showWindow) : showWindow_(std::move(showWindow)) {}

    // The reminder timer's tick: reminds when ticked and due and no window is open.
    void TmrRemindTimer(bool reminderTicked, int days);
    bool TimeToRemind(int days) const;
    // Records today and opens the window (unless one is open already).
    void ShowReminder();
    void windowClosed() { windowOpen_ = false; }
    bool windowOpen() const { return windowOpen_; }

    static int64_t today();

  private:
    std::optional<int64_t> lastRemind() const;

    std::function<void()> showWindow_;
    std::optional<int64_t> rememberedDay_;
    bool windowOpen_ = false;
};

} // namespace qm
