#include "controls/frmreminder.h"

#include "controls/imageregion.h"
#include "controls/skin.h"
#include "controls/skinbutton.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

namespace qm {

namespace {

// A transparent hot spot over the picture's close symbol.
class CloseSpot : public QWidget {
  public:
    using QWidget::QWidget;
    std::function<void()> onClick;

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
            onClick)
            onClick();
    }
};

TImageRegion* makeButton(QWidget* parent, const char* name, const char* picture, int top) {
    return makeSkinButton(parent, QString::fromLatin1(name), QString::fromLatin1(picture),
                          {118, 19}, {6, top});
}

} // namespace

TFrmReminder::TFrmReminder(QWidget* owner)
    : TSkinnedDialog(owner, QSize(195, 68), CornerOutline{1, 0, 0, 0, 20}, false) {
    setObjectName(QStringLiteral("FrmReminder"));
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    QWidget* body = panel();
    auto* picture = new QLabel(body);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(skinPicture(QStringLiteral("reminder_back"), {195, 68}));
    picture->setGeometry(0, 0, 195, 68);
    auto* close = new CloseSpot(body);
    close->setObjectName(QStringLiteral("img_Close"));
    close->setGeometry(174, 4, 17, 17);
    close->setCursor(Qt::PointingHandCursor);
    close->onClick = [this] {
        if (model_.img_CloseClick())
            hide();
    };
    TImageRegion* backup = makeButton(body, "imr_Backup", "button_backup", 24);
    TImageRegion* off = makeButton(body, "Imr_Cancel", "button_reminder_off", 45);
    connect(backup, &TImageRegion::clicked, this, [this] {
        if (model_.imr_BackupClick())
            hide();
    });
    connect(off, &TImageRegion::clicked, this, [this] {
        if (model_.Imr_CancelClick())
            hide();
    });
}

void TFrmReminder::placeBesideTray(std::optional<QRect> trayRect) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    move(TReminderModel::place(trayRect, screen->availableGeometry(), size()));
}

void TFrmReminder::showEvent(QShowEvent* event) {
    TSkinnedDialog::showEvent(event);
    QApplication::beep();
    raise();
    activateWindow();
}

} // namespace qm
