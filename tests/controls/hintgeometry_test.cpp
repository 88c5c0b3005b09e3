#include "controls/hintgeometry.h"

#include "controls/ashint.h"
#include "controls/ashintwindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QScreen>
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

// A balloon 120 by 40 on a 800 by 600 screen beside another one: where it goes and
// where its tip points.
TEST(HintGeometryTest, PlacedBalloonsStayOnTheScreenWithTheTipOnThePoint) {
    struct Row {
        const char* name;
        QPoint at;
        QRect rect;
        int tipX;
        bool below;
        int tipY; // on the screen
    };
    const QRect screen(800, 0, 800, 600);
    const Row rows[] = {
        {"below and right of the point", {1000, 200}, {988, 216, 120, 40}, 12, false, 217},
        {"moved in from the right edge", {1590, 200}, {1480, 216, 120, 40}, 110, false, 217},
        {"moved in from the left edge", {803, 200}, {800, 216, 120, 40}, 3, false, 217},
        {"above the point at the bottom edge", {1200, 570}, {1188, 528, 120, 40}, 12, true, 566},
        {"a tray icon on a panel below the free area: on its edge, pointing down",
         {1595, 610},
         {1480, 560, 120, 40},
         115,
         true,
         598},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const hintgeometry::THintPlacement place =
            hintgeometry::placeHint(QSize(120, 40), row.at, screen);
        EXPECT_EQ(place.rect, row.rect);
        EXPECT_EQ(place.tipX, row.tipX);
        EXPECT_EQ(place.pointerBelow, row.below);
        EXPECT_TRUE(screen.contains(place.rect));
        const QPoint tip = hintgeometry::windowPointer(120, 40, place.tipX, place.pointerBelow)[0];
        EXPECT_EQ(tip.x(), place.tipX);
        EXPECT_EQ(place.rect.top() + tip.y(), row.tipY);
    }
    // A tip in the right half has its base to its left, inside the balloon.
    const auto right = hintgeometry::windowPointer(120, 40, 110, true);
    EXPECT_EQ(right[0], QPoint(110, 38));
    EXPECT_EQ(right[1], QPoint(98, 19));
    EXPECT_EQ(right[2], QPoint(62, 19));
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

// The tray icon's hint, asked in the screen's bottom right corner: the whole balloon on
// the screen, its pointer below the body pointing at the icon.
TEST(ASHintTest, ABalloonAskedInTheBottomRightCornerStaysOnTheScreen) {
    TASHint hint;
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint corner = area.bottomRight() - QPoint(2, 2);
    hint.showHint(corner, QStringLiteral("Quillmoor Backup"));
    TASHintWindow* live = TASHintWindow::current();
    ASSERT_NE(live, nullptr);
    EXPECT_TRUE(area.contains(live->geometry()))
        << live->geometry().x() << "," << live->geometry().y();
    // Inside the pointer, a few pixels above its tip (which is 4 pixels above the point).
    const QPoint inPointer = corner - live->geometry().topLeft() - QPoint(8, 10);
    EXPECT_TRUE(live->windowRegion().contains(inPointer));
    EXPECT_TRUE(live->windowRegion().contains(QPoint(live->width() / 2, live->height() / 3)));
    EXPECT_FALSE(live->windowRegion().contains(QPoint(2, live->height() - 2)))
        << "the band beside the pointer is outside the outline";
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
