#include "controls/hintgeometry.h"

#include "controls/ashint.h"
#include "controls/ashintwindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>

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

TEST(ASHintTest, BalloonPaintsEveryPixelOfItsOutlineAndFramesItsEdge) {
    TASHint hint;
    hint.setFrameWidth(1);
    hint.showHint(QPoint(200, 200), QStringLiteral("Use selected drive as Target Media"));
    TASHintWindow* live = TASHintWindow::current();
    ASSERT_NE(live, nullptr);
    const QImage image = live->grab().toImage();
    const QColor body = QToolTip::palette().color(QPalette::ToolTipBase);
    const QColor frame = live->frameColor();
    const QRegion outline = live->windowRegion();
    int framed = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (!outline.contains(QPoint(x, y)))
                continue;
            const bool edge =
                !outline.contains(QPoint(x + 1, y)) || !outline.contains(QPoint(x, y + 1)) ||
                !outline.contains(QPoint(x - 1, y)) || !outline.contains(QPoint(x, y - 1));
            const QColor pixel = image.pixelColor(x, y);
            if (edge) {
                framed += pixel == frame;
                EXPECT_EQ(pixel, frame) << x << "," << y;
            } else if (y < 20 || y >= image.height() - 4 || x >= image.width() - 3) {
                EXPECT_EQ(pixel, body) << x << "," << y << ": inside the frame, beside the text";
            }
        }
    EXPECT_GT(framed, 2 * image.width()) << "a frame along the whole outline";
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
