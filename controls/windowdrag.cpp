#include "controls/windowdrag.h"

#include <QMouseEvent>
#include <QWidget>

namespace qm {

TWindowDrag::TWindowDrag(QWidget& window) : QObject(&window), window_(window) {}

void TWindowDrag::addHandle(QWidget* handle) {
    handle->installEventFilter(this);
}

bool TWindowDrag::eventFilter(QObject* watched, QEvent* event) {
    // Only a mouse event is looked at as one.
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        dragging_ = mouse->buttons() == Qt::LeftButton && mouse->modifiers() == Qt::NoModifier;
        offset_ = mouse->globalPosition().toPoint() - window_.pos();
        break;
    }
    case QEvent::MouseMove:
        if (dragging_)
            window_.move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - offset_);
        break;
    case QEvent::MouseButtonRelease:
        dragging_ = false;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace qm
