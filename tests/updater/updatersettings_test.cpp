#include "updater/updatersettings.h"

#include "platform/productkeys.h"
#include "platform/registry.h"
#include "platform/settingkeys.h"
#include "support/sandbox.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace qm {
namespace {

// Run by root from a folder another user may change, the updater's "don't use" choice
// writes no Settings.dat there: that user's link at its name would lead root's write
// into any file. The main program's own setting is still turned off.
TEST(UpdaterSettings, RootWritesNoSettingsFileWhereAnotherUserCouldPlantALink) {
    if (geteuid() != 0)
        GTEST_SKIP() << "the rule is root's";
    test::Sandbox sb;
    const std::string c = sb.hostOf('C');
    sb.writeFile("C:\\Root\\secret.txt", "root's own");
    sb.writeFile("C:\\Theirs\\updater", "#!/bin/sh\n");
    std::filesystem::create_symlink(c + "/Root/secret.txt", c + "/Theirs/Settings.dat");
    ASSERT_EQ(chown((c + "/Theirs").c_str(), 65534, 65534), 0);

    DisableUpdater(c + "/Theirs");
    EXPECT_EQ(sb.readFile("C:\\Root\\secret.txt"), "root's own");
    Registry registry;
    uint32_t updater = 1;
    ASSERT_TRUE(registry.openKeyReadOnly(kSettingsKey));
    EXPECT_EQ(registry.readDword(settingDef(SettingId::Updater).name, updater), RegistryStatus::Ok);
    EXPECT_EQ(updater, 0u);
}

} // namespace
} // namespace qm
