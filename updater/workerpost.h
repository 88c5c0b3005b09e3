#pragma once
// How a worker thread hands work to the window thread: the window supplies a function
// that queues a task for its own thread. Workers call it with results and never touch a
// window, the registry or a model themselves.

#include <functional>

namespace qm {

using WindowThreadPost = std::function<void(std::function<void()> task)>;

} // namespace qm
