#include "app/stores/reportstore.h"

#include "platform/fileio.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qm {
namespace {

TActivityRecord recordAt(TDateTime start, const char* type) {
    TActivityRecord r;
    r.ActivityType = type;
    r.StartTime = start;
    r.StartDay = static_cast<int32_t>(start);
    r.StartTimeOfDay = start - r.StartDay;
    r.Status = "Complete";
    return r;
}

TEST(ReportStore, StampUsesTheLocaleMonthAndDropsOnlyItsFirstDotAndComma) {
    const TDateTime start = encodeDateTime({2026, 12, 7, 15, 5, 9, 0});
    EXPECT_EQ(ReportStamp(start), "07-Dec-26, 3-05-09 PM");
    const LocaleFormats saved = localeFormats();
    LocaleFormats dotted = saved;
    dotted.shortMonthNames[11] = "d.c.";
    setLocaleFormats(dotted);
    EXPECT_EQ(ReportStamp(start), "07-dc.-26, 3-05-09 PM");
    setLocaleFormats(saved);
}

// A media drive whose mount point vanished keeps its letter for a while: its report is
// not saved, and neither its root nor the program's log is moved onto the file system
// below.
TEST(ReportStore, ADriveWhoseRootIsGoneGetsNoReport) {
    test::Sandbox sandbox;
    const std::string log = "C:\\program\\Log.txt";
    sandbox.writeFile(log, "the run\r\n");
    std::filesystem::remove_all(sandbox.hostOf('E'));
    const TSavedReport saved =
        SaveReport(recordAt(encodeDateTime({2026, 12, 7, 15, 5, 9, 0}), "Backup"), "E:\\", log);
    EXPECT_EQ(saved.folder, "");
    EXPECT_FALSE(std::filesystem::exists(sandbox.hostOf('E')));
    EXPECT_EQ(sandbox.readFile(log), "the run\r\n") << "the log stays for the log box";
}

TEST(ReportStore, RunsInTheSameSecondKeepTheirOwnReportsAndLogs) {
    test::Sandbox sandbox;
    const TDateTime start = encodeDateTime({2026, 12, 7, 15, 5, 9, 0});
    const std::string log = "C:\\program\\Log.txt";
    sandbox.writeFile(log, "first run\r\n");
    const TSavedReport first = SaveReport(recordAt(start, "Backup"), "E:\\", log);
    sandbox.writeFile(log, "second run\r\n");
    const TSavedReport second = SaveReport(recordAt(start, "Restore"), "E:\\", log);
    const TSavedReport third = SaveReport(recordAt(start + 1, "Delete"), "E:\\", log);

    EXPECT_EQ(first.folder, "E:\\Quillmoor\\Reports\\Log 07-Dec-26, 3-05-09 PM\\");
    EXPECT_EQ(second.folder, "E:\\Quillmoor\\Reports\\Log 07-Dec-26, 3-05-09 PM (2)\\");
    EXPECT_EQ(sandbox.readFile(first.logPath), "first run\r\n");
    EXPECT_EQ(sandbox.readFile(second.logPath), "second run\r\n");
    EXPECT_TRUE(third.recordWritten);
    EXPECT_EQ(third.logPath, "") << "no log to move: no log path";
    EXPECT_FALSE(fileExists(log));

    sandbox.writeFile("E:\\Quillmoor\\Reports\\stray.txt", "x");
    createFolderChain("E:\\Quillmoor\\Reports\\Log broken");
    sandbox.writeFile("E:\\Quillmoor\\Reports\\Log broken\\Report.dat", "short");
    TActivityArray list;
    LoadReports(list, "E:\\");
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0].ActivityType, "Delete") << "newest first";
    EXPECT_EQ(list[1].ActivityType, "Backup") << "equal starts keep the folder order";
    EXPECT_EQ(list[2].ActivityType, "Restore");
    EXPECT_EQ(list[2].ReportFile, second.folder + "Report.dat");
    EXPECT_EQ(list[3].ActivityType, "");
    EXPECT_EQ(list[3].ReportFolder, "E:\\Quillmoor\\Reports\\Log broken")
        << "an unreadable report still names its folder";
    EXPECT_EQ(list[4].ReportFolder, "") << "a stray file names none";
}

} // namespace
} // namespace qm
