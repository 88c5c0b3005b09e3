#include "setup/setupwindow.h"

#include "controls/screenplace.h"
#include "controls/skin.h"
#include "controls/skinneddialog.h"
#include "controls/windowdrag.h"
#include "setup/setupresources.h"

#include <QLabel>

namespace qm {

QLabel* dressSetupWindow(QWidget& window, const char* objectName, QSize size,
                         const char* backgroundName, const char* picture) {
    ensureSetupResources();
    window.setObjectName(QString::fromLatin1(objectName));
    window.setFixedSize(size);
    CentreOnScreen(window);
    auto* background = new QLabel(&window);
    background->setObjectName(QString::fromLatin1(backgroundName));
    background->setPixmap(skinPicture(QString::fromLatin1(picture), size));
    background->setGeometry(window.rect());
    (new TWindowDrag(window))->addHandle(background);
    return background;
}

QLabel* setupLabel(QWidget* parent, const char* name, const QString& text, QRect at) {
    QLabel* label = makeSkinLabel(parent, QString::fromLatin1(name), text);
    label->setGeometry(at);
    label->setWordWrap(true);
    return label;
}

} // namespace qm
