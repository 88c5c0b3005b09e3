#include "app/stores/settingsstore.h"

#include "platform/registry.h"
#include "support/rowname.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

uint32_t storedDword(std::string_view name) {
    Registry registry;
    uint32_t value = 0xdeadbeef;
    EXPECT_TRUE(registry.openKeyReadOnly(kSettingsKey));
    EXPECT_EQ(registry.readDword(name, value), RegistryStatus::Ok) << name;
    return value;
}

void writeDword(std::string_view name, uint32_t value) {
    Registry registry;
    ASSERT_TRUE(registry.openKey(kSettingsKey, true));
    ASSERT_EQ(registry.writeDword(name, value), RegistryStatus::Ok);
}

TEST(SettingsStore, FreshUserGetsEveryDefaultWrittenOnce) {
    test::Sandbox sandbox;
    TSettingsStore store;
    store.checkSettings();
    for (const SettingDef& def : kSettings) {
        Registry registry;
        ASSERT_TRUE(registry.openKeyReadOnly(kSettingsKey));
        EXPECT_EQ(registry.valueExists(def.name), def.hasDefault) << def.name;
        if (def.hasDefault) {
            EXPECT_EQ(storedDword(def.name), def.defaultValue) << def.name;
        }
    }
    Registry registry;
    ASSERT_TRUE(registry.openKeyReadOnly(kSettingsKey));
    EXPECT_EQ(registry.valueNames().front(), "Width");
    EXPECT_EQ(registry.valueNames()[1], "Height");
}

TEST(SettingsStore, MissingValuesAreWrittenEachOnItsOwnAndOthersKept) {
    test::Sandbox sandbox;
    writeDword("Width", 1010); // Height missing: it gets its own default
    writeDword("Compression", 7);
    TSettingsStore().checkSettings();
    EXPECT_EQ(storedDword("Width"), 1010u);
    EXPECT_EQ(storedDword("Height"), 580u);
    EXPECT_EQ(storedDword("Compression"), 7u);
    EXPECT_EQ(storedDword("Updater"), 1u);
}

struct ClampRow {
    SettingId id;
    uint32_t stored;
    uint32_t expected;
};

class SettingsStoreClamp : public ::testing::TestWithParam<ClampRow> {};

TEST_P(SettingsStoreClamp, StoredValuesAreClampedToTheirRange) {
    test::Sandbox sandbox;
    const ClampRow row = GetParam();
    writeDword(settingDef(row.id).name, row.stored);
    EXPECT_EQ(TSettingsStore().number(row.id), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, SettingsStoreClamp,
    ::testing::Values(ClampRow{SettingId::Encryption, 9, 3}, ClampRow{SettingId::Revision, 21, 20},
                      ClampRow{SettingId::Revision, 0xffffffff, 20},
                      ClampRow{SettingId::Reminder, 32, 31}, ClampRow{SettingId::Compression, 0, 1},
                      ClampRow{SettingId::Compression, 10, 9},
                      ClampRow{SettingId::CompressionType, 5, 2}, ClampRow{SettingId::Log, 5, 1},
                      ClampRow{SettingId::Height, 600, 600}),
    qm::test::RowsNamedBy([](const ClampRow& row) {
        return std::string(settingDef(row.id).name) + "_" + std::to_string(row.stored);
    }));

TEST(SettingsStore, WrongTypeOrMissingReadsAsDefault) {
    test::Sandbox sandbox;
    Registry registry;
    ASSERT_TRUE(registry.openKey(kSettingsKey, true));
    ASSERT_EQ(registry.writeString("Compression", "9"), RegistryStatus::Ok);
    TSettingsStore store;
    EXPECT_EQ(store.number(SettingId::Compression), 1u);
    EXPECT_FALSE(store.stored(SettingId::Compression).has_value());
    EXPECT_TRUE(store.flag(SettingId::Updater)); // missing: default true
    EXPECT_FALSE(store.stored(SettingId::LastRemind).has_value());
}

TEST(SettingsStore, WritesAreClampedAndMediaDriveIsUpperCaseLetter) {
    test::Sandbox sandbox;
    TSettingsStore store;
    EXPECT_TRUE(store.setNumber(SettingId::Revision, 50));
    EXPECT_EQ(storedDword("Revision"), 20u);
    EXPECT_EQ(store.mediaDrive(), "");
    EXPECT_TRUE(store.setMediaDriveFromCaption("(e:\\)"));
    EXPECT_EQ(store.mediaDrive(), "E");
    EXPECT_FALSE(store.setMediaDriveFromCaption("("));
}

} // namespace
} // namespace qm
