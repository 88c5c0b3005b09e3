#include "controls/ashintwindow.h"

#include "controls/windowoutline.h"

#include <QPainter>
#include <QPolygon>
#include <QToolTip>

namespace qm {

namespace {

TASHintWindow* gCurrentHintWindow = nullptr;

constexpr int kTextFlags = Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop;

QRegion triangle(const std::array<QPoint, 3>& points) {
    return QRegion(QPolygon({points[0], points[1], points[2]}), Qt::WindingFill);
}

// The band `width` pixels wide inside the edge of `region`.
QRegion innerEdge(const QRegion& region, int width) {
    QRegion inner = region.intersected(region.translated(width, 0))
                        .intersected(region.translated(-width, 0))
                        .intersected(region.translated(0, width))
                        .intersected(region.translated(0, -width));
    return region.subtracted(inner);
}

} // namespace

TASHintWindow::TASHintWindow(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("ASHintWindow"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFont(QToolTip::font());
    // The default look until the TASHint that shows the balloon hands over its settings.
    settings_.FrameColor = QToolTip::palette().color(QPalette::ToolTipBase);
    gCurrentHintWindow = this;
}

TASHintWindow::~TASHintWindow() {
    if (gCurrentHintWindow == this)
        gCurrentHintWindow = nullptr;
}

TASHintWindow* TASHintWindow::current() {
    return gCurrentHintWindow;
}

void TASHintWindow::setPattern(const QPixmap& pattern) {
    pattern_ = pattern;
    update();
}

QRect TASHintWindow::CalcHintRect(int maxWidth, const QString& hint) const {
    QRect text =
        fontMetrics().boundingRect(QRect(0, 0, qMax(1, maxWidth), 10000), kTextFlags, hint);
    text.moveTopLeft(QPoint(0, 0));
    // Room for the text's own margin, as the stock hint window leaves, and below it
    // for the frame.
    text.adjust(0, 0, 6, 4);
    return hintgeometry::calcHintRect(text, settings_.FrameWidth);
}

void TASHintWindow::ActivateHint(const hintgeometry::THintPlacement& place, const QString& hint) {
    using hintgeometry::kPointerBand;
    text_ = hint;
    pointerBelow_ = place.pointerBelow;
    setGeometry(place.rect);
    const int W = width(), H = height(), round = settings_.RoundSize;
    const QRegion body = pointerBelow_ ? roundRectRegion(1, 1, W, H - kPointerBand, round, round)
                                       : roundRectRegion(1, kPointerBand, W, H - 1, round, round);
    windowRegion_ =
        body.united(triangle(hintgeometry::windowPointer(W, H, place.tipX, pointerBelow_)));
    clearMask();
    setMask(windowRegion_);
    show();
    update();
}

QColor TASHintWindow::frameColor() const {
    if (settings_.AutoFrameColor)
        return hintgeometry::fadedColor(QToolTip::palette().color(QPalette::ToolTipBase),
                                        settings_.FrameFade);
    return settings_.FrameColor;
}

void TASHintWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QBrush body = pattern_.isNull() ? QBrush(QToolTip::palette().color(QPalette::ToolTipBase))
                                          : QBrush(pattern_);
    // The body first over the whole window, so no pixel of the outline stays unpainted,
    // then the frame along the outline the window shows, pointer included.
    painter.fillRect(rect(), body);
    painter.setClipRegion(innerEdge(windowRegion_, settings_.FrameWidth));
    painter.fillRect(rect(), frameColor());
    painter.setClipping(false);
    QRect textRect = pointerBelow_ ? rect().adjusted(0, 0, 0, -hintgeometry::kPointerBand)
                                   : rect().adjusted(0, hintgeometry::kPointerBand, 0, 0);
    textRect.adjust(settings_.FrameWidth + 2, settings_.FrameWidth + 1, 0, 0);
    painter.setPen(QToolTip::palette().color(QPalette::ToolTipText));
    painter.drawText(textRect, kTextFlags, text_);
}

} // namespace qm
