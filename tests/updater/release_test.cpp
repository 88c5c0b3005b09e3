#include "updater/release.h"

#include "support/rowname.h"
#include "updater/simpleparser.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

struct NameRow {
    const char* name;
    const char* installPath; // nullptr: refused
};

class ReleaseFileName : public ::testing::TestWithParam<NameRow> {};

// Names come from the network: only plain paths below the install folder pass, and never
// onto the installation's own bookkeeping.
TEST_P(ReleaseFileName, OnlyPlainPathsBelowTheInstallFolderPass) {
    std::string error;
    const auto file = makeReleaseFile(GetParam().name, "2026-15-03", &error);
    if (!GetParam().installPath) {
        EXPECT_FALSE(file) << GetParam().name;
        EXPECT_FALSE(error.empty());
        return;
    }
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(file->installPath, GetParam().installPath);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ReleaseFileName,
    ::testing::Values(NameRow{"Qmoor.ex_", "Qmoor"}, NameRow{"UPDATER.EX_", "updater"},
                      NameRow{"common.ex_", "common"},
                      NameRow{"Help/Backup.htm", "Help/Backup.htm"},
                      NameRow{"Help/Sub/Uninstall.exe", "Help/Sub/Uninstall"}, NameRow{"", nullptr},
                      NameRow{"Help//a.htm", nullptr}, NameRow{"Help/", nullptr},
                      NameRow{"/etc/passwd", nullptr}, NameRow{"../Qmoor.exe", nullptr},
                      NameRow{"Help/../../x", nullptr}, NameRow{"./Qmoor.exe", nullptr},
                      NameRow{"C:/Qmoor.exe", nullptr}, NameRow{"Help\\..\\x", nullptr},
                      NameRow{"Help/a\nb.htm", nullptr}, NameRow{"uninst.ini", nullptr},
                      NameRow{"UNINSTALL.EX_", nullptr}, NameRow{"User.dat", nullptr},
                      NameRow{"settings.dat", nullptr}, NameRow{"Temp/x.htm", nullptr},
                      NameRow{"uninstdirs.ini", nullptr}, NameRow{"Uninstall", nullptr},
                      NameRow{"Qmoor", nullptr}, NameRow{"updater", nullptr},
                      NameRow{"common", nullptr}, NameRow{"Qmoor.exe", "Qmoor"}),
    qm::test::RowsNamedBy([](const NameRow& row) { return std::string(row.name); }));

TEST(Release, DatesAreYearDayMonthAndMustExist) {
    const auto day = parseReleaseDate("2026-15-03");
    ASSERT_TRUE(day);
    const DateTimeParts parts = decodeDateTime(*day);
    EXPECT_EQ(parts.year, 2026);
    EXPECT_EQ(parts.month, 3);
    EXPECT_EQ(parts.day, 15);
    EXPECT_EQ(parts.hour, 0);
    EXPECT_EQ(formatReleaseDate(*day), "2026-15-03");
    for (const char* bad : {"2026-31-04", "2026-01-13", "2026-00-01", "2026-1-3", "2026/15/03",
                            " 2026-15-03", "20x6-15-03", ""})
        EXPECT_FALSE(parseReleaseDate(bad)) << bad;
}

TEST(Release, ReadsTheSectionsUpToTheFirstGapAndRefusesAWholeReleaseForOneBadPart) {
    TSimpleParser reply;
    reply.SetText({"<date>2026-15-03</date>",
                   "<file_0><name>Qmoor.ex_</name><date>2026-14-03</date></file_0>",
                   "<file_2><name>Help/Backup.htm</name><date>2026-14-03</date></file_2>"});
    TRelease release;
    std::string error;
    ASSERT_TRUE(readRelease(reply, release, error)) << error;
    EXPECT_EQ(release.date, "2026-15-03");
    ASSERT_EQ(release.files.size(), 1u);
    EXPECT_TRUE(release.files[0].expand);
    EXPECT_TRUE(release.holdsMainProgram());
    EXPECT_FALSE(release.holdsCommon());

    reply.SetText({"<date>2026-15-03</date>",
                   "<file_0><name>Qmoor.ex_</name><date>2026-14-03</date></file_0>",
                   "<file_1><name>qmoor.exe</name><date>2026-14-03</date></file_1>"});
    EXPECT_FALSE(readRelease(reply, release, error)) << "two files onto one target";
    // A file date that is no date leaves that file its copy's date; the release installs.
    reply.SetText({"<date>2026-15-03</date>",
                   "<file_0><name>Help/a.htm</name><date>tomorrow</date></file_0>"});
    ASSERT_TRUE(readRelease(reply, release, error)) << error;
    EXPECT_FALSE(release.files[0].day);
    reply.SetText({"<date>15-03-2026</date>"});
    EXPECT_FALSE(readRelease(reply, release, error));
}

} // namespace
} // namespace qm
