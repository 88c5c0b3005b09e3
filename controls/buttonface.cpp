#include "controls/buttonface.h"

#include <QLinearGradient>
#include <QPainter>
#include <algorithm>

namespace qm {

QImage paintButtonFace(QSize size, const QString& caption, bool hover, int textPixels) {
    const int w = size.width();
    const int h = size.height();
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(124, 146, 193));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient body(0, 0, 0, h);
    body.setColorAt(0, hover ? QColor(250, 236, 196) : QColor(232, 238, 248));
    body.setColorAt(1, hover ? QColor(240, 214, 150) : QColor(176, 192, 224));
    const QColor deep(46, 62, 102);
    const QRectF r(0.5, 0.5, w - 1.0, h - 1.0);
    p.setPen(QPen(deep, 1));
    p.setBrush(body);
    p.drawRoundedRect(r, 5, 5);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(7, std::min(textPixels, h - 9)));
    font.setBold(true);
    p.setPen(deep);
    p.setFont(font);
    p.drawText(r, Qt::AlignCenter, caption);
    return image;
}

} // namespace qm
