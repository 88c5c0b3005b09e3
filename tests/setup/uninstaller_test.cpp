#include "setup/uninstaller.h"

#include "machinestate.h"
#include "platform/fileio.h"
#include "platform/registry.h"
#include "setup/installstate.h"
#include "support/install/installsandbox.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace qm {
namespace {

constexpr const char* kBase = "C:\\Program Files\\Quillmoor\\";

struct Outcome {
    std::vector<std::string> messages;
    bool removed = false;
};

Outcome Uninstall(int answer, bool mainWindowOpen) {
    Outcome run;
    TUninstallEnvironment env;
    env.message = [&](int kind, const std::string& text) {
        run.messages.push_back(std::to_string(kind) + "|" + text);
        return kind == 2 ? answer : 1;
    };
    env.isAdmin = [] { return IsAdmin(); };
    env.mainWindowOpen = [mainWindowOpen] { return mainWindowOpen; };
    run.removed = TUninstaller(kBase, env).bbUninstalClick();
    return run;
}

TEST(Uninstaller, RefusalsAndNoRemoveNothing) {
    test::Sandbox sb;
    test::InstallSandbox machine(sb);
    machine.makeMedium();
    ASSERT_EQ(machine.install({"C:\\Program Files\\Quillmoor", true}), TInstallOutcome::Installed);
    const auto files = test::FilesBelow(sb.root());
    const auto values = test::RegistryValues();
    Outcome no = Uninstall(7, false);
    Outcome running = Uninstall(6, true);
    machine.setAdmin(false); // installed for all users; an ordinary user may not remove it
    Outcome notAllowed = Uninstall(6, false);
    machine.setAdmin(true);
    EXPECT_FALSE(no.removed || running.removed || notAllowed.removed);
    EXPECT_EQ(running.messages.back(),
              "0|Close \"Quillmoor Backup\" application and rerun uninstall");
    EXPECT_EQ(notAllowed.messages,
              std::vector<std::string>{
                  "0|Quillmoor was installed by Administrator. You can't uninstall software."});
    EXPECT_EQ(test::FilesBelow(sb.root()), files);
    EXPECT_EQ(test::RegistryValues(), values);
}

// An uninstall killed at any of its file changes (the program ends there: a change
// stops it) leaves either an installation its uninstaller can finish removing, or no
// registered installation and a folder setup installs into again; either way the
// machine ends as it was before the install.
TEST(Uninstaller, AnUninstallKilledAtAnyStepIsFinishedByTheNextRun) {
    struct Killed {};
    int steps = 0; // counted by a run that is not killed (killedAt 0)
    for (int killedAt = 0; killedAt <= steps; ++killedAt) {
        SCOPED_TRACE(killedAt);
        test::Sandbox sb;
        test::InstallSandbox machine(sb);
        machine.makeMedium();
        const auto files = test::FilesBelow(sb.root());
        const auto values = test::RegistryValues();
        ASSERT_EQ(machine.install({"C:\\Program Files\\Quillmoor"}), TInstallOutcome::Installed);
        int change = 0;
        setFileChangeGate([&](FileChange, std::string_view) {
            if (++change == killedAt)
                throw Killed{};
            return true;
        });
        try {
            Uninstall(6, false);
        } catch (const Killed&) {
        }
        setFileChangeGate(nullptr);
        if (killedAt == 0)
            steps = change;
        std::string folder;
        if (IsProductInstalled(folder)) {
            EXPECT_EQ(folder, kBase);
            EXPECT_TRUE(fileExists(std::string(kBase) + "Uninstall")) << "never without it";
        } else {
            ASSERT_EQ(machine.install({"C:\\Program Files\\Quillmoor"}), TInstallOutcome::Installed)
                << machine.messages()[0];
        }
        EXPECT_TRUE(Uninstall(6, false).removed);
        EXPECT_EQ(test::FilesBelow(sb.root()), files);
        EXPECT_EQ(test::RegistryValues(), values);
    }
    EXPECT_GT(steps, 5);
}

// A registry entry that cannot be deleted is a failure, told as one; the uninstaller
// stays so that the uninstall can be run again.
TEST(Uninstaller, ARegistryEntryThatStaysIsAFailureAndKeepsTheUninstaller) {
    test::Sandbox sb;
    test::InstallSandbox machine(sb);
    machine.makeMedium();
    ASSERT_EQ(machine.install({"C:\\Program Files\\Quillmoor", true}), TInstallOutcome::Installed);
    TUninstallEnvironment env;
    std::vector<std::string> messages;
    env.message = [&](int kind, const std::string& text) {
        messages.push_back(text);
        return kind == 2 ? 6 : 1;
    };
    env.isAdmin = [] { return true; }; // believes it may, but the machine hive is read-only
    machine.setAdmin(false);
    EXPECT_FALSE(TUninstaller(kBase, env).bbUninstalClick());
    machine.setAdmin(true);
    ASSERT_FALSE(messages.empty());
    EXPECT_NE(messages.back().find("could not be removed completely"), std::string::npos)
        << messages.back();
    EXPECT_TRUE(fileExists(std::string(kBase) + "Uninstall"));
    EXPECT_TRUE(Uninstall(6, false).removed) << "run again, it finishes";
}

// An update whose swap cannot be taken back keeps its staging folder: the uninstall
// removes the rest and says that something stayed, never a plain success.
TEST(Uninstaller, AnUpdateThatCannotBeTakenBackIsToldAsLeftOver) {
    test::Sandbox sb;
    test::InstallSandbox machine(sb);
    machine.makeMedium();
    ASSERT_EQ(machine.install({"C:\\Program Files\\Quillmoor"}), TInstallOutcome::Installed);
    sb.writeFile(std::string(kBase) + "Temp\\update-Ab12Cd\\swap.lst", "not a swap record\n");
    std::filesystem::create_directories(sb.root() +
                                        "/C/Program Files/Quillmoor/Temp/update-Ab12Cd/ready");
    const auto run = Uninstall(6, false);
    EXPECT_TRUE(run.removed);
    ASSERT_FALSE(run.messages.empty());
    EXPECT_NE(run.messages.back().find("could not be removed"), std::string::npos)
        << run.messages.back();
    EXPECT_TRUE(fileExists(std::string(kBase) + "Temp\\update-Ab12Cd\\swap.lst"));
    EXPECT_FALSE(fileExists(std::string(kBase) + "Qmoor"));
}

TEST(Uninstaller, DeletesOnlyListedPathsBelowTheFolderAndNeverFollowsLinks) {
    test::Sandbox sb;
    test::InstallSandbox machine(sb);
    machine.makeMedium();
    ASSERT_EQ(machine.install({"C:\\Program Files\\Quillmoor"}), TInstallOutcome::Installed);
    const std::string victim = sb.writeFile("C:\\victim.txt", "keep me");
    sb.writeFile("C:\\Program Files\\keep.txt", "keep me too");
    sb.writeFile("C:\\Qmoor.exe", "a bare name must not reach the current folder");
    std::filesystem::create_symlink(victim, sb.root() + "/C/Program Files/Quillmoor/link.txt");
    std::filesystem::create_directory_symlink(sb.root() + "/C",
                                              sb.root() + "/C/Program Files/Quillmoor/drive");
    std::string list = *sb.readFile(std::string(kBase) + "uninst.ini");
    list +=
        "C:\\victim.txt\r\nC:\\Program Files\\keep.txt\r\nQmoor.exe\r\n"
        "C:\\Program Files\\Quillmoor\\..\\keep.txt\r\nC:\\Program Files\\Quillmoor\\link.txt\r\n"
        "C:\\Program Files\\Quillmoor\\drive\\victim.txt\r\nC:\\Program "
        "Files\\Quillmoor\\drive\r\n";
    sb.writeFile(std::string(kBase) + "uninst.ini", list);
    const auto run = Uninstall(6, false);
    EXPECT_TRUE(run.removed);
    EXPECT_EQ(sb.readFile("C:\\victim.txt"), "keep me");
    EXPECT_EQ(sb.readFile("C:\\Program Files\\keep.txt"), "keep me too");
    EXPECT_TRUE(fileExists("C:\\Qmoor.exe"));
    EXPECT_FALSE(std::filesystem::exists(sb.root() + "/C/Program Files/Quillmoor"))
        << "the links went as links, then the empty folder";
}

// Without the list nothing tells the help pages from a user's file among them: the known
// files of an installation go, the Help folder stays as it is.
TEST(Uninstaller, WithoutItsListOnlyTheKnownFilesOfAnInstallationGo) {
    test::Sandbox sb;
    test::InstallSandbox machine(sb);
    machine.makeMedium();
    ASSERT_EQ(machine.install({"C:\\Program Files\\Quillmoor"}), TInstallOutcome::Installed);
    ASSERT_TRUE(deleteFile(std::string(kBase) + "uninst.ini"));
    sb.writeFile(std::string(kBase) + "Log.txt", "the last run's log");
    sb.writeFile(std::string(kBase) + "Help\\mine.htm", "the user's page");
    Outcome run = Uninstall(6, false);
    EXPECT_TRUE(run.removed);
    EXPECT_EQ(run.messages.back(), "0|Quillmoor has been successfully uninstalled.");
    EXPECT_EQ(sb.readFile(std::string(kBase) + "Help\\mine.htm"), "the user's page");
    EXPECT_TRUE(fileExists(std::string(kBase) + "Help\\Quillmoor.htm"));
    EXPECT_FALSE(fileExists(std::string(kBase) + "Qmoor") ||
                 fileExists(std::string(kBase) + "Log.txt"));
}

// The folders setup made for an installation go with it, each only when empty; a folder
// that was there before never goes, also not when a record names it.
TEST(Uninstaller, RemovesTheFoldersSetupMadeAndNoOther) {
    constexpr const char* kDeep = "C:\\Apps\\Backup\\Quillmoor";
    struct Row {
        const char* name;
        std::function<void(test::Sandbox&, test::InstallSandbox&)> between;
        const char* existedBefore; // a folder made before the install, or null
        std::vector<std::string> gone, kept;
    };
    const Row rows[] = {
        {"setup made the whole chain", {}, nullptr, {"C:\\Apps"}, {"C:\\"}},
        {"a file of the user's keeps its folder",
         [](test::Sandbox& sb, test::InstallSandbox&) { sb.writeFile("C:\\Apps\\mine.txt", "x"); },
         nullptr,
         {"C:\\Apps\\Backup"},
         {"C:\\Apps"}},
        {"an empty folder chosen for the install stays", {}, kDeep, {}, {kDeep}},
        {"a reinstall keeps the record",
         [](test::Sandbox&, test::InstallSandbox& machine) {
             ASSERT_EQ(machine.install({kDeep}), TInstallOutcome::Installed);
         },
         nullptr,
         {"C:\\Apps"},
         {}},
        {"a record naming other folders is not followed",
         [](test::Sandbox& sb, test::InstallSandbox&) {
             createFolderChain("C:\\Other");
             const std::string record = std::string(kDeep) + "\\uninstdirs.ini";
             sb.writeFile(record,
                          *sb.readFile(record) + "C:\\Other\r\nC:\\\r\nC:\\Apps\\..\\Other\r\n");
         },
         kDeep,
         {},
         {kDeep, "C:\\Other"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::Sandbox sb;
        test::InstallSandbox machine(sb);
        machine.makeMedium();
        if (row.existedBefore) {
            ASSERT_TRUE(createFolderChain(row.existedBefore));
        }
        ASSERT_EQ(machine.install({kDeep}), TInstallOutcome::Installed);
        if (row.between)
            row.between(sb, machine);
        TUninstallEnvironment env;
        env.message = [](int kind, const std::string&) { return kind == 2 ? 6 : 1; };
        env.isAdmin = [] { return IsAdmin(); };
        ASSERT_TRUE(TUninstaller(std::string(kDeep) + "\\", env).bbUninstalClick());
        for (const std::string& folder : row.gone)
            EXPECT_FALSE(folderExists(folder)) << folder;
        for (const std::string& folder : row.kept)
            EXPECT_TRUE(folderExists(folder)) << folder;
        EXPECT_TRUE(folderExists(row.existedBefore ? kDeep : "C:\\")) << "what was there stays";
    }
}

} // namespace
} // namespace qm
