#include "render.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QWidget>
#include <cstdio>

namespace qm::renderwindows {

namespace {

QString gOut;
bool gOk = true;

} // namespace

void setOutputFolder(const QString& folder) {
    gOut = folder;
}

bool allWritten() {
    return gOk;
}

void shoot(QWidget& window, const QString& name) {
    const bool wasVisible = window.isVisible();
    window.show();
    QApplication::processEvents();
    QPixmap shot = window.grab();
    QImage image(shot.size(), QImage::Format_RGB32);
    image.fill(QColor(200, 200, 200));
    QPainter painter(&image);
    if (!window.mask().isEmpty())
        painter.setClipRegion(window.mask());
    painter.drawPixmap(0, 0, shot);
    painter.end();
    const QString path = gOut + "/" + name + ".png";
    if (!image.save(path)) {
        std::fprintf(stderr, "renderwindows: cannot write %s\n", qPrintable(path));
        gOk = false;
    }
    if (!wasVisible)
        window.hide();
}

} // namespace qm::renderwindows
