#include "controls/windowoutline.h"

#include <QPainterPath>
#include <QPolygon>
#include <QWidget>
#include <vector>

namespace qm {

QRegion roundRectRegion(int x1, int y1, int x2, int y2, int w, int h) {
    if (x2 <= x1 || y2 <= y1)
        return {};
    QPainterPath path;
    path.addRoundedRect(QRectF(x1, y1, x2 - x1, y2 - y1), w / 2.0, h / 2.0);
    return QRegion(path.toFillPolygon().toPolygon(), Qt::WindingFill);
}

QRegion rectRegion(int x1, int y1, int x2, int y2) {
    if (x2 <= x1 || y2 <= y1)
        return {};
    return QRegion(x1, y1, x2 - x1, y2 - y1);
}

QRegion ellipseRegion(int x1, int y1, int x2, int y2) {
    if (x2 <= x1 || y2 <= y1)
        return {};
    return QRegion(x1, y1, x2 - x1, y2 - y1, QRegion::Ellipse);
}

QRegion combineOutline(QRegion base, std::span<const OutlineStep> steps) {
    for (const OutlineStep& step : steps) {
        QRegion shape = step.shape == OutlineStep::Shape::Rect
                            ? rectRegion(step.x1, step.y1, step.x2, step.y2)
                            : ellipseRegion(step.x1, step.y1, step.x2, step.y2);
        base = step.op == OutlineStep::Op::Or ? base.united(shape) : base.subtracted(shape);
    }
    return base;
}

namespace {

QRect toRect(const RegionRect& r) {
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// True when `rects` already has the form QRegion keeps internally: bands sorted from
// the top, each band's rectangles of one height, sorted left to right with gaps
// between them, and bands that do not overlap.
bool isBanded(const std::vector<QRect>& rects) {
    for (size_t i = 1; i < rects.size(); ++i) {
        const QRect& a = rects[i - 1];
        const QRect& b = rects[i];
        const bool sameBand = a.top() == b.top();
        if (sameBand && (a.bottom() != b.bottom() || b.left() <= a.right() + 1))
            return false;
        if (!sameBand && b.top() <= a.bottom())
            return false;
    }
    return true;
}

// The union of rects[from, to), merged pairwise so that many rectangles stay cheap.
QRegion uniteRange(const std::vector<QRect>& rects, size_t from, size_t to) {
    if (to - from == 1)
        return QRegion(rects[from]);
    const size_t middle = from + (to - from) / 2;
    return uniteRange(rects, from, middle).united(uniteRange(rects, middle, to));
}

} // namespace

QRegion regionFromData(const RegionData& data) {
    std::vector<QRect> rects;
    rects.reserve(data.rects.size());
    for (const RegionRect& r : data.rects)
        rects.push_back(toRect(r));
    if (rects.empty())
        return {};
    // Stored data usually lists one rectangle per row, already banded; anything else
    // (any order, overlaps) is built as the union it stands for.
    if (!isBanded(rects))
        return uniteRange(rects, 0, rects.size());
    QRegion region;
    region.setRects(rects.data(), int(rects.size()));
    return region;
}

void applyOutline(QWidget* window, const QRegion& outline) {
    if (!window)
        return;
    if (outline.isEmpty()) {
        window->clearMask();
        return;
    }
    window->setMask(outline);
}

} // namespace qm
