#pragma once
// The pump that long walks of the trees and lists call between steps: it lets pending
// events (paints, timers, clicks) run, at most once every few milliseconds, so a walk of
// thousands of steps stays responsive without spending its time in the event loop.

#include <functional>

namespace qm {

std::function<void()> makeEventPump(int intervalMs = 20);

} // namespace qm
