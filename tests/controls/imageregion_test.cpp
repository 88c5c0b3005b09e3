#include "controls/imageregion.h"

#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

namespace qm {
namespace {

using Face = TImageRegionModel::Face;

TEST(ImageRegionModelTest, FaceRules) {
    TImageRegionModel model;
    model.setHasHoverPicture(true);
    EXPECT_EQ(model.shownFace(), Face::Normal);
    EXPECT_TRUE(model.mouseEnter());
    EXPECT_EQ(model.shownFace(), Face::Hover);
    model.setEnabled(false); // disabled under the mouse: the normal face at once
    EXPECT_EQ(model.shownFace(), Face::Normal);
    EXPECT_FALSE(model.mouseLeave());
    model.setEnabled(true);
    EXPECT_EQ(model.shownFace(), Face::Normal);
}

TEST(ImageRegionModelTest, WithoutHoverPictureKeepsNormalFace) {
    TImageRegionModel model;
    model.mouseEnter();
    EXPECT_EQ(model.shownFace(), Face::Normal);
}

QPixmap filled(Qt::GlobalColor color) {
    QPixmap pixmap(20, 10);
    pixmap.fill(color);
    return pixmap;
}

QColor shownColor(const TImageRegion& button) {
    return button.shownPicture().toImage().pixelColor(0, 0);
}

void enter(TImageRegion& button) {
    QEnterEvent event(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&button, &event);
}

void leave(TImageRegion& button) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&button, &event);
}

class ImageRegionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        button.setPicture(filled(Qt::blue));
        button.setBitMapEnter(filled(Qt::yellow));
    }
    TImageRegion button;
};

TEST_F(ImageRegionTest, HoverSwapsFacesAndReportsEvents) {
    QSignalSpy entered(&button, &TImageRegion::OnMouseEnter);
    QSignalSpy left(&button, &TImageRegion::OnMouseLeave);
    EXPECT_EQ(button.size(), QSize(20, 10));
    enter(button);
    EXPECT_EQ(shownColor(button), QColor(Qt::yellow));
    leave(button);
    EXPECT_EQ(shownColor(button), QColor(Qt::blue));
    EXPECT_EQ(entered.count(), 1);
    EXPECT_EQ(left.count(), 1);
}

TEST_F(ImageRegionTest, PictureSetWhileHoveredShowsAfterLeaving) {
    enter(button);
    button.setPicture(filled(Qt::green));
    EXPECT_EQ(shownColor(button), QColor(Qt::yellow));
    leave(button);
    EXPECT_EQ(shownColor(button), QColor(Qt::green));
}

TEST_F(ImageRegionTest, PictureChangedBetweenVisitsIsNotOverwritten) {
    enter(button);
    leave(button);
    button.setPicture(filled(Qt::red));
    enter(button);
    leave(button);
    EXPECT_EQ(shownColor(button), QColor(Qt::red));
}

TEST_F(ImageRegionTest, DisabledButtonKeepsPictureAndFiresNothing) {
    QSignalSpy entered(&button, &TImageRegion::OnMouseEnter);
    QSignalSpy clicked(&button, &TImageRegion::clicked);
    button.setEnabled(false);
    enter(button);
    EXPECT_EQ(shownColor(button), QColor(Qt::blue));
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(entered.count(), 0);
    EXPECT_EQ(clicked.count(), 0);
}

TEST_F(ImageRegionTest, DisabledWhileHoveredShowsNormalPicture) {
    enter(button);
    button.setEnabled(false);
    EXPECT_EQ(shownColor(button), QColor(Qt::blue));
}

TEST_F(ImageRegionTest, ClickNeedsPressAndReleaseInside) {
    QSignalSpy clicked(&button, &TImageRegion::clicked);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicked.count(), 1);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_EQ(clicked.count(), 1);
}

} // namespace
} // namespace qm
