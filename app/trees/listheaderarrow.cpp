#include "app/trees/listheaderarrow.h"

#include <QPainter>
#include <QPolygonF>
#include <cstring>

namespace qm {

namespace {

QPixmap drawArrow(bool up) {
    QPixmap picture(9, 8);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(64, 64, 64));
    const QPolygonF arrow = up ? QPolygonF({{0.5, 7.5}, {8.5, 7.5}, {4.5, 0.5}})
                               : QPolygonF({{0.5, 0.5}, {8.5, 0.5}, {4.5, 7.5}});
    painter.drawPolygon(arrow);
    return picture;
}

} // namespace

QPixmap listHeaderArrow(const char* name) {
    static const QPixmap up = drawArrow(true);
    static const QPixmap down = drawArrow(false);
    if (std::strcmp(name, "Bmp_Up28") == 0)
        return up;
    if (std::strcmp(name, "Bmp_Down28") == 0)
        return down;
    return {};
}

} // namespace qm
