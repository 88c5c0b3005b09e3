#include "setup/formuninstal.h"

#include "controls/imageregion.h"
#include "controls/messageform.h"
#include "controls/skinbutton.h"
#include "platform/productkeys.h"
#include "platform/registry.h"
#include "platform/windowtitle.h"
#include "setup/setupwindow.h"

#include <QLabel>

namespace qm {

namespace {

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
    dressSetupWindow(*this, "FormUninstal", {628, 468}, "Image1", "uninstall_background");
    QLabel* caption = setupLabel(this, "labCaption", QStringLiteral("Uninstall Quillmoor Program"),
                                 QRect(100, 110, 360, 50));
    QFont large = caption->font();
    large.setPointSize(large.pointSize() + 5);
    caption->setFont(large);
    setupLabel(this, "lbl_Proceed",
               QStringLiteral("Click \"Uninstall\" to proceed with the uninstall process"),
               QRect(100, 180, 460, 22));
    setupLabel(this, "lbl_Cancel", QStringLiteral("Click \"Exit\" to cancel the uninstall process"),
               QRect(100, 206, 460, 22));
    setupLabel(this, "labWarning", {}, QRect(100, 260, 440, 60));
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

} // namespace qm
