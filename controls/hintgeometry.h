#pragma once
// The balloon hint's settings and shape, without widgets: the accepted ranges of each
// setting, the rectangle a hint needs, the pointer triangles and the frame colour.
// TASHint holds one THintSettings per component; TASHintWindow paints from these.

#include <QColor>
#include <QPoint>
#include <QRect>
#include <array>

namespace qm {

struct THintSettings {
    int FrameWidth = 2; // 1 .. 20
    int RoundSize = 15; // 0 .. 20
    QColor FrameColor;  // the tooltip background colour unless set
    int FrameFade = 35; // 0 .. 50, fiftieths of the background colour
    bool AutoFrameColor = true;

    // Each setter stores an accepted value and returns true; other values are ignored.
    bool setFrameWidth(int value);
    bool setRoundSize(int value);
    bool setFrameFade(int value);
};

namespace hintgeometry {

// Height of the band above the body that holds the pointer.
constexpr int kPointerBand = 20;

// The text rectangle widened for the frame and the pointer band.
QRect calcHintRect(const QRect& textRect, int frameWidth);
// The pointer of the window outline for a hint `w` pixels wide: tip, then the base.
std::array<QPoint, 3> windowPointer(int w);
// Each of red, green and blue scaled by fade / 50, halves to the even neighbour.
QColor fadedColor(const QColor& background, int fade);

} // namespace hintgeometry

} // namespace qm
