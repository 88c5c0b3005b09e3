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

QRegion regionFromData(const RegionData& data) {
    std::vector<QRect> rects;
    rects.reserve(data.rects.size());
    for (const RegionRect& r : data.rects)
        rects.emplace_back(r.left, r.top, r.right - r.left, r.bottom - r.top);
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

}  // namespace qm
