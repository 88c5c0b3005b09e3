#include "updater/installation.h"

#include "platform/productkeys.h"
#include "platform/programfiles.h"
#include "platform/registry.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {
namespace {

void recordInstallation(RegistryRoot root, const std::string& folder) {
    Registry registry(root);
    if (folder.empty()) {
        registry.deleteKey(kUninstallKey);
        return;
    }
    ASSERT_TRUE(registry.openKey(kUninstallKey, true));
    registry.writeString(kUninstallStringValue, folder + "Uninstall.exe");
}

// Run by root, the updater installs into and starts programs from only a folder that
// the machine's registry names and that no other user may change: a user's registry
// naming another folder is ignored, and so is a folder a user owns.
TEST(Installation, RootUpdatesOnlyWhatTheMachineRegistryNamesInRootsOwnFolder) {
    if (geteuid() != 0)
        GTEST_SKIP() << "the rules are root's";
    test::Sandbox sb;
    for (const char* folder : {"Machine", "Mine", "Shared"})
        sb.writeFile("C:\\" + std::string(folder) + "\\" + hostProgramFile(kCommonProgramName),
                     "#!/bin/sh\n");
    ASSERT_EQ(chown((sb.hostOf('C') + "/Shared").c_str(), 65534, 65534), 0);

    struct Row {
        const char* machine;
        const char* user;
        const char* found;
    } rows[] = {{"", "C:\\Mine\\", ""},
                {"C:\\Shared\\", "", ""},
                {"C:\\Machine\\", "C:\\Mine\\", "C:\\Machine\\"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.machine) + " / " + row.user);
        recordInstallation(RegistryRoot::LocalMachine, row.machine);
        recordInstallation(RegistryRoot::CurrentUser, row.user);
        const std::optional<TInstallation> found = findInstallation();
        EXPECT_EQ(found ? found->folder : std::string(), row.found);
    }

    const std::optional<TInstallation> installation = findInstallation();
    ASSERT_TRUE(installation);
    const std::string common = installation->hostProgram(kCommonProgramName);
    for (const mode_t mode : {0755, 0775, 0757}) {
        ASSERT_EQ(chmod(common.c_str(), mode), 0);
        EXPECT_EQ(installation->MayStart(kCommonProgramName), mode == 0755) << std::oct << mode;
    }
}

} // namespace
} // namespace qm
