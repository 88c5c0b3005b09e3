#include "app/stores/reportstore.h"

#include "platform/fileio.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>

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

// The log box of the Restore page shows the run's Log.txt from the media drive, which
// may hold anything: a link to a file of the computer (or a folder that is one), a pipe
// with no writer, a folder, a log of any length. Only a regular file reached through
// real folders is shown, and of it no more than 1 MiB.
TEST(ReportStore, TheLogShownIsARealFileOfAtMostOneMegabyte) {
    test::Sandbox sandbox;
    sandbox.writeFile("C:\\secret.txt", "the computer's own file\r\n");
    const std::string outside = sandbox.writeFile("C:\\outside\\Log.txt", "not the media's\r\n");
    const std::string line(98, 'x');
    std::string lines;
    while (lines.size() <= kMaxReportLogShown)
        lines += line + "\r\n";
    const std::string oneLine(kMaxReportLogShown + 10, 'y');
    const std::string cut = std::string(kReportLogCut) + "\r\n";
    const size_t wholeLines = kMaxReportLogShown / 100 * 100;

    struct Row {
        const char* name;
        std::function<void(const std::string& host)> make; // makes <folder>/Log.txt
        std::string shown;
    };
    const std::vector<Row> rows = {
        {"short", [](const std::string& host) { std::ofstream(host) << "one\r\ntwo\r\n"; },
         "one\r\ntwo\r\n"},
        {"long", [&](const std::string& host) { std::ofstream(host) << lines; },
         lines.substr(0, wholeLines) + cut},
        {"one long line", [&](const std::string& host) { std::ofstream(host) << oneLine; },
         oneLine.substr(0, kMaxReportLogShown) + "\r\n" + cut},
        {"link to a computer file",
         [&](const std::string& host) {
             std::filesystem::create_symlink(sandbox.hostOf('C') + "/secret.txt", host);
         },
         ""},
        {"link to a device",
         [](const std::string& host) { std::filesystem::create_symlink("/dev/zero", host); }, ""},
        {"folder that is a link",
         [&](const std::string& host) {
             const std::filesystem::path folder = std::filesystem::path(host).parent_path();
             std::filesystem::remove(folder);
             std::filesystem::create_directory_symlink(std::filesystem::path(outside).parent_path(),
                                                       folder);
         },
         ""},
        {"pipe", [](const std::string& host) { ASSERT_EQ(mkfifo(host.c_str(), 0600), 0); }, ""},
        {"folder", [](const std::string& host) { std::filesystem::create_directory(host); }, ""},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string folder = "E:\\Quillmoor\\Reports\\Log " + std::to_string(++n) + "\\";
        createFolderChain(folder);
        row.make(sandbox.hostOf('E') + "/Quillmoor/Reports/Log " + std::to_string(n) + "/Log.txt");
        EXPECT_EQ(ReadReportLog(folder + "Log.txt"), row.shown);
    }
}

} // namespace
} // namespace qm
