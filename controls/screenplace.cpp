#include "controls/screenplace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace qm {

void CentreOnScreen(QWidget& window) {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
}

} // namespace qm
