#include "app/trees/eventpump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <memory>

namespace qm {

std::function<void()> makeEventPump(int intervalMs) {
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    return [clock, intervalMs] {
        if (clock->elapsed() < intervalMs)
            return;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        clock->restart();
    };
}

} // namespace qm
