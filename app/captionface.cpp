#include "app/captionface.h"

#include "controls/imageregion.h"
#include "controls/skin.h"

#include <QFile>
#include <QPainter>

namespace qm {

QPixmap captionFace(const QString& skinName, const QString& caption, QSize size, bool hover) {
    ensureControlsResources();
    const QString name = hover ? skinName + QStringLiteral("_hover") : skinName;
    const QString path = QStringLiteral(":/skins/%1.jpg").arg(name);
    if (!skinName.isEmpty() && QFile::exists(path))
        return skinPicture(name, size);
    QPixmap face(size);
    const QColor base = skinPanelColor();
    face.fill(hover ? base.lighter(125) : base.darker(115));
    QPainter painter(&face);
    painter.setPen(QColor(255, 255, 255, 160));
    painter.drawRect(face.rect().adjusted(0, 0, -1, -1));
    painter.setPen(Qt::white);
    painter.setFont(skinLabelFont());
    painter.drawText(face.rect(), Qt::AlignCenter | Qt::TextWordWrap, caption);
    return face;
}

TImageRegion* makeCaptionButton(QWidget* parent, const char* name, const QString& skinName,
                                const QString& caption, QSize size, const QString& hint) {
    auto* button = new TImageRegion(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setPicture(captionFace(skinName, caption, size, false));
    button->setBitMapEnter(captionFace(skinName, caption, size, true));
    button->setFixedSize(size); // layouts must not squeeze a picture button away
    button->setToolTip(hint);
    return button;
}

} // namespace qm
