#include "app/pages/settings/settingspagemodel.h"

#include "platform/registry.h"
#include "scriptedmessages.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

void writeDword(std::string_view name, uint32_t value) {
    Registry registry;
    ASSERT_TRUE(registry.openKey(kSettingsKey, true));
    ASSERT_EQ(registry.writeDword(name, value), RegistryStatus::Ok);
}

class SettingsPageModelTest : public ::testing::Test {
  protected:
    test::Sandbox sandbox;
    test::ScriptedMessages messages;
    TSettingsInForce inForce;
    TSettingsPageModel model{inForce, messages.fn()};
};

TEST_F(SettingsPageModelTest, StoredValuesReachTheWidgetsEachOnItsOwn) {
    writeDword("Width", 1010); // Height missing
    writeDword("CompressionType", 1);
    writeDword("Compression", 6);
    writeDword("Encryption", 3);
    writeDword("Revision", 4);
    writeDword("Reminder", 40);
    writeDword("Log", 0);
    model.ReadSettings();
    EXPECT_EQ(model.winSizeIndex(), 0);
    EXPECT_EQ(model.compressionType(), 2) << "single archive shows as multiple";
    EXPECT_EQ(model.level(), 6);
    EXPECT_TRUE(model.encryption());
    EXPECT_EQ(model.keySizeIndex(), 2);
    EXPECT_EQ(model.keySizeBits(), 256);
    EXPECT_TRUE(model.revision());
    EXPECT_EQ(model.revisions(), 4);
    EXPECT_TRUE(model.reminder());
    EXPECT_EQ(model.reminderDays(), 31);
    EXPECT_FALSE(model.log());
    EXPECT_TRUE(model.updater());
    EXPECT_TRUE(model.autoStart());
}

TEST_F(SettingsPageModelTest, ApplyWritesWidgetsAndFindChangesSeesDifferences) {
    TSettingsStore().checkSettings();
    model.ReadSettings();
    EXPECT_FALSE(model.FindChanges());
    model.setCompressionType(2);
    EXPECT_TRUE(model.FindChanges());
    model.setReminderTick(true);
    model.reminderUp();
    model.setEncryption(true);
    model.setKeySizeIndex(1);
    ASSERT_TRUE(model.WriteSettings(true, false));
    EXPECT_EQ(messages.shown.back(), "New settings applied.");
    EXPECT_FALSE(model.FindChanges());
    TSettingsStore store;
    EXPECT_EQ(store.number(SettingId::CompressionType), 2u);
    EXPECT_EQ(store.number(SettingId::Reminder), 2u);
    EXPECT_EQ(store.number(SettingId::Encryption), 2u);
    model.setKeySizeIndex(0);
    EXPECT_TRUE(model.FindChanges());
}

TEST_F(SettingsPageModelTest, WindowSizeIsWrittenOnlyWhileTheWindowIsShown) {
    TSettingsStore().checkSettings();
    model.ReadSettings();
    model.setWinSizeIndex(1);
    EXPECT_TRUE(model.FindChanges());
    ASSERT_TRUE(model.WriteSettings(false, false));
    EXPECT_EQ(TSettingsStore().number(SettingId::Height), 580u);
    ASSERT_TRUE(model.WriteSettings(false, true));
    EXPECT_EQ(TSettingsStore().number(SettingId::Width), 1010u);
    EXPECT_EQ(TSettingsStore().number(SettingId::Height), 750u);
    const auto size = model.ApplyWindowSize();
    EXPECT_EQ(size.width, 1010);
    EXPECT_STREQ(size.outline, "REGION2");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SettingsPageModelTest, LoadIsOneReadAndApplyAtMostOneWrite) {
    TSettingsStore().checkSettings();
    auto io = [last = HiveStore::ioCounts()]() mutable {
        const HiveStore::IoCounts now = HiveStore::ioCounts();
        const std::pair<uint64_t, uint64_t> delta{now.loads - last.loads, now.saves - last.saves};
        last = now;
        return delta;
    };
    model.ReadSettings();
    EXPECT_EQ(io(), std::make_pair(uint64_t{1}, uint64_t{0})) << "load";
    EXPECT_FALSE(model.FindChanges());
    EXPECT_EQ(io(), std::make_pair(uint64_t{1}, uint64_t{0})) << "compare";
    ASSERT_TRUE(model.WriteSettings(false, true));
    EXPECT_EQ(io(), std::make_pair(uint64_t{1}, uint64_t{0})) << "an Apply that changes nothing";
    model.setCompressionType(2);
    model.setReminderTick(true);
    model.setWinSizeIndex(1);
    ASSERT_TRUE(model.WriteSettings(false, true));
    // The write reads the hive again under its lock, so other programs' changes stay.
    EXPECT_EQ(io(), std::make_pair(uint64_t{2}, uint64_t{1})) << "an Apply with changes";
}

TEST_F(SettingsPageModelTest, HandEditedHeightGivesNoOutlineChange) {
    writeDword("Width", 790);
    writeDword("Height", 600);
    const auto size = model.ApplyWindowSize();
    EXPECT_EQ(size.height, 600);
    EXPECT_EQ(size.outline, nullptr);
    model.ReadSettings();
    EXPECT_EQ(model.winSizeIndex(), 1);
}

TEST_F(SettingsPageModelTest, UnwritableStoreShowsThePermissionMessage) {
    // A file where the hive folder should be makes every write fail.
    const char* dir = std::getenv("QUILLMOOR_REGISTRY_DIR");
    ASSERT_NE(dir, nullptr);
    sandbox.writeFile("C:\\blocker", "x");
    setenv("QUILLMOOR_REGISTRY_DIR", (sandbox.hostOf('C') + "/blocker/reg").c_str(), 1);
    EXPECT_FALSE(model.WriteSettings(true, false));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0],
              "Can't save your changes.  You don't have permission to update the program "
              "files.  Please ask your system administrator to assist you.");
}

TEST_F(SettingsPageModelTest, RevisionAndReminderSpinsStopAtTheirEnds) {
    model.setRevisionTick(true);
    EXPECT_EQ(model.revisions(), 1);
    for (int i = 0; i < 30; ++i)
        model.revisionUp();
    EXPECT_EQ(model.revisions(), 20);
    for (int i = 0; i < 30; ++i)
        model.revisionDown();
    EXPECT_EQ(model.revisions(), 0);
    EXPECT_FALSE(model.revision()) << "reaching 0 unticks the box";
    model.revisionUp();
    EXPECT_EQ(model.revisions(), 0) << "spin buttons are disabled while unticked";

    model.setReminderTick(true);
    EXPECT_EQ(model.reminderDays(), 1);
    for (int i = 0; i < 40; ++i)
        model.reminderUp();
    EXPECT_EQ(model.reminderDays(), 31);
    model.setReminderTick(false);
    EXPECT_EQ(model.reminderDays(), 0);
    EXPECT_FALSE(model.reminderSpinEnabled());
}

TEST_F(SettingsPageModelTest, LevelChangeWithoutCompressionIsRefusedOnceAndRestored) {
    model.changeLevel(4, false); // not on the page: taken as is
    model.levelFocused();
    EXPECT_FALSE(model.changeLevel(8, true));
    EXPECT_EQ(model.level(), 4);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0],
              "Compression feature has not been enabled.  Please select Compression Type.");
    model.setCompressionType(2);
    EXPECT_TRUE(model.changeLevel(8, true));
    EXPECT_EQ(model.level(), 8);
}

TEST_F(SettingsPageModelTest, DefaultButtonWritesDefaultsAndSays) {
    model.setCompressionType(2);
    model.setAutoLaunch(true);
    model.setWinSizeIndex(1);
    model.DefaultClick(false);
    EXPECT_EQ(messages.shown, std::vector<std::string>{"Default settings applied."});
    EXPECT_EQ(model.compressionType(), 0);
    EXPECT_FALSE(model.autoLaunch());
    EXPECT_EQ(TSettingsStore().number(SettingId::CompressionType), 0u);
    EXPECT_FALSE(TSettingsStore().flag(SettingId::AutoLaunch));
}

} // namespace
} // namespace qm
