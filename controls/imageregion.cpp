#include "controls/imageregion.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

namespace qm {

TImageRegion::TImageRegion(QWidget* parent) : QWidget(parent) {
    setGeometry(0, 0, 105, 105);
    setCursor(Qt::PointingHandCursor);
}

void TImageRegion::setPicture(const QPixmap& picture) {
    picture_ = picture;
    if (!picture_.isNull())
        resize(picture_.deviceIndependentSize().toSize());
    update();
}

void TImageRegion::setBitMapEnter(const QPixmap& picture) {
    bitMapEnter_ = picture;
    model_.setHasHoverPicture(!bitMapEnter_.isNull());
    update();
}

const QPixmap& TImageRegion::shownPicture() const {
    return model_.shownFace() == TImageRegionModel::Face::Hover ? bitMapEnter_ : picture_;
}

QSize TImageRegion::sizeHint() const {
    return picture_.isNull() ? QSize(105, 105) : picture_.deviceIndependentSize().toSize();
}

void TImageRegion::MouseEnter() {
    emit OnMouseEnter(this);
}

void TImageRegion::MouseLeave() {
    emit OnMouseLeave(this);
}

void TImageRegion::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        model_.setEnabled(isEnabled());
        pressed_ = false;
        update();
    }
    QWidget::changeEvent(event);
}

void TImageRegion::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    bool report = model_.mouseEnter();
    update();
    if (report)
        MouseEnter();
}

void TImageRegion::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    pressed_ = false;
    bool report = model_.mouseLeave();
    update();
    if (report)
        MouseLeave();
}

void TImageRegion::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        pressed_ = true;
    QWidget::mousePressEvent(event);
}

void TImageRegion::mouseReleaseEvent(QMouseEvent* event) {
    bool click = pressed_ && event->button() == Qt::LeftButton &&
                 rect().contains(event->position().toPoint());
    pressed_ = false;
    QWidget::mouseReleaseEvent(event);
    if (click && isEnabled())
        emit clicked();
}

void TImageRegion::paintEvent(QPaintEvent*) {
    const QPixmap& shown = shownPicture();
    if (shown.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(rect(), shown);
}

} // namespace qm
