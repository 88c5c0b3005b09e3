#include "controls/windowoutline.h"

#include "controls/regionresources.h"
#include "platform/answerscript.h"

#include <gtest/gtest.h>

#include <QWidget>

namespace qm {
namespace {

struct OutlineFixture : ::testing::Test {
    void SetUp() override {
        AnswerScript::instance().reset();
        AnswerScript::instance().start();
    }
    void TearDown() override { AnswerScript::instance().reset(); }
};

RegionData loadOutline(const char* name) {
    std::optional<QByteArray> bytes = TRegionResurces::rawData(QString::fromLatin1(name));
    EXPECT_TRUE(bytes.has_value());
    if (!bytes)
        return {};
    RegionParseResult result = parseRegionData(
        std::span(reinterpret_cast<const uint8_t*>(bytes->constData()), size_t(bytes->size())));
    EXPECT_TRUE(result.data) << result.error;
    return result.data.value_or(RegionData{});
}

TEST_F(OutlineFixture, SmallMainWindowOutline) {
    RegionData data = loadOutline("REGION1");
    EXPECT_EQ(data.rects.size(), 575u);
    EXPECT_EQ(writeRegionData(data).size(), 9232u);
    EXPECT_EQ(data.bounds, (RegionRect{0, 5, 790, 580}));
    QRegion region = regionFromData(data);
    for (int y = 0; y < 5; ++y)
        EXPECT_FALSE(region.contains(QPoint(100, y))) << y;
    for (int y = 5; y <= 22; ++y) {
        EXPECT_TRUE(region.contains(QPoint(100, y))) << y;
        EXPECT_FALSE(region.contains(QPoint(189, y))) << y;
    }
    EXPECT_TRUE(region.contains(QPoint(165, 5)));
    EXPECT_FALSE(region.contains(QPoint(166, 5)));
    EXPECT_TRUE(region.contains(QPoint(700, 23)));
    EXPECT_TRUE(region.contains(QPoint(1, 550)));
    EXPECT_FALSE(region.contains(QPoint(0, 550)));
    EXPECT_FALSE(region.contains(QPoint(104, 579)));
    EXPECT_TRUE(region.contains(QPoint(105, 579)));
    EXPECT_TRUE(region.contains(QPoint(771, 579)));
    EXPECT_FALSE(region.contains(QPoint(772, 579)));
}

TEST_F(OutlineFixture, LargeMainWindowOutline) {
    RegionData data = loadOutline("REGION2");
    EXPECT_EQ(data.rects.size(), 745u);
    EXPECT_EQ(writeRegionData(data).size(), 11952u);
    EXPECT_EQ(data.bounds, (RegionRect{0, 5, 1010, 750}));
    QRegion region = regionFromData(data);
    EXPECT_FALSE(region.contains(QPoint(189, 22)));
    EXPECT_TRUE(region.contains(QPoint(1002, 23)));
    EXPECT_FALSE(region.contains(QPoint(1003, 23)));
    EXPECT_TRUE(region.contains(QPoint(1009, 719)));
    EXPECT_TRUE(region.contains(QPoint(105, 749)));
    EXPECT_FALSE(region.contains(QPoint(104, 749)));
    EXPECT_FALSE(region.contains(QPoint(992, 749)));
}

// Region data may list its rectangles in any order and let them overlap; the outline
// is their union all the same.
TEST(RegionFromDataTest, UnsortedAndOverlappingRectanglesGiveTheirUnion) {
    RegionData data;
    data.bounds = {0, 0, 40, 40};
    data.rects = {{0, 20, 10, 30}, {0, 0, 10, 20}, {5, 5, 30, 15}, {20, 0, 25, 40}};
    QRegion expected;
    for (const RegionRect& r : data.rects)
        expected = expected.united(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top));
    QRegion region = regionFromData(data);
    EXPECT_EQ(region, expected);
    EXPECT_TRUE(region.xored(expected).isEmpty());
    for (QPoint inside : {QPoint(2, 25), QPoint(28, 10), QPoint(22, 39), QPoint(9, 19)})
        EXPECT_TRUE(region.contains(inside)) << inside.x() << "," << inside.y();
    for (QPoint outside : {QPoint(12, 25), QPoint(30, 30), QPoint(27, 2)})
        EXPECT_FALSE(region.contains(outside)) << outside.x() << "," << outside.y();
}

TEST_F(OutlineFixture, UnknownNameChangesNothingAndSaysNothing) {
    QWidget window;
    window.resize(790, 580);
    EXPECT_FALSE(TRegionResurces::ApplyRegion(&window, QStringLiteral("REGION9")));
    EXPECT_TRUE(window.mask().isEmpty());
    EXPECT_TRUE(AnswerScript::instance().records().empty());
}

TEST_F(OutlineFixture, AppliedOutlineBecomesTheMask) {
    QWidget window;
    window.resize(790, 580);
    EXPECT_TRUE(TRegionResurces::ApplyRegion(&window, QStringLiteral("REGION1")));
    EXPECT_FALSE(window.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(window.mask().contains(QPoint(400, 300)));
}

TEST_F(OutlineFixture, DamagedOutlineGivesNoShapeAndAMessage) {
    QWidget window;
    window.setMask(QRegion(0, 0, 10, 10));
    QByteArray bytes = *TRegionResurces::rawData(QStringLiteral("REGION1"));
    bytes.chop(7);
    EXPECT_FALSE(TRegionResurces::applyRegionBytes(&window, QStringLiteral("REGION1"), bytes));
    EXPECT_TRUE(window.mask().isEmpty());
    auto records = AnswerScript::instance().records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].kind, 0);
    EXPECT_NE(records[0].text.find("REGION1 is damaged"), std::string::npos);
}

TEST(RoundRectRegionTest, CornersAreCut) {
    QRegion r = roundRectRegion(1, 0, 360, 143, 10, 10);
    EXPECT_FALSE(r.contains(QPoint(1, 0)));
    EXPECT_FALSE(r.contains(QPoint(0, 70)));
    EXPECT_TRUE(r.contains(QPoint(1, 70)));
    EXPECT_TRUE(r.contains(QPoint(180, 0)));
    EXPECT_FALSE(r.contains(QPoint(359, 142)));
    EXPECT_TRUE(r.contains(QPoint(350, 135)));
}

TEST(CombineOutlineTest, StepsApplyInOrder) {
    using Op = OutlineStep::Op;
    using Shape = OutlineStep::Shape;
    const OutlineStep steps[] = {{Op::Diff, Shape::Rect, 0, 0, 20, 20},
                                 {Op::Or, Shape::Ellipse, 0, 0, 20, 20}};
    QRegion r = combineOutline(rectRegion(0, 0, 100, 100), steps);
    EXPECT_FALSE(r.contains(QPoint(0, 0))); // cut, then only the ellipse came back
    EXPECT_TRUE(r.contains(QPoint(10, 10)));
    EXPECT_TRUE(r.contains(QPoint(50, 50)));
}

} // namespace
} // namespace qm
