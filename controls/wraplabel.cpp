#include "controls/wraplabel.h"

#include "controls/skin.h"

#include <QPainter>
#include <QTextLayout>

namespace qm {

namespace {

// The text with each line end (CR LF, LF or CR) as the line break a layout honours.
QString withLineBreaks(QString text) {
    text.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    text.replace(QLatin1Char('\r'), QChar::LineSeparator);
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return text;
}

// Lays `text` out in lines of `width`; returns the height used.
qreal layoutLines(QTextLayout& layout, int width) {
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    qreal height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    return height;
}

} // namespace

TWrapLabel::TWrapLabel(QWidget* parent) : QWidget(parent) {
    setFont(skinLabelFont());
}

void TWrapLabel::setText(const QString& text) {
    text_ = text;
    updateGeometry();
    update();
}

int TWrapLabel::textHeight(int width) const {
    QTextLayout layout(withLineBreaks(text_), font());
    return qCeil(layoutLines(layout, qMax(1, width)));
}

void TWrapLabel::paintEvent(QPaintEvent*) {
    QTextLayout layout(withLineBreaks(text_), font());
    layoutLines(layout, width());
    QPainter painter(this);
    painter.setPen(Qt::white);
    layout.draw(&painter, QPointF(0, 0));
}

} // namespace qm
