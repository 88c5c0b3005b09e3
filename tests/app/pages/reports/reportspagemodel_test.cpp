#include "app/pages/reports/reportspagemodel.h"

#include "app/pages/reports/reportprinter.h"
#include "app/stores/reportstore.h"
#include "app/stores/settingsstore.h"
#include "platform/dospath.h"
#include "platform/fileio.h"
#include "scriptedmessages.h"
#include "support/sandbox.h"

#include <QImage>
#include <QPrinter>
#include <QProcess>

#include <gtest/gtest.h>

#include <filesystem>

namespace qm {
namespace {

class ReportsPageTest : public ::testing::Test {
  protected:
    ReportsPageTest() {
        for (int i = 0; i < 3; ++i) {
            TActivityRecord r;
            r.ActivityType = i == 0 ? "Backup" : i == 1 ? "Restore" : "Delete";
            r.StartTime = encodeDateTime({2026, 12, 1 + i, 9, 30, 0, 0});
            r.StartDay = static_cast<int32_t>(r.StartTime);
            r.StartTimeOfDay = r.StartTime - r.StartDay;
            r.EndTime = r.StartTime + 0.01;
            r.FileCount = 10 + i;
            r.SizeText = "2 Kb";
            r.Status = "Complete";
            SaveReport(r, "E:\\", "C:\\program\\Log.txt");
        }
        model.setDriveItems({"(E:\\)"});
    }
    std::vector<std::string> types() const {
        std::vector<std::string> t;
        for (const TActivityRecord& r : model.reports())
            t.push_back(r.ActivityType);
        return t;
    }

    test::Sandbox sandbox;
    test::ScriptedMessages messages;
    std::vector<std::string> printed;
    TReportsPageModel model{messages.fn(),
                            {{},
                             {},
                             [this](const TActivityRecord& r) {
                                 printed.push_back(r.ActivityType);
                                 return std::string();
                             },
                             {}}};
};

TEST_F(ReportsPageTest, RowsShowDeleteAndPrintTheReportTheyList) {
    model.TS_ReportsShow();
    EXPECT_EQ(TSettingsStore().mediaDrive(), "E") << "the drive chosen here is the media drive";
    ASSERT_EQ(types(), (std::vector<std::string>{"Delete", "Restore", "Backup"}));
    EXPECT_EQ(TReportsPageModel::rowTexts(model.reports()[0]),
              (std::vector<std::string>{"Delete", "12/3/2026", "9:30:00 AM", "12", "Complete"}));
    model.lv_ReportsChange(1);
    ASSERT_EQ(model.memoLines().size(), TReportsPageModel::captionLines().size());
    EXPECT_EQ(model.memoLines()[2], "Restore") << "beside the caption \"Activity Type\"";
    EXPECT_EQ(model.memoLines()[3], "12/2/2026 9:30:00 AM");
    model.imr_PrintClick();
    EXPECT_EQ(printed, std::vector<std::string>{"Restore"});
    model.imr_DeleteClick();
    EXPECT_EQ(types(), (std::vector<std::string>{"Delete", "Backup"}));
    EXPECT_TRUE(messages.shown.empty()) << "a row is deleted without a question";

    // An unreadable report is listed and can be deleted like any other.
    deleteFile("E:\\Quillmoor\\Reports\\" +
               listFolder("E:\\Quillmoor\\Reports\\").entries.front().name + "\\Report.dat");
    model.cbMediaDriveRepChange();
    ASSERT_EQ(types(), (std::vector<std::string>{"Delete", ""}));
    model.lv_ReportsChange(1);
    model.imr_DeleteClick();
    EXPECT_EQ(types(), std::vector<std::string>{"Delete"});
}

TEST_F(ReportsPageTest, DeleteAllGoesOnOnlyOnYes) {
    model.TS_ReportsShow();
    for (int answer : {7, 2}) { // No, and a box closed without a button
        messages.answers = {answer};
        model.imr_DelAllClick();
        EXPECT_EQ(model.reports().size(), 3u) << answer;
    }
    messages.answers = {6};
    model.imr_DelAllClick();
    EXPECT_TRUE(model.reports().empty());
    EXPECT_EQ(messages.shown.back(), "Are you sure you want to delete all reports?");
}

TEST_F(ReportsPageTest, DeleteAllNeverGoesThroughALinkNorTakesWhatIsNoReport) {
    namespace fs = std::filesystem;
    // The user's own folders, one of them looking like a report.
    sandbox.writeFile("C:\\home\\Documents\\letter.txt", "mine");
    sandbox.writeFile("C:\\home\\Log 1-Dec-26, 9-30-00 AM\\Report.dat", std::string(920, 'r'));
    const std::string reports = sandbox.hostOf('E') + "/Quillmoor/Reports";
    fs::rename(reports, reports + ".real");
    fs::create_directory_symlink(sandbox.hostOf('C') + "/home", reports);
    model.TS_ReportsShow();
    EXPECT_TRUE(model.reports().empty()) << "a linked Reports folder holds no reports";
    messages.answers = {kResultYes};
    model.imr_DelAllClick();
    EXPECT_TRUE(fileExists("C:\\home\\Documents\\letter.txt"));
    EXPECT_TRUE(fileExists("C:\\home\\Log 1-Dec-26, 9-30-00 AM\\Report.dat"));

    // A real Reports folder: its reports go, a folder holding no report stays, and a link
    // inside leads nowhere.
    fs::remove(reports);
    fs::rename(reports + ".real", reports);
    sandbox.writeFile("E:\\Quillmoor\\Reports\\stray\\keep.txt", "not a report");
    fs::create_directory_symlink(sandbox.hostOf('C') + "/home/Documents", reports + "/Log linked");
    model.cbMediaDriveRepChange();
    ASSERT_EQ(model.reports().size(), 5u);
    messages.answers = {kResultYes};
    model.imr_DelAllClick();
    EXPECT_EQ(model.reports().size(), 2u) << "the stray folder and the link are listed still";
    EXPECT_TRUE(fileExists("E:\\Quillmoor\\Reports\\stray\\keep.txt"));
    EXPECT_TRUE(fileExists("C:\\home\\Documents\\letter.txt"));
}

TEST_F(ReportsPageTest, APrinterThatFailsIsReported) {
    model.TS_ReportsShow();
    TReportsPageModel failing(messages.fn(),
                              {{},
                               {},
                               [](const TActivityRecord& r) {
                                   QPrinter printer;
                                   printer.setOutputFileName("/nonexistent-folder/report.pdf");
                                   return PrintActivity(r, printer);
                               },
                               {}});
    failing.setDriveItems({"(E:\\)"});
    failing.TS_ReportsShow();
    failing.lv_ReportsChange(0);
    failing.imr_PrintClick();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].find("Can't print the report"), std::string::npos);
}

TEST(ReportPrinter, APrintedReportReadsBackFromItsPdf) {
    test::Sandbox sandbox;
    TActivityRecord r;
    r.ActivityType = "Backup";
    r.StartTime = encodeDateTime({2026, 12, 7, 15, 5, 9, 0});
    r.EndTime = encodeDateTime({2026, 12, 8, 0, 0, 0, 0});
    r.ProcessTime = "08:54:51";
    r.FileCount = 1234;
    r.SizeText = "5.00 Gb";
    r.Errors = 2;
    const std::string pdf = sandbox.root() + "/report.pdf";
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    ASSERT_EQ(PrintActivity(r, printer), "");
    QProcess text;
    text.start(QStringLiteral("pdftotext"),
               {QStringLiteral("-layout"), QString::fromStdString(pdf), QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(20000)) << "pdftotext (poppler-utils) must be installed";
    const std::string page = text.readAllStandardOutput().toStdString();
    for (const char* expected :
         {"Quillmoor Backup", "Activity Summary Report", "Activity Type", "Backup",
          "Activity Start Time", "12/7/2026 3:05:09 PM", "Activity End Time", "12/8/2026",
          "Total Process Time", "08:54:51", "Total Processed Files", "1234", "Total Processed Size",
          "5.00 Gb", "Errors"})
        EXPECT_NE(page.find(expected), std::string::npos) << expected << "\n" << page;
    EXPECT_EQ(page.find("12/8/2026 12:00:00"), std::string::npos) << "midnight shows no time";
}

// The printed page as the printer puts it on paper (the PDF drawn at 150 dpi): the rule
// at the top runs clear of the headings standing on it and of the fields below it.
TEST(ReportPrinter, TheHeaderRuleRunsBelowTheTitle) {
    test::Sandbox sandbox;
    TActivityRecord r;
    r.ActivityType = "Backup";
    r.StartTime = encodeDateTime({2026, 12, 7, 15, 5, 9, 0});
    r.EndTime = r.StartTime;
    const std::string pdf = sandbox.root() + "/report.pdf";
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    ASSERT_EQ(PrintActivity(r, printer), "");
    QProcess draw;
    draw.start(QStringLiteral("pdftoppm"),
               {QStringLiteral("-r"), QStringLiteral("150"), QStringLiteral("-gray"),
                QStringLiteral("-png"), QStringLiteral("-singlefile"), QString::fromStdString(pdf),
                QString::fromStdString(sandbox.root() + "/page")});
    ASSERT_TRUE(draw.waitForFinished(20000)) << "pdftoppm (poppler-utils) must be installed";
    const QImage page(QString::fromStdString(sandbox.root() + "/page.png"));
    ASSERT_FALSE(page.isNull());
    auto inked = [&](int y, int from, int to) {
        int count = 0;
        for (int x = from; x < to; ++x)
            count += qGray(page.pixel(x, y)) < 160;
        return count;
    };
    // The rule: the first row inked across most of the page.
    int rule = -1;
    for (int y = 0; y < page.height() / 4 && rule < 0; ++y)
        if (inked(y, 0, page.width()) > page.width() * 6 / 10)
            rule = y;
    ASSERT_GT(rule, 0) << "no rule at the top";
    int ruleEnd = rule;
    while (inked(ruleEnd + 1, 0, page.width()) > page.width() * 6 / 10)
        ++ruleEnd;
    // Left and right of the rule's ends nothing is drawn: the margins are the page's 5 %.
    const int left = page.width() * 6 / 100;
    const int right = page.width() * 94 / 100;
    int lastAbove = -1;
    for (int y = 0; y < rule; ++y)
        if (inked(y, left, right) > 0)
            lastAbove = y;
    ASSERT_GT(lastAbove, 0) << "the headings above the rule";
    EXPECT_LT(lastAbove, rule - 2) << "the headings' lowest ink touches the rule";
    for (int y = ruleEnd + 1; y < ruleEnd + 20; ++y)
        EXPECT_EQ(inked(y, left, right), 0) << "ink just below the rule, row " << y - ruleEnd;
    // Title at the right: its ink ends at the rule's right end.
    int titleInk = 0;
    for (int y = rule - page.height() * 3 / 100; y < rule; ++y)
        titleInk += inked(y, page.width() / 2, right);
    EXPECT_GT(titleInk, 100) << "\"Activity Summary Report\" stands at the right";
}

} // namespace
} // namespace qm
