#include "controls/frmsplash.h"

#include "controls/skin.h"

#include <QLabel>
#include <QTimer>

namespace qm {

TFrmSplash::TFrmSplash(QWidget* owner)
    : TSkinnedDialog(owner, QSize(450, 300), CornerOutline{0, 0, 1, 1, 20}, false) {
    setObjectName(QStringLiteral("FrmSplash"));
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    auto* picture = new QLabel(panel());
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(skinPicture(QStringLiteral("splash"), {450, 300}));
    picture->setGeometry(0, 0, 450, 300);
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Tmr_Destroy"));
    timer_->setInterval(kInterval);
    connect(timer_, &QTimer::timeout, this, &QWidget::hide);
    timer_->start();
}

} // namespace qm
