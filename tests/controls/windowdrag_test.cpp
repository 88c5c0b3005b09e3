#include "controls/windowdrag.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>

namespace qm {
namespace {

// A drag on a handle moves the window by the way the mouse went, and only one begun
// with the left button alone; the window's other widgets start nothing.
TEST(WindowDrag, TheLeftButtonAloneOnAHandleMovesTheWindow) {
    QWidget window;
    window.setGeometry(100, 100, 200, 100);
    auto* handle = new QLabel(&window);
    auto* other = new QLabel(&window);
    (new TWindowDrag(window))->addHandle(handle);
    const auto mouse = [](QWidget* on, QEvent::Type type, QPoint global, Qt::MouseButtons buttons,
                          Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QMouseEvent event(type, QPointF(1, 1), QPointF(global), Qt::LeftButton, buttons, modifiers);
        QApplication::sendEvent(on, &event);
    };
    const auto drag = [&](QWidget* on, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
        const QPoint before = window.pos();
        mouse(on, QEvent::MouseButtonPress, {150, 110}, buttons, mods);
        mouse(on, QEvent::MouseMove, {180, 150}, buttons, mods);
        mouse(on, QEvent::MouseButtonRelease, {180, 150}, Qt::NoButton, mods);
        return window.pos() - before;
    };
    EXPECT_EQ(drag(handle, Qt::LeftButton, Qt::NoModifier), QPoint(30, 40));
    EXPECT_EQ(drag(handle, Qt::LeftButton | Qt::RightButton, Qt::NoModifier), QPoint(0, 0));
    EXPECT_EQ(drag(handle, Qt::LeftButton, Qt::ControlModifier), QPoint(0, 0));
    EXPECT_EQ(drag(other, Qt::LeftButton, Qt::NoModifier), QPoint(0, 0));
    mouse(handle, QEvent::MouseMove, {300, 300}, Qt::NoButton);
    EXPECT_EQ(window.pos(), QPoint(130, 140)) << "a move after the release drags nothing";
}

} // namespace
} // namespace qm
