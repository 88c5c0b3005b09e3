#include "app/stores/activityrecord.h"

#include <gtest/gtest.h>

#include <cstring>

namespace qm {
namespace {

namespace L = ActivityRecordLayout;

TEST(ActivityRecord, EveryFieldSitsAtItsOffsetAndReadsBack) {
    TActivityRecord r;
    r.ActivityType = "Backup";
    r.StartTime = 46363.5;
    r.EndTime = 46363.75;
    r.ProcessTime = "06:00:00";
    r.FileCount = 0x01020304;
    r.SizeText = "1.50 Mb";
    r.StartDay = 46363;
    r.StartTimeOfDay = 0.5;
    r.Status = "Interrupted by user";
    r.Errors = 0x0102030405060708LL;
    r.ReportFile = "E:\\x\\Report.dat"; // never stored
    const ActivityRecordBytes b = SerializeActivityRecord(r);
    ASSERT_EQ(b.size(), 920u);
    struct Text {
        std::size_t offset;
        const char* text;
    };
    for (const Text& t : {Text{L::kActivityType, "Backup"}, Text{L::kProcessTime, "06:00:00"},
                          Text{L::kSizeText, "1.50 Mb"}, Text{L::kStatus, "Interrupted by user"}}) {
        EXPECT_EQ(b[t.offset], std::strlen(t.text)) << t.offset;
        EXPECT_EQ(std::memcmp(&b[t.offset + 1], t.text, std::strlen(t.text)), 0) << t.offset;
    }
    EXPECT_EQ(b[L::kFileCount], 0x04);
    EXPECT_EQ(b[L::kFileCount + 3], 0x01);
    EXPECT_EQ(b[L::kErrors], 0x08);
    EXPECT_EQ(b[L::kErrors + 7], 0x01);
    double start = 0;
    std::memcpy(&start, &b[L::kStartTime], 8); // little-endian host
    EXPECT_EQ(start, 46363.5);
    for (std::size_t i = L::kReportFile; i < b.size(); ++i)
        ASSERT_EQ(b[i], 0) << "the path fields are zero in the file, byte " << i;
    const TActivityRecord back = ParseActivityRecord(b);
    EXPECT_EQ(back.ActivityType, r.ActivityType);
    EXPECT_EQ(back.EndTime, r.EndTime);
    EXPECT_EQ(back.FileCount, r.FileCount);
    EXPECT_EQ(back.StartDay, r.StartDay);
    EXPECT_EQ(back.StartTimeOfDay, r.StartTimeOfDay);
    EXPECT_EQ(back.Status, r.Status);
    EXPECT_EQ(back.Errors, r.Errors);
    EXPECT_EQ(SerializeActivityRecord(back), b) << "byte for byte";
}

TEST(ActivityRecord, LengthBytesAreClampedToTheirFields) {
    ActivityRecordBytes b{};
    b.fill('x');
    const TActivityRecord r = ParseActivityRecord(b); // every length byte is 120
    EXPECT_EQ(r.ActivityType.size(), L::kActivityTypeSize - 1);
    EXPECT_EQ(r.ProcessTime.size(), 100u);
    EXPECT_EQ(r.SizeText.size(), 100u);
    EXPECT_EQ(r.Status.size(), 103u);
}

TEST(ActivityRecord, ElapsedTimeCutsLikeTheTimesItJoinsAndKeepsItsHoursPastADay) {
    struct Case {
        double span;
        const char* text;
    };
    const double second = 1.0 / 86400;
    for (const Case& c :
         {Case{0, "00:00:00"}, Case{3723 * second, "01:02:03"}, Case{1.5 + 5 * second, "36:00:05"},
          Case{-1, "00:00:00"}, Case{2.9 * second, "00:00:02"}, Case{59.9996 * second, "00:01:00"}})
        EXPECT_EQ(ElapsedText(46000, 46000 + c.span), c.text) << c.span;
    // The start and end times show cut to their seconds, and so does the time between:
    // 5:21:30 to 5:21:44, whatever the milliseconds, is 14 seconds.
    const double at = 46000 + (5 * 3600 + 21 * 60 + 30) * second;
    EXPECT_EQ(ElapsedText(at + 0.4 * second, at + 14.9 * second), "00:00:14");
    EXPECT_EQ(ElapsedText(at + 0.9 * second, at + 14.1 * second), "00:00:14");
    EXPECT_EQ(ElapsedText(at, at + 14 * second), "00:00:14");
}

} // namespace
} // namespace qm
