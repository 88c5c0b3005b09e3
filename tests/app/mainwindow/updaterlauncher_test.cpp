#include "app/mainwindow/updaterlauncher.h"

#include "platform/datetime.h"
#include "platform/registry.h"
#include "support/rowname.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

class UpdaterLauncherTest : public ::testing::Test {
  protected:
    UpdaterLauncherTest() {
        setClock([this] { return clock; });
        folder = sandbox.hostOf('C') + "/program";
        sandbox.writeFile("C:\\program\\updater", "#!/bin/sh\n");
    }
    ~UpdaterLauncherTest() override { setClock({}); }

    void storeUpdateDay(uint32_t day) {
        Registry registry;
        ASSERT_TRUE(registry.openKey("\\SOFTWARE\\Quillmoor\\Update", true));
        ASSERT_EQ(registry.writeDword("Date", day), RegistryStatus::Ok);
    }

    TUpdaterLauncher launcher() {
        return TUpdaterLauncher(
            folder,
            [this](const std::string& program, const std::vector<std::string>& args) {
                launches.push_back(program + " " + args.at(0));
                return std::optional<int64_t>(4242);
            },
            [this](int64_t pid) { return pid == 4242 && running; });
    }

    test::Sandbox sandbox;
    double clock = 46000.25;
    std::string folder;
    std::vector<std::string> launches;
    bool running = false;
};

struct DayRow {
    int daysAgo;
    double timeOfDay;
    bool starts;
};

class UpdaterDue : public UpdaterLauncherTest, public ::testing::WithParamInterface<DayRow> {};

TEST_P(UpdaterDue, StartsOnlyAfterMoreThanFourteenDays) {
    const DayRow row = GetParam();
    clock = 46000 + row.timeOfDay;
    storeUpdateDay(46000 - row.daysAgo);
    auto updater = launcher();
    EXPECT_EQ(updater.RunUpdater(), row.starts);
    EXPECT_EQ(launches.size(), row.starts ? 1u : 0u);
    if (row.starts) {
        EXPECT_EQ(launches[0], folder + "/updater -w");
    }
}

INSTANTIATE_TEST_SUITE_P(Days, UpdaterDue,
                         ::testing::Values(DayRow{15, 0.0, true}, DayRow{14, 0.0, false},
                                           DayRow{14, 0.01, true}, DayRow{13, 0.9, false},
                                           DayRow{-20, 0.0, true}),
                         qm::test::RowsNamedBy([](const DayRow& row) {
                             return std::to_string(row.daysAgo) + "_days_ago_at_" +
                                    std::to_string(static_cast<int>(row.timeOfDay * 100)) +
                                    "_hundredths";
                         }));

TEST_F(UpdaterLauncherTest, MissingDayIsDueButNotWhileTheLastCopyRuns) {
    auto updater = launcher();
    EXPECT_TRUE(updater.RunUpdater());
    running = true;
    EXPECT_FALSE(updater.RunUpdater());
    running = false;
    EXPECT_TRUE(updater.RunUpdater());
    EXPECT_EQ(launches.size(), 2u);
}

TEST_F(UpdaterLauncherTest, MissingProgramIsNotStarted) {
    folder = sandbox.hostOf('C') + "/elsewhere";
    auto updater = launcher();
    EXPECT_FALSE(updater.RunUpdater());
    EXPECT_TRUE(launches.empty());
}

} // namespace
} // namespace qm
