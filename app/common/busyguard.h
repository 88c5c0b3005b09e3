#pragma once
// TBusyGuard: one counter for everything that keeps the window thread busy while it lets
// pending events run (a job run, the wait window, a modal question raised by a timer).
// Handlers that would rebuild or free what such a loop holds ask runOrDefer(): while the
// count is above zero the task waits (one pending entry per task id, so a 2-second poll
// does not pile up) and runs once the last holder leaves. Owned by the main window model.

#include <functional>
#include <map>
#include <string>

namespace qm {

class TBusyGuard {
  public:
    class Scope {
      public:
        explicit Scope(TBusyGuard& guard) : guard_(&guard) { guard_->enter(); }
        ~Scope() {
            if (guard_)
                guard_->leave();
        }
        Scope(Scope&& other) noexcept : guard_(other.guard_) { other.guard_ = nullptr; }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        Scope& operator=(Scope&&) = delete;

      private:
        TBusyGuard* guard_;
    };

    void enter() { ++count_; }
    void leave();
    bool busy() const { return count_ > 0; }
    int count() const { return count_; }

    // Runs `task` now when idle; otherwise keeps it under `id` (a later request for the
    // same id replaces the earlier one) until the guard is released.
    void runOrDefer(const std::string& id, std::function<void()> task);
    bool pending(const std::string& id) const { return deferred_.count(id) != 0; }

    // How released tasks are run: by default at once, in the order of their ids. The
    // application posts them to its event loop instead, so they run from a clean stack.
    using Scheduler = std::function<void(std::function<void()>)>;
    void setScheduler(Scheduler scheduler) { scheduler_ = std::move(scheduler); }

  private:
    void release();

    int count_ = 0;
    std::map<std::string, std::function<void()>> deferred_;
    Scheduler scheduler_;
};

} // namespace qm
