#include "app/mainwindow/reminder.h"

#include "app/stores/settingsstore.h"
#include "platform/datetime.h"
#include "support/rowname.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

constexpr double kToday = 46000.4; // a fixed clock, mid-morning

class ReminderTest : public ::testing::Test {
  protected:
    ReminderTest() {
        setClock([] { return kToday; });
    }
    ~ReminderTest() override { setClock({}); }

    test::Sandbox sandbox;
    int shown = 0;
    TReminder reminder{[this] { ++shown; }};
};

struct DueRow {
    int lastOffset; // LastRemind = today - offset; -1: missing
    int days;
    bool shows;
};

class ReminderDue : public ReminderTest, public ::testing::WithParamInterface<DueRow> {};

TEST_P(ReminderDue, ShowsWhenPeriodHasPassed) {
    const DueRow row = GetParam();
    if (row.lastOffset >= 0)
        TSettingsStore().setNumber(SettingId::LastRemind, 46000 - row.lastOffset);
    reminder.TmrRemindTimer(true, row.days);
    EXPECT_EQ(shown, row.shows ? 1 : 0);
    if (row.shows) {
        EXPECT_EQ(TSettingsStore().number(SettingId::LastRemind), 46000u);
    }
}

INSTANTIATE_TEST_SUITE_P(Periods, ReminderDue,
                         ::testing::Values(DueRow{3, 3, true}, DueRow{2, 3, false},
                                           DueRow{-1, 3, true}, DueRow{0, 1, false}),
                         qm::test::RowsNamedBy([](const DueRow& row) {
                             return (row.lastOffset < 0
                                         ? std::string("never")
                                         : std::to_string(row.lastOffset) + "_days_ago") +
                                    "_every_" + std::to_string(row.days);
                         }));

TEST_F(ReminderTest, UntickedNeverReminds) {
    reminder.TmrRemindTimer(false, 1);
    EXPECT_EQ(shown, 0);
}

TEST_F(ReminderTest, NotAgainThatDayEvenAfterTheWindowCloses) {
    reminder.TmrRemindTimer(true, 1);
    reminder.TmrRemindTimer(true, 1);
    EXPECT_EQ(shown, 1);
    reminder.windowClosed();
    reminder.TmrRemindTimer(true, 1);
    EXPECT_EQ(shown, 1);
}

TEST_F(ReminderTest, DayIsKeptInMemoryWhenTheRegistryCannotBeWritten) {
    sandbox.writeFile("C:\\blocker", "x");
    setenv("QUILLMOOR_REGISTRY_DIR", (sandbox.hostOf('C') + "/blocker/reg").c_str(), 1);
    reminder.TmrRemindTimer(true, 2);
    EXPECT_EQ(shown, 1);
    reminder.windowClosed();
    reminder.TmrRemindTimer(true, 2);
    EXPECT_EQ(shown, 1) << "would nag every 10 seconds otherwise";
}

} // namespace
} // namespace qm
