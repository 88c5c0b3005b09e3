#include "app/common/busyguard.h"

namespace qm {

void TBusyGuard::leave() {
    if (count_ == 0)
        return; // an unbalanced leave must not drive the count negative
    if (--count_ == 0)
        release();
}

void TBusyGuard::runOrDefer(const std::string& id, std::function<void()> task) {
    if (!task)
        return;
    if (busy()) {
        deferred_[id] = std::move(task);
        return;
    }
    task();
}

void TBusyGuard::release() {
    while (!deferred_.empty() && !busy()) {
        auto node = deferred_.extract(deferred_.begin());
        std::function<void()> task = std::move(node.mapped());
        if (!scheduler_) {
            task();
            continue;
        }
        // A posted task asks again when it runs, in case the guard is held by then.
        scheduler_([this, id = node.key(), task = std::move(task)]() mutable {
            runOrDefer(id, std::move(task));
        });
    }
}

} // namespace qm
