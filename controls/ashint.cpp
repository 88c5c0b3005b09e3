#include "controls/ashint.h"

#include "controls/ashintwindow.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QScreen>
#include <QToolTip>
#include <QWidget>

namespace qm {

namespace {

TASHint* gCurrentASHint = nullptr;

} // namespace

TASHint::TASHint(QObject* owner) : QObject(owner) {
    setObjectName(QStringLiteral("ASHint1"));
    settings_.FrameColor = QToolTip::palette().color(QPalette::ToolTipBase);
    if (!gCurrentASHint)
        gCurrentASHint = this;
    setActive(true);
}

TASHint::~TASHint() {
    // Closing the balloon sends events of its own (Hide, Leave): the application must
    // stop passing events to this filter before the balloon goes, and the balloon must
    // go while the members the filter reads are still alive.
    if (active_ && qApp)
        qApp->removeEventFilter(this);
    window_.reset();
    if (gCurrentASHint == this)
        gCurrentASHint = nullptr;
}

TASHint* TASHint::current() {
    return gCurrentASHint;
}

void TASHint::setActive(bool active) {
    if (active == active_)
        return;
    active_ = active;
    // While active every hint request of the application comes here first; inactive,
    // the stock tooltip is back.
    if (active)
        qApp->installEventFilter(this);
    else {
        qApp->removeEventFilter(this);
        hideHint();
    }
}

void TASHint::copyToLiveWindow() {
    if (TASHintWindow* live = TASHintWindow::current())
        live->settings() = settings_;
}

void TASHint::setFrameWidth(int value) {
    if (settings_.setFrameWidth(value))
        copyToLiveWindow();
}

void TASHint::setRoundSize(int value) {
    if (settings_.setRoundSize(value))
        copyToLiveWindow();
}

void TASHint::setFrameColor(const QColor& color) {
    settings_.FrameColor = color;
    copyToLiveWindow();
}

void TASHint::setFrameFade(int value) {
    if (settings_.setFrameFade(value))
        copyToLiveWindow();
}

void TASHint::setAutoFrameColor(bool on) {
    settings_.AutoFrameColor = on;
    copyToLiveWindow();
}

void TASHint::setPattern(const QPixmap& pattern) {
    pattern_ = pattern;
    if (TASHintWindow* live = TASHintWindow::current())
        live->setPattern(pattern_);
}

void TASHint::showHint(const QPoint& globalPos, const QString& text) {
    if (text.isEmpty()) {
        hideHint();
        return;
    }
    if (!TASHintWindow::current()) {
        window_ = std::make_unique<TASHintWindow>();
        window_->settings() = settings_;
        window_->setPattern(pattern_);
    }
    TASHintWindow* live = TASHintWindow::current();
    // The balloon stays within the free area of the point's screen (the primary one for a
    // point on none), also where the point lies on a panel outside that area (a tray).
    QScreen* screen = QGuiApplication::screenAt(globalPos);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 900, 600);
    const QRect rect = live->CalcHintRect(area.width() / 3, text);
    // The pointer's tip sits a little below the mouse, or above it at the bottom edge.
    live->ActivateHint(hintgeometry::placeHint(rect.size(), globalPos, area), text);
}

void TASHint::hideHint() {
    if (TASHintWindow* live = TASHintWindow::current())
        live->hide();
    hintOwner_ = nullptr;
}

bool TASHint::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ToolTip: {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget)
            break;
        // A widget without a hint of its own may answer the request itself (item views
        // show their items' hints): leave the request to it.
        if (widget->toolTip().isEmpty()) {
            hideHint();
            break;
        }
        hintOwner_ = watched;
        showHint(static_cast<QHelpEvent*>(event)->globalPos(), widget->toolTip());
        return true;
    }
    case QEvent::Leave:
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::Hide:
        if (watched == hintOwner_)
            hideHint();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace qm
