#include "controls/skinneddialog.h"

#include "controls/skin.h"
#include "controls/windowoutline.h"

#include <QLabel>
#include <QResizeEvent>

namespace qm {

namespace {

constexpr int kTop = 12, kBottom = 9, kLeft = 8, kRight = 7;

QLabel* makeEdge(QWidget* parent, const char* name, const char* picture, QSize size) {
    auto* edge = new QLabel(parent);
    edge->setObjectName(QString::fromLatin1(name));
    edge->setScaledContents(true);
    edge->setPixmap(skinPicture(QString::fromLatin1(picture), size));
    return edge;
}

} // namespace

TSkinnedDialog::TSkinnedDialog(QWidget* parent, QSize clientSize, CornerOutline outline,
                               bool framed)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), outline_(outline) {
    panel_ = new QWidget(this);
    panel_->setObjectName(QStringLiteral("Panel1"));
    panel_->setAutoFillBackground(true);
    QPalette palette = panel_->palette();
    palette.setColor(QPalette::Window, skinPanelColor());
    palette.setColor(QPalette::WindowText, Qt::white);
    panel_->setPalette(palette);
    if (framed) {
        top_ = makeEdge(this, "Image1", "frame_top", {64, kTop});
        bottom_ = makeEdge(this, "Image2", "frame_bottom", {64, kBottom});
        left_ = makeEdge(this, "Image4", "frame_left", {kLeft, 64});
        right_ = makeEdge(this, "Image3", "frame_right", {kRight, 64});
    }
    setClientSize(clientSize);
}

void TSkinnedDialog::setClientSize(QSize size) {
    setFixedSize(size);
    layoutFrame();
}

void TSkinnedDialog::layoutFrame() {
    const int w = width(), h = height();
    if (!top_) {
        panel_->setGeometry(0, 0, w, h);
        return;
    }
    top_->setGeometry(0, 0, w, kTop);
    bottom_->setGeometry(0, h - kBottom, w, kBottom);
    left_->setGeometry(0, kTop, kLeft, h - kTop - kBottom);
    right_->setGeometry(w - kRight, kTop, kRight, h - kTop - kBottom);
    panel_->setGeometry(kLeft, kTop, w - kLeft - kRight, h - kTop - kBottom);
}

void TSkinnedDialog::applyCornerOutline() {
    applyOutline(this,
                 roundRectRegion(outline_.left, outline_.top, width() + outline_.growRight,
                                 height() + outline_.growBottom, outline_.corner, outline_.corner));
}

void TSkinnedDialog::showEvent(QShowEvent* event) {
    applyCornerOutline();
    QDialog::showEvent(event);
}

void TSkinnedDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    layoutFrame();
    if (isVisible())
        applyCornerOutline();
}

QLabel* makeSkinLabel(QWidget* parent, const QString& objectName, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setFont(skinLabelFont());
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    return label;
}

} // namespace qm
