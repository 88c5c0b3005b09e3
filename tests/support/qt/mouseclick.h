#pragma once
// A click of the left button at a point of a widget (press and release), sent straight
// to the widget as a user's click would arrive.

#include <QPoint>

class QWidget;

namespace qm::test {

void leftClick(QWidget* widget, QPoint at = QPoint(3, 3));

} // namespace qm::test
