#include "controls/hintgeometry.h"

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

std::array<QPoint, 3> windowPointer(int w) {
    return {QPoint(w / 10, 1), QPoint(w / 5, kPointerBand), QPoint(w / 2, kPointerBand)};
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
