#include "setup/installstate.h"

#include "platform/fileio.h"
#include "platform/registry.h"
#include "support/install/installsandbox.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(InstallState, TheInstalledStateAndTheProgramsOwnFolderChooseTheWindow) {
    test::Sandbox sb;
    test::InstallSandbox machine(sb);
    machine.makeMedium();
    EXPECT_EQ(ChooseSetupMode("setup", "C:\\medium\\"), TSetupMode::Install);
    ASSERT_EQ(machine.install({"C:\\Apps\\Quillmoor"}), TInstallOutcome::Installed);
    std::string folder;
    ASSERT_TRUE(IsProductInstalled(folder));
    EXPECT_EQ(folder, "C:\\Apps\\Quillmoor\\");
    EXPECT_EQ(ChooseSetupMode("setup", "C:\\medium\\"), TSetupMode::RefuseWhileInstalled);
    EXPECT_EQ(ChooseSetupMode("SETUP", "C:\\Apps\\Quillmoor\\"), TSetupMode::RefuseWhileInstalled);
    EXPECT_EQ(ChooseSetupMode("Uninstall", "C:\\Apps\\Quillmoor\\"), TSetupMode::Uninstall);
    EXPECT_EQ(ChooseSetupMode("Uninstall", "C:\\Apps\\Quillmoor"), TSetupMode::Uninstall);
    // A renamed copy anywhere else never uninstalls.
    EXPECT_EQ(ChooseSetupMode("Uninstall", "C:\\medium\\"), TSetupMode::RefuseWhileInstalled);
    EXPECT_EQ(ChooseSetupMode("my-setup", "C:\\Downloads\\"), TSetupMode::RefuseWhileInstalled);
    // The uninstaller gone: any copy removes the installation.
    ASSERT_TRUE(deleteFile("C:\\Apps\\Quillmoor\\Uninstall"));
    EXPECT_EQ(ChooseSetupMode("setup", "C:\\medium\\"), TSetupMode::UninstallWithoutUninstaller);
    // A registry entry naming a folder without an installation (another program's, with
    // files of the names Quillmoor's programs use) removes nothing: the wizard shows.
    sb.writeFile("C:\\Other\\Log.txt", "another program's log");
    sb.writeFile("C:\\Other\\Settings.dat", "another program's settings");
    Registry uninstall(RegistryRoot::CurrentUser);
    ASSERT_TRUE(uninstall.openKey(
        "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillmoor", false));
    uninstall.writeString("UninstallString", "C:\\Other\\Uninstall.exe");
    EXPECT_EQ(ChooseSetupMode("setup", "C:\\medium\\"), TSetupMode::Install);
    uninstall.writeString("UninstallString", "C:\\Apps\\Quillmoor\\Uninstall.exe");
    ASSERT_TRUE(deleteFile("C:\\Apps\\Quillmoor\\Qmoor"));
    EXPECT_EQ(ChooseSetupMode("setup", "C:\\medium\\"), TSetupMode::UninstallWithoutUninstaller)
        << "its list is enough";
    // The folder gone: not installed, so the copy shows the wizard.
    Registry key(RegistryRoot::CurrentUser);
    ASSERT_TRUE(
        key.openKey("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillmoor", false));
    key.writeString("UninstallString", "C:\\Gone\\Uninstall.exe");
    EXPECT_EQ(ChooseSetupMode("Uninstall", "C:\\Apps\\Quillmoor\\"), TSetupMode::Install);
}

} // namespace
} // namespace qm
