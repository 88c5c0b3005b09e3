#include "app/common/captionface.h"

#include "controls/buttonface.h"
#include "controls/imageregion.h"
#include "controls/skin.h"

#include <QFile>

namespace qm {

QPixmap captionFace(const QString& skinName, const QString& caption, QSize size, bool hover) {
    ensureControlsResources();
    const QString name = hover ? skinName + QStringLiteral("_hover") : skinName;
    const QString path = QStringLiteral(":/skins/%1.jpg").arg(name);
    if (!skinName.isEmpty() && QFile::exists(path))
        return skinPicture(name, size);
    return QPixmap::fromImage(paintButtonFace(size, caption, hover));
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
