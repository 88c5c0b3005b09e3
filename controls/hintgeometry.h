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

// Where a balloon goes on the screen, and where its pointer sits in it.
struct THintPlacement {
    QRect rect;                // screen coordinates
    int tipX = 0;              // the pointer's tip, from the balloon's left edge
    bool pointerBelow = false; // the pointer band under the body instead of above it
};

// The text rectangle widened for the frame and the pointer band.
QRect calcHintRect(const QRect& textRect, int frameWidth);
// A balloon of `size` for a hint asked at `at`, kept inside `screen` (the screen's free
// area): below the point with the tip just under it, a tenth of the balloon to the tip's
// left; moved left or right to stay within the side edges, the tip still over the
// point; above the point, its pointer at the bottom, where below would cross the bottom
// edge (a tray icon's hint).
THintPlacement placeHint(const QSize& size, const QPoint& at, const QRect& screen);
// The pointer of the window outline for a hint `w` pixels wide: tip, then the base.
std::array<QPoint, 3> windowPointer(int w);
// The same for a balloon `w` by `h` with the tip at `tipX`, on the band above or below
// the body; the base runs from the tip towards the wider side.
std::array<QPoint, 3> windowPointer(int w, int h, int tipX, bool below);
// Each of red, green and blue scaled by fade / 50, halves to the even neighbour.
QColor fadedColor(const QColor& background, int fade);

} // namespace hintgeometry

} // namespace qm
