#include "controls/hintgeometry.h"

#include "controls/ashint.h"
#include "controls/ashintwindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>

namespace qm {
namespace {

TEST(HintSettingsTest, OutOfRangeValuesLeaveOldValue) {
    THintSettings s;
    EXPECT_FALSE(s.setFrameWidth(0));
    EXPECT_FALSE(s.setFrameWidth(21));
    EXPECT_FALSE(s.setRoundSize(21));
    EXPECT_FALSE(s.setFrameFade(51));
    EXPECT_EQ(s.FrameWidth, 2);
    EXPECT_EQ(s.RoundSize, 15);
    EXPECT_EQ(s.FrameFade, 35);
    EXPECT_TRUE(s.setFrameWidth(20));
    EXPECT_TRUE(s.setRoundSize(0));
    EXPECT_TRUE(s.setFrameFade(50));
    EXPECT_EQ(s.FrameWidth, 20);
}

TEST(HintGeometryTest, PointerOfHundredPixelHint) {
    auto p = hintgeometry::windowPointer(100);
    EXPECT_EQ(p[0], QPoint(10, 1));
    EXPECT_EQ(p[1], QPoint(20, 20));
    EXPECT_EQ(p[2], QPoint(50, 20));
    auto f = hintgeometry::framePointer(100, 2);
    EXPECT_EQ(f[0], QPoint(9, 0));
    EXPECT_EQ(f[2], QPoint(52, 20));
}

TEST(HintGeometryTest, HintRectLeavesRoomForFrameAndPointer) {
    QRect r = hintgeometry::calcHintRect(QRect(0, 0, 100, 15), 1);
    EXPECT_EQ(r, QRect(-1, -1, 103, 37));
}

TEST(HintGeometryTest, FrameColourFadesWithHalvesToEven) {
    EXPECT_EQ(hintgeometry::fadedColor(QColor(255, 255, 225), 35), QColor(178, 178, 158));
    EXPECT_EQ(hintgeometry::fadedColor(QColor(10, 0, 255), 50), QColor(10, 0, 255));
    EXPECT_EQ(hintgeometry::fadedColor(QColor(10, 0, 255), 0), QColor(0, 0, 0));
}

TEST(ASHintTest, SettersReachTheLiveBalloon) {
    TASHint hint;
    ASSERT_EQ(TASHint::current(), &hint);
    hint.setFrameWidth(1);
    hint.setRoundSize(8);
    hint.showHint(QPoint(200, 200), QStringLiteral("Use selected drive as Target Media"));
    TASHintWindow* live = TASHintWindow::current();
    ASSERT_NE(live, nullptr);
    EXPECT_TRUE(live->isVisible());
    EXPECT_EQ(live->settings().RoundSize, 8);
    hint.setFrameWidth(21); // ignored
    hint.setFrameWidth(3);
    EXPECT_EQ(live->settings().FrameWidth, 3);
    // The outline holds the pointer tip and the body, not the corner above the body.
    const int w = live->width();
    EXPECT_TRUE(live->windowRegion().contains(QPoint(w * 3 / 10, 18)));
    EXPECT_TRUE(live->windowRegion().contains(QPoint(w / 2, live->height() / 2 + 10)));
    EXPECT_FALSE(live->windowRegion().contains(QPoint(w - 2, 5)));
    hint.setActive(false);
    EXPECT_FALSE(live->isVisible());
}

// A widget that answers hint requests itself, as item views do for their items.
class OwnHintWidget : public QWidget {
  public:
    int requests = 0;

  protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::ToolTip) {
            ++requests;
            return true;
        }
        return QWidget::event(event);
    }
};

TEST(ASHintTest, WidgetsWithoutAHintOfTheirOwnStillGetTheRequest) {
    TASHint hint;
    OwnHintWidget own;
    QHelpEvent request(QEvent::ToolTip, QPoint(5, 5), QPoint(100, 100));
    QApplication::sendEvent(&own, &request);
    EXPECT_EQ(own.requests, 1);
    QWidget plain;
    plain.setToolTip(QStringLiteral("Begin Compare"));
    QHelpEvent balloon(QEvent::ToolTip, QPoint(5, 5), QPoint(100, 100));
    QApplication::sendEvent(&plain, &balloon);
    ASSERT_NE(TASHintWindow::current(), nullptr);
    EXPECT_EQ(TASHintWindow::current()->hintText(), QStringLiteral("Begin Compare"));
    EXPECT_TRUE(TASHintWindow::current()->isVisible());
}

} // namespace
} // namespace qm
