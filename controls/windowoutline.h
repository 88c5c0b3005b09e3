#pragma once
// Window outlines: the shapes the borderless windows give themselves each time they are
// shown. Coordinates follow the stored outline data: right and bottom edges exclusive,
// corner ellipses given by their full width and height.

#include "platform/regiondata.h"

#include <QRegion>
#include <span>

class QWidget;

namespace qm {

// A rectangle (x1, y1)-(x2, y2) with elliptic corners of w x h.
QRegion roundRectRegion(int x1, int y1, int x2, int y2, int w, int h);
QRegion rectRegion(int x1, int y1, int x2, int y2);
QRegion ellipseRegion(int x1, int y1, int x2, int y2);

// One step of a combined outline: add (Or) or cut away (Diff) a rectangle or ellipse.
struct OutlineStep {
    enum class Op { Or, Diff };
    enum class Shape { Rect, Ellipse };
    Op op;
    Shape shape;
    int x1, y1, x2, y2;
};

QRegion combineOutline(QRegion base, std::span<const OutlineStep> steps);

// The union of the stored rectangles.
QRegion regionFromData(const RegionData& data);

// Gives `window` the outline; an empty region makes it rectangular again.
void applyOutline(QWidget* window, const QRegion& outline);

} // namespace qm
