#include "controls/skin.h"

#include <QFile>
#include <QImageReader>
#include <QSet>
#include <QWidget>
#include <cstdio>

// Resource registration has to happen outside any namespace.
static void initControlsResources() {
    Q_INIT_RESOURCE(controls);
}

namespace qm {

void ensureControlsResources() {
    static const bool done = (initControlsResources(), true);
    (void)done;
}

QColor skinPanelColor() {
    return QColor(124, 146, 193);
}

QFont skinLabelFont() {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"),
                      QStringLiteral("Sans Serif")});
    font.setPointSize(8);
    font.setBold(true);
    return font;
}

void setWhiteCaption(QWidget* widget) {
    QPalette palette = widget->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText})
            palette.setColor(group, role, Qt::white);
    // The tick and the dot keep a dark colour of their own, whatever the parent passes on.
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::Text, QColor(46, 62, 102));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(214, 224, 240));
    widget->setPalette(palette);
}

QPixmap skinPicture(const QString& name, QSize fallbackSize) {
    ensureControlsResources();
    QImageReader reader(QStringLiteral(":/skins/") + name + QStringLiteral(".jpg"));
    QImage image = reader.read();
    if (!image.isNull())
        return QPixmap::fromImage(image);
    static QSet<QString> reported;
    if (!reported.contains(name)) {
        reported.insert(name);
        std::fprintf(stderr, "skin: picture %s cannot be read (%s); using a plain face\n",
                     qPrintable(name), qPrintable(reader.errorString()));
    }
    QPixmap plain(fallbackSize.isValid() ? fallbackSize : QSize(16, 16));
    plain.fill(skinPanelColor());
    return plain;
}

} // namespace qm
