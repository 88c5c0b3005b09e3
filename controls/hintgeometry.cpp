#include "controls/hintgeometry.h"

#include <algorithm>

namespace qm {

bool THintSettings::setFrameWidth(int value) {
    if (value < 1 || value > 20)
        return false;
    FrameWidth = value;
    return true;
}

bool THintSettings::setRoundSize(int value) {
    if (value < 0 || value > 20)
        return false;
    RoundSize = value;
    return true;
}

bool THintSettings::setFrameFade(int value) {
    if (value < 0 || value > 50)
        return false;
    FrameFade = value;
    return true;
}

namespace hintgeometry {

QRect calcHintRect(const QRect& r, int frameWidth) {
    // Edges as left, top, right, bottom with right and bottom exclusive.
    const int left = r.left() - frameWidth;
    const int top = r.top() - frameWidth;
    const int right = r.left() + r.width() + frameWidth + 1;
    const int bottom = r.top() + r.height() + kPointerBand + frameWidth;
    return QRect(left, top, right - left, bottom - top);
}

THintPlacement placeHint(const QSize& size, const QPoint& at, const QRect& screen) {
    // How far the tip sits from the point asked for, below or above it.
    constexpr int kBelowGap = 17;
    constexpr int kAboveGap = 4;
    const int w = size.width(), h = size.height();
    THintPlacement place;
    int left = at.x() - w / 10;
    left = std::min(left, screen.left() + screen.width() - w);
    left = std::max(left, screen.left());
    int top = at.y() + kBelowGap - 1;
    if (top + h > screen.top() + screen.height()) {
        place.pointerBelow = true;
        top = at.y() - kAboveGap - h + 2;
    }
    // A point below the free area (a panel's tray): the balloon sits on its edge.
    top = std::min(top, screen.top() + screen.height() - h);
    top = std::max(top, screen.top());
    place.rect = QRect(QPoint(left, top), size);
    // The tip stays clear of the rounded corners' first pixels.
    place.tipX = std::clamp(at.x() - left, 2, std::max(2, w - 3));
    return place;
}

std::array<QPoint, 3> windowPointer(int w) {
    return windowPointer(w, 0, w / 10, false);
}

std::array<QPoint, 3> windowPointer(int w, int h, int tipX, bool below) {
    // The base starts a tenth of the width from the tip and ends at four tenths, on the
    // side with room for it.
    const int direction = tipX > w / 2 ? -1 : 1;
    const int near = w / 5 - w / 10, far = w / 2 - w / 10;
    const int tipY = below ? h - 2 : 1;
    const int baseY = below ? h - 1 - kPointerBand : kPointerBand;
    return {QPoint(tipX, tipY), QPoint(tipX + direction * near, baseY),
            QPoint(tipX + direction * far, baseY)};
}

namespace {

// component * fade / 50 to the nearest integer, an exact half going to the even one.
int scaleComponent(int component, int fade) {
    const int numerator = component * fade;
    int whole = numerator / 50;
    const int rest = numerator % 50;
    if (rest * 2 > 50 || (rest * 2 == 50 && whole % 2 != 0))
        ++whole;
    return whole;
}

} // namespace

QColor fadedColor(const QColor& background, int fade) {
    return QColor(scaleComponent(background.red(), fade), scaleComponent(background.green(), fade),
                  scaleComponent(background.blue(), fade));
}

} // namespace hintgeometry

} // namespace qm
