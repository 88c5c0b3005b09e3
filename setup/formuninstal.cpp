#include "setup/formuninstal.h"

#include "controls/imageregion.h"
#include "controls/messageform.h"
#include "controls/screenplace.h"
#include "controls/skin.h"
#include "controls/skinbutton.h"
#include "platform/productkeys.h"
#include "platform/registry.h"
#include "platform/windowtitle.h"
#include "setup/setupresources.h"

#include <QLabel>
#include <QMouseEvent>

namespace qm {

namespace {

QLabel* label(QWidget* parent, const char* name, const QString& text, QRect at) {
    QLabel* label = makeSkinLabel(parent, QString::fromLatin1(name), text);
    label->setGeometry(at);
    label->setWordWrap(true);
    return label;
}

TUninstallEnvironment uninstallEnvironment() {
    TUninstallEnvironment env;
    env.message = [](int kind, const std::string& text) {
        return ShowMessageForm(kind, text, TMessageStyle::setupProgram());
    };
    env.isAdmin = [] { return IsAdmin(); };
    env.mainWindowOpen = [] { return FindWindowByTitle(kMainWindowTitle); };
    return env;
}

} // namespace

TFormUninstal::TFormUninstal(std::string installFolder, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint),
      uninstaller_(std::move(installFolder), uninstallEnvironment()) {
    ensureSetupResources();
    setObjectName(QStringLiteral("FormUninstal"));
    setFixedSize(628, 468);
    CentreOnScreen(*this);
    background_ = new QLabel(this);
    background_->setObjectName(QStringLiteral("Image1"));
    background_->setPixmap(skinPicture(QStringLiteral("uninstall_background"), size()));
    background_->setGeometry(rect());
    background_->installEventFilter(this);
    QLabel* caption = label(this, "labCaption", QStringLiteral("Uninstall Quillmoor Program"),
                            QRect(100, 110, 360, 50));
    QFont large = caption->font();
    large.setPointSize(large.pointSize() + 5);
    caption->setFont(large);
    label(this, "lbl_Proceed",
          QStringLiteral("Click \"Uninstall\" to proceed with the uninstall process"),
          QRect(100, 180, 460, 22));
    label(this, "lbl_Cancel", QStringLiteral("Click \"Exit\" to cancel the uninstall process"),
          QRect(100, 206, 460, 22));
    label(this, "labWarning", {}, QRect(100, 260, 440, 60));
    TImageRegion* uninstall =
        makeSkinButton(this, QStringLiteral("ImageRegion1"), QStringLiteral("button_uninstall"),
                       {84, 25}, {422, 420});
    TImageRegion* exit = makeSkinButton(this, QStringLiteral("btn_exit"),
                                        QStringLiteral("button_exit"), {84, 25}, {516, 420});
    connect(uninstall, &TImageRegion::clicked, this, &TFormUninstal::bbUninstalClick);
    connect(exit, &TImageRegion::clicked, this, &QWidget::close);
}

void TFormUninstal::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    setWindowTitle(QStringLiteral(" QuillmoorUninstall "));
    findChild<QLabel*>(QStringLiteral("labCaption"))->resize(360, 50);
    findChild<QLabel*>(QStringLiteral("labWarning"))
        ->setText(QStringLiteral("Any backed up data will be unavailable for restoring on this "
                                 "computer! Are you sure you want to continue with uninstall?"));
}

void TFormUninstal::bbUninstalClick() {
    uninstaller_.bbUninstalClick();
    close(); // every way through the button ends the program
}

bool TFormUninstal::eventFilter(QObject* watched, QEvent* event) {
    if (watched != background_)
        return false;
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseMove)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (event->type() == QEvent::MouseButtonPress && mouse->buttons() == Qt::LeftButton)
        dragFrom_ = mouse->globalPosition().toPoint() - frameGeometry().topLeft();
    else if (event->type() == QEvent::MouseMove && mouse->buttons() == Qt::LeftButton)
        move(mouse->globalPosition().toPoint() - dragFrom_);
    return false;
}

} // namespace qm
