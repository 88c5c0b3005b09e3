#include "controls/skinbutton.h"

#include "controls/imageregion.h"
#include "controls/skin.h"

namespace qm {

TImageRegion* makeSkinButton(QWidget* parent, const QString& name, const QString& picture,
                             QSize size, QPoint at) {
    auto* button = new TImageRegion(parent);
    button->setObjectName(name);
    button->setPicture(skinPicture(picture, size));
    button->setBitMapEnter(skinPicture(picture + QStringLiteral("_hover"), size));
    button->move(at);
    return button;
}

} // namespace qm
