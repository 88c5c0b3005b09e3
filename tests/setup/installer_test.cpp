#include "setup/installer.h"

#include "machinestate.h"
#include "platform/fileio.h"
#include "platform/registry.h"
#include "setup/uninstaller.h"
#include "support/install/installsandbox.h"
#include "support/lzfiles.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {
namespace {

constexpr const char* kFolder = "C:\\Program Files\\Quillmoor";
const std::string kBase = std::string(kFolder) + "\\";

std::string Value(RegistryRoot root, std::string_view key, std::string_view name) {
    Registry registry(root);
    std::string text;
    uint32_t number = 0;
    if (!registry.openKeyReadOnly(key))
        return "<no key>";
    if (registry.readString(name, text) == RegistryStatus::Ok)
        return text;
    if (registry.readDword(name, number) == RegistryStatus::Ok)
        return std::to_string(number);
    return "<none>";
}

// What was on the machine before: nothing of it may go.
void Furnish(test::Sandbox& sb) {
    sb.writeFile("C:\\Program Files\\Other\\keep.txt", "another program");
    sb.writeFile("H:\\Desktop\\other.desktop", "[Desktop Entry]\n");
    sb.writeFile("H:\\.local\\share\\applications\\other.desktop", "[Desktop Entry]\n");
    sb.writeFile("S:\\etc\\xdg\\autostart\\other.desktop", "[Desktop Entry]\n");
    Registry run(RegistryRoot::CurrentUser);
    ASSERT_TRUE(run.openKey("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", true));
    run.writeString("Other", "/usr/bin/other -x");
    Registry machine(RegistryRoot::LocalMachine);
    ASSERT_TRUE(machine.openKey("\\SOFTWARE\\Vendor", true));
    machine.writeString("Path", "C:\\Vendor");
}

int UninstallNow(const std::string& folder, std::vector<std::string>* messages = nullptr,
                 int answer = 6, bool mainWindowOpen = false) {
    TUninstallEnvironment env;
    env.message = [&](int kind, const std::string& text) {
        if (messages)
            messages->push_back(std::to_string(kind) + "|" + text);
        return kind == 2 ? answer : 1;
    };
    env.isAdmin = [] { return IsAdmin(); };
    env.mainWindowOpen = [mainWindowOpen] { return mainWindowOpen; };
    return TUninstaller(folder, env).bbUninstalClick() ? 1 : 0;
}

struct Mode {
    const char* name;
    bool admin;
    bool allUsers;
};

TEST(Installer, InstallReinstallUninstallRoundTripInEveryMode) {
    for (const Mode mode :
         {Mode{"per user", false, false}, Mode{"per user by an administrator", true, false},
          Mode{"for all users", true, true}}) {
        SCOPED_TRACE(mode.name);
        test::Sandbox sb;
        test::InstallSandbox machine(sb);
        machine.makeMedium();
        Furnish(sb);
        const auto filesBefore = test::FilesBelow(sb.root());
        const auto valuesBefore = test::RegistryValues();

        ASSERT_EQ(machine.install({kFolder, mode.allUsers, mode.admin}),
                  TInstallOutcome::Installed);
        EXPECT_TRUE(machine.messages().empty());
        // The programs, expanded, executable, with the medium's dates.
        EXPECT_EQ(sb.readFile(kBase + "Qmoor"), "the Qmoor program image");
        EXPECT_EQ(sb.readFile(kBase + "updater"), "the updater program image");
        EXPECT_EQ(sb.readFile(kBase + "Uninstall"), sb.readFile("C:\\medium\\setup"));
        EXPECT_EQ(fileDosDateTime(kBase + "Qmoor"),
                  fileDosDateTime("C:\\medium\\Install\\Qmoor.ex_"));
        struct stat st {};
        ASSERT_EQ(stat((sb.root() + "/C/Program Files/Quillmoor/Qmoor").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0755u);
        EXPECT_EQ(sb.readFile(kBase + "Help\\images\\logo.gif"), "GIF89a");
        const bool userFile = mode.admin && !mode.allUsers;
        EXPECT_EQ(sb.readFile(kBase + "User.dat"),
                  userFile ? std::optional<std::string>("alice") : std::nullopt);
        // uninst.ini: exactly what was written, folders after their entries, itself last.
        std::string list;
        for (const char* entry : {"Help\\Quillmoor.htm", "Help\\images\\logo.gif", "Help\\images",
                                  "Help", "Qmoor", "Uninstall", "updater"})
            list += kBase + entry + "\r\n";
        if (userFile)
            list += kBase + "User.dat\r\n";
        list += kBase + "uninstdirs.ini\r\n";
        list += kBase + "uninst.ini\r\n";
        EXPECT_EQ(sb.readFile(kBase + "uninst.ini"), list);

        // Registry, shortcuts and autostart entries where the mode puts them.
        const RegistryRoot where =
            mode.allUsers ? RegistryRoot::LocalMachine : RegistryRoot::CurrentUser;
        const char* uninstall =
            "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillmoor";
        EXPECT_EQ(Value(where, uninstall, "UninstallString"), kBase + "Uninstall.exe");
        EXPECT_EQ(Value(where, uninstall, "DisplayIcon"), kBase + "Qmoor.exe");
        EXPECT_EQ(Value(where, uninstall, "AllUsers"), mode.allUsers ? "1" : "0");
        const std::string program = sb.root() + "/C/Program Files/Quillmoor/Qmoor";
        EXPECT_EQ(Value(where, "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "Qmoor.exe"),
                  program + " -w");
        EXPECT_EQ(Value(RegistryRoot::CurrentUser, "\\SOFTWARE\\Quillmoor\\Run", "Auto"), "ON");
        EXPECT_EQ(Value(RegistryRoot::CurrentUser, "\\SOFTWARE\\Quillmoor\\Run", "Date"),
                  std::to_string(fileDosDateTime(kBase + "Uninstall").value_or(1)));
        EXPECT_EQ(Value(RegistryRoot::ClassesRoot, "\\.bpa", ""),
                  mode.admin ? "BackupArchive.1" : "<no key>");
        const std::string autostart =
            mode.allUsers ? "/system/etc/xdg/autostart/" : "/config/autostart/";
        EXPECT_TRUE(std::filesystem::exists(sb.root() + autostart + "quillmoor.desktop"));
        const std::string menu = mode.allUsers ? "S:\\usr\\share\\applications\\Quillmoor\\"
                                               : "H:\\.local\\share\\applications\\Quillmoor\\";
        for (const char* link :
             {"Quillmoor.desktop", "Uninstall.desktop", "Quillmoor Updater.desktop"})
            EXPECT_TRUE(fileExists(menu + link)) << menu << link;
        const auto shortcut = sb.readFile(menu + "Quillmoor.desktop").value_or("");
        EXPECT_NE(shortcut.find("Exec=\"" + program + "\""), std::string::npos) << shortcut;
        // No all-users desktop exists here: that shortcut is skipped, never put elsewhere.
        EXPECT_EQ(fileExists("H:\\Desktop\\Quillmoor.desktop"), !mode.allUsers);
        for (const char* root :
             {"C:\\Quillmoor.desktop", "S:\\Quillmoor.desktop", "H:\\Quillmoor.desktop"})
            EXPECT_FALSE(fileExists(root));
        for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine})
            EXPECT_FALSE(Registry(root).keyExists(
                "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"));

        // Reinstall over it: a file of the user's in the folder is kept and never listed,
        // and lines that setup did not write are neither merged nor followed.
        sb.writeFile(kBase + "notes.txt", "mine");
        sb.writeFile(kBase + "uninst.ini", list + "C:\\Program Files\\Other\\keep.txt\r\n"
                                                  "Qmoor.exe\r\n");
        ASSERT_EQ(machine.install({kFolder, mode.allUsers, mode.admin}),
                  TInstallOutcome::Installed);
        ASSERT_EQ(machine.messages().size(), 1u);
        EXPECT_EQ(machine.messages()[0],
                  "2|Program already installed. Do you want to reinstall program?");
        EXPECT_EQ(sb.readFile(kBase + "uninst.ini"), list);

        // Uninstall: nothing of the installation is left, nothing else is gone.
        machine.setAdmin(mode.admin);
        std::vector<std::string> messages;
        EXPECT_EQ(UninstallNow(kBase, &messages), 1);
        machine.setAdmin(true);
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages.back(), "0|Quillmoor has been successfully uninstalled.");
        EXPECT_EQ(sb.readFile(kBase + "notes.txt"), "mine");
        auto filesAfter = test::FilesBelow(sb.root());
        filesAfter.erase("C/Program Files/Quillmoor/");
        filesAfter.erase("C/Program Files/Quillmoor/notes.txt = mine");
        EXPECT_EQ(filesAfter, filesBefore);
        EXPECT_EQ(test::RegistryValues(), valuesBefore);
    }
}

} // namespace
} // namespace qm

namespace qm {
namespace {

// A reinstall stopped by a failing change at any point of its run leaves the earlier
// installation exactly as it was: files, shortcuts, autostart entry, settings and
// registry entries. Where the install rides over a failure (a shortcut kept as it was,
// a leftover of the old installation), the new installation is complete.
TEST(Installer, AReinstallThatFailsAtAnyChangeLeavesTheEarlierInstallationWorking) {
    for (const Mode mode :
         {Mode{"per user by an administrator", true, false}, Mode{"for all users", true, true}}) {
        SCOPED_TRACE(mode.name);
        const test::InstallSandbox::Request request{kFolder, mode.allUsers, mode.admin};
        test::Sandbox sb;
        test::InstallSandbox machine(sb);
        machine.makeMedium();
        ASSERT_EQ(machine.install(request), TInstallOutcome::Installed);
        int changes = 0; // in a whole reinstall
        setFileChangeGate([&](FileChange, std::string_view) { return ++changes > 0; });
        ASSERT_EQ(machine.install(request), TInstallOutcome::Installed);
        std::set<std::string> failures;
        for (int failing = 1; failing <= changes; ++failing) {
            SCOPED_TRACE(failing);
            // Marks of the earlier installation: a setting and a page of its own.
            Registry settings(RegistryRoot::CurrentUser);
            ASSERT_TRUE(settings.openKey("\\SOFTWARE\\Quillmoor\\Settings", true));
            settings.writeString("MediaDrive", "E");
            sb.writeFile(kBase + "Help\\Quillmoor.htm", "the earlier help page");
            const auto files = test::FilesBelow(sb.root());
            const auto values = test::RegistryValues();
            int change = 0;
            setFileChangeGate([&](FileChange, std::string_view) { return ++change != failing; });
            const TInstallOutcome outcome = machine.install(request);
            setFileChangeGate(nullptr);
            if (outcome == TInstallOutcome::StayOnOptions) {
                failures.insert(machine.messages().back());
                EXPECT_EQ(test::FilesBelow(sb.root()), files);
                EXPECT_EQ(test::RegistryValues(), values);
                continue;
            }
            EXPECT_EQ(sb.readFile(kBase + "Help\\Quillmoor.htm"), "<html>help</html>");
            EXPECT_NE(sb.readFile(kBase + "uninst.ini").value_or("").find(kBase + "Qmoor\r\n"),
                      std::string::npos);
            EXPECT_EQ(Value(mode.allUsers ? RegistryRoot::LocalMachine : RegistryRoot::CurrentUser,
                            "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillmoor",
                            "UninstallString"),
                      kBase + "Uninstall.exe");
        }
        // The failures reached every step that can fail, the last ones included.
        const auto failedAt = [&](const std::string& what) {
            return std::any_of(failures.begin(), failures.end(), [&](const std::string& m) {
                return m.find("cannot write " + what) != std::string::npos;
            });
        };
        for (const char* file : {"Qmoor", "Help\\Quillmoor.htm", "uninstdirs.ini", "uninst.ini"})
            EXPECT_TRUE(failedAt(kBase + file)) << file;
        EXPECT_EQ(failedAt(kBase + "User.dat"), !mode.allUsers);
    }
}

// A reinstall killed at any of its file changes (nothing on disk changes after that
// moment, not even its rollback) leaves files set aside, temporaries and its staging
// folder behind. The next setup run takes them back before it looks at the folder, then
// installs whole; the uninstaller takes them back and removes everything. A file of the
// same pattern that is not setup's stays.
TEST(Installer, WhatAKilledReinstallLeavesTheNextRunAndTheUninstallerTidyAway) {
    const test::InstallSandbox::Request request{kFolder};
    test::Sandbox sb;
    test::InstallSandbox machine(sb);
    machine.makeMedium();
    ASSERT_EQ(machine.install(request), TInstallOutcome::Installed);
    // Not setup's: a user's file of the pattern (and, at the end, one behind a link).
    const std::string othersFile = "H:\\Desktop\\.notes.txt.qmsetup-previous";
    sb.writeFile(othersFile, "not setup's");

    const auto leftovers = [&] {
        std::set<std::string> found;
        for (const std::string& entry : test::FilesBelow(sb.root()))
            if ((entry.find(".qmsetup") != std::string::npos ||
                 entry.find(".qmpart") != std::string::npos) &&
                entry.find("notes.txt") == std::string::npos &&
                entry.find("keep") == std::string::npos)
                found.insert(entry.substr(0, entry.find(" = ")));
        return found;
    };
    int changes = 0;
    setFileChangeGate([&](FileChange, std::string_view) { return ++changes > 0; });
    ASSERT_EQ(machine.install(request), TInstallOutcome::Installed);
    for (int killedAt = 1; killedAt <= changes; ++killedAt) {
        SCOPED_TRACE(killedAt);
        for (const bool uninstall : {false, true}) {
            int change = 0;
            setFileChangeGate([&](FileChange, std::string_view) { return ++change < killedAt; });
            machine.install(request);
            setFileChangeGate(nullptr);
            if (uninstall) {
                EXPECT_EQ(UninstallNow(kFolder), 1);
                EXPECT_FALSE(folderExists(kFolder));
                EXPECT_EQ(leftovers(), std::set<std::string>{});
                ASSERT_EQ(machine.install(request), TInstallOutcome::Installed);
                continue;
            }
            ASSERT_EQ(machine.install(request), TInstallOutcome::Installed);
            EXPECT_EQ(leftovers(), std::set<std::string>{});
            EXPECT_EQ(sb.readFile(kBase + "Qmoor"), "the Qmoor program image");
        }
    }
    EXPECT_EQ(sb.readFile(othersFile), "not setup's");
    const std::string linkedFile = "C:\\Elsewhere\\.keep.qmsetup-previous";
    sb.writeFile(linkedFile, "not setup's");
    std::filesystem::create_directory_symlink(sb.root() + "/C/Elsewhere",
                                              sb.root() + "/C/Program Files/Quillmoor/Linked");
    ASSERT_EQ(machine.install(request), TInstallOutcome::Installed);
    EXPECT_EQ(sb.readFile(linkedFile), "not setup's") << "never through a link";
}

// A first install killed at any of its file changes (nothing on disk changes after that
// moment), into a folder that already holds a file of the user's: setup run again into
// the same folder installs whole, and an uninstall then leaves the user's file and
// nothing of the installation.
TEST(Installer, AFirstInstallKilledMidwayInstallsWholeTheNextTime) {
    const std::string notes = kBase + "notes.txt";
    const auto machineWithNotes = [&](test::Sandbox& sb) {
        sb.writeFile(notes, "the user's own");
        return test::FilesBelow(sb.root());
    };
    int changes = 0;
    {
        test::Sandbox sb;
        test::InstallSandbox machine(sb);
        machine.makeMedium();
        machineWithNotes(sb);
        // A fresh account has no menu folder yet: the install makes it.
        std::filesystem::remove_all(sb.root() + "/home/.local/share");
        setFileChangeGate([&](FileChange, std::string_view) { return ++changes > 0; });
        ASSERT_EQ(machine.install({kFolder}), TInstallOutcome::Installed);
        setFileChangeGate(nullptr);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(
                                    sb.root() + "/home/.local/share/applications/Quillmoor"),
                                {}),
                  3);
    }
    for (int killedAt = 1; killedAt <= changes; ++killedAt) {
        SCOPED_TRACE(killedAt);
        test::Sandbox sb;
        test::InstallSandbox machine(sb);
        machine.makeMedium();
        const auto before = machineWithNotes(sb);
        int change = 0;
        setFileChangeGate([&](FileChange, std::string_view) { return ++change < killedAt; });
        machine.install({kFolder});
        setFileChangeGate(nullptr);
        ASSERT_EQ(machine.install({kFolder}), TInstallOutcome::Installed) << machine.messages()[0];
        EXPECT_EQ(sb.readFile(kBase + "Qmoor"), "the Qmoor program image");
        EXPECT_EQ(sb.readFile(kBase + "Help\\Quillmoor.htm"), "<html>help</html>");
        EXPECT_EQ(UninstallNow(kFolder), 1);
        EXPECT_EQ(test::FilesBelow(sb.root()), before);
    }
}

TEST(Installer, RefusedFoldersAndADamagedMediumLeaveTheMachineAsItWas) {
    test::Sandbox sb;
    test::InstallSandbox machine(sb);
    machine.makeMedium();
    sb.writeFile("C:\\Users\\docs\\letter.txt", "someone's letter");
    // A file the install would overwrite refuses the folder; the letter alone would not.
    sb.writeFile("C:\\Users\\docs\\Help\\Quillmoor.htm", "someone's page");
    const auto files = test::FilesBelow(sb.root());
    const auto values = test::RegistryValues();
    for (const char* folder : {"", "   ", "Quillmoor", "C:\\", "C:", "C:\\a\\..\\b",
                               "C:\\Users\\docs", "C:\\Users\\docs\\letter.txt", "Z:\\Quillmoor"}) {
        SCOPED_TRACE(folder);
        EXPECT_EQ(machine.install({folder}), TInstallOutcome::StayOnOptions);
        EXPECT_EQ(machine.messages(), std::vector<std::string>{"0|Wrong folder name."});
    }
    // A damaged program on the medium: told, and nothing written (no folder either).
    sb.writeFile("C:\\medium\\Install\\Qmoor.ex_",
                 test::literalLzFile("the Qmoor program image", 99));
    EXPECT_EQ(machine.install({kFolder}), TInstallOutcome::StayOnOptions);
    ASSERT_EQ(machine.messages().size(), 1u);
    EXPECT_NE(machine.messages()[0].find("The installation failed: C:\\medium\\Install\\Qmoor.ex_ "
                                         "is damaged"),
              std::string::npos)
        << machine.messages()[0];
    sb.writeFile("C:\\medium\\Install\\Qmoor.ex_", "");
    EXPECT_EQ(machine.install({kFolder}), TInstallOutcome::StayOnOptions);
    EXPECT_EQ(test::FilesBelow(sb.root()).size(), files.size());
    std::remove((sb.root() + "/C/medium/Install/Qmoor.ex_").c_str());
    EXPECT_EQ(machine.install({kFolder}), TInstallOutcome::StayOnOptions);
    EXPECT_NE(machine.messages()[0].find("has no C:\\medium\\Install\\Qmoor.ex_"),
              std::string::npos);
    machine.makeMedium();
    // A full disk is told as one, not as a damaged medium.
    setFileChangeGate(
        [](FileChange change, std::string_view) { return change != FileChange::Write; });
    EXPECT_EQ(machine.install({kFolder}), TInstallOutcome::StayOnOptions);
    setFileChangeGate(nullptr);
    ASSERT_EQ(machine.messages().size(), 1u);
    EXPECT_NE(machine.messages()[0].find("is full"), std::string::npos) << machine.messages()[0];
    EXPECT_EQ(test::FilesBelow(sb.root()), files);
    EXPECT_EQ(test::RegistryValues(), values);
}

TEST(Installer, AReinstallChangesNothingUntilAgreedAndAFailedOneKeepsTheOld) {
    test::Sandbox sb;
    test::InstallSandbox machine(sb);
    machine.makeMedium();
    ASSERT_EQ(machine.install({kFolder}), TInstallOutcome::Installed);
    const auto files = test::FilesBelow(sb.root());
    const auto values = test::RegistryValues();
    test::InstallSandbox::Request no{kFolder};
    no.reinstallAnswer = 7;
    EXPECT_EQ(machine.install(no), TInstallOutcome::StayOnOptions);
    EXPECT_EQ(test::FilesBelow(sb.root()), files) << "the uninstaller is still there";
    EXPECT_EQ(test::RegistryValues(), values);
    // Yes, but the medium is damaged: the earlier installation stands as it was.
    sb.writeFile("C:\\medium\\Install\\Updater.ex_", "SZDD but not really");
    EXPECT_EQ(machine.install({kFolder}), TInstallOutcome::StayOnOptions);
    EXPECT_EQ(
        test::FilesBelow(sb.root()).erase("C/medium/Install/Updater.ex_ = SZDD but not really"),
        1u);
    auto after = test::FilesBelow(sb.root());
    after.erase("C/medium/Install/Updater.ex_ = SZDD but not really");
    auto before = files;
    std::erase_if(before,
                  [](const std::string& f) { return f.starts_with("C/medium/Install/Up"); });
    EXPECT_EQ(after, before);
    EXPECT_EQ(test::RegistryValues(), values);
}

// Links inside an earlier installation lead a reinstall nowhere: a file behind a linked
// folder stays (named by uninst.ini or by a killed run's placing record), and a link
// under the staging folder's name is neither filled nor emptied into the installation.
TEST(Installer, AReinstallLeavesWhatLinksInTheInstallFolderPointTo) {
    test::Sandbox sb;
    test::InstallSandbox machine(sb);
    machine.makeMedium();
    ASSERT_EQ(machine.install({kFolder}), TInstallOutcome::Installed);
    const std::string c = sb.hostOf('C');
    const std::string install = c + "/Program Files/Quillmoor";
    sb.writeFile("C:\\Outside\\x.txt", "someone else's");
    sb.writeFile("C:\\Staged\\notes.txt", "someone else's too");
    std::filesystem::create_directory_symlink(c + "/Outside", install + "/linkdir");
    std::filesystem::create_directory_symlink(c + "/Staged", install + "/.qmsetup");
    const std::string list = sb.readFile(kBase + "uninst.ini").value_or("");
    sb.writeFile(kBase + "uninst.ini", kBase + "linkdir\\x.txt\r\n" + list);
    // As a killed run's placing record names it: taken back only below the folder.
    sb.writeFile(kBase + ".qmsetup-placing", "file linkdir\\x.txt\n");
    const auto outside = [&] {
        std::set<std::string> files;
        for (const std::string& entry : test::FilesBelow(sb.root()))
            if ((entry.starts_with("C/Outside") || entry.starts_with("C/Staged")) &&
                entry.find(" -> ") == std::string::npos)
                files.insert(entry);
        return files;
    };
    const auto before = outside();

    ASSERT_EQ(machine.install({kFolder}), TInstallOutcome::Installed);
    EXPECT_EQ(outside(), before);
    EXPECT_FALSE(fileExists(kBase + "notes.txt"));
    EXPECT_EQ(sb.readFile(kBase + "uninst.ini").value_or("").find("notes.txt"), std::string::npos);
    EXPECT_EQ(sb.readFile(kBase + "Qmoor"), "the Qmoor program image");
}

// Run by root, setup and the uninstaller take no folder that another user may change, or
// below one they may change: they refuse it before they look inside, so nothing that
// user planted there (a placing record naming a file through a link to root's folder,
// an Uninstall key in the user's own registry) leads root's deletes out of it.
TEST(Installer, RootTakesNoFolderAnotherUserCanChange) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to stand for another user";
    constexpr uid_t kUser = 65534;
    test::Sandbox sb;
    test::InstallSandbox machine(sb);
    machine.makeMedium();
    const std::string c = sb.hostOf('C');
    sb.writeFile("C:\\Root\\secret.txt", "root's own");
    ASSERT_EQ(chmod((c + "/Root").c_str(), 0700), 0);
    const std::string planted = "C:\\Users\\bob\\Quillmoor\\";
    sb.writeFile(planted + ".qmsetup-placing", "file linkdir\\secret.txt\n");
    sb.writeFile(planted + "uninst.ini", planted + "linkdir\\secret.txt\r\n");
    std::filesystem::create_directory_symlink(c + "/Root", c + "/Users/bob/Quillmoor/linkdir");
    for (const char* folder : {"/Users/bob", "/Users/bob/Quillmoor"})
        ASSERT_EQ(lchown((c + folder).c_str(), kUser, kUser), 0);
    sb.writeFile("C:\\Shared\\readme.txt", "everyone's");
    ASSERT_EQ(chmod((c + "/Shared").c_str(), 0777), 0);
    Registry uninstall(RegistryRoot::CurrentUser);
    ASSERT_TRUE(uninstall.openKey(
        "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillmoor", true));
    uninstall.writeString("UninstallString", planted + "Uninstall.exe");
    const auto files = test::FilesBelow(sb.root());

    for (const std::string& folder : {planted, std::string("C:\\Users\\bob\\New\\Quillmoor"),
                                      std::string("C:\\Shared\\Quillmoor")}) {
        SCOPED_TRACE(folder);
        EXPECT_EQ(machine.install({folder, true, true}), TInstallOutcome::StayOnOptions);
        ASSERT_EQ(machine.messages().size(), 1u);
        EXPECT_NE(machine.messages()[0].find("can be changed by another user"), std::string::npos)
            << machine.messages()[0];
    }
    std::vector<std::string> messages;
    EXPECT_EQ(UninstallNow(planted, &messages), 0);
    EXPECT_NE(messages.back().find("can be changed by another user"), std::string::npos)
        << messages.back();
    EXPECT_EQ(test::FilesBelow(sb.root()), files);
}

// An install by root is used by every user of the machine: whatever the administrator's
// umask, every folder it makes (the install folder and the ones below it, the menu's
// folder, the machine's autostart folder) and every file it writes there may be read by
// all, and the programs run by all.
TEST(Installer, WhatRootInstallsEveryUserMayReadWhateverTheUmask) {
    if (geteuid() != 0)
        GTEST_SKIP() << "root's install";
    for (const bool allUsers : {true, false}) {
        SCOPED_TRACE(allUsers);
        test::Sandbox sb;
        test::InstallSandbox machine(sb);
        machine.makeMedium();
        const std::string system = sb.hostOf('S');
        std::filesystem::remove_all(system + "/etc/xdg");
        const mode_t umaskBefore = umask(077);
        const TInstallOutcome outcome = machine.install({kFolder, allUsers, true});
        umask(umaskBefore);
        ASSERT_EQ(outcome, TInstallOutcome::Installed);
        std::vector<std::string> roots = {sb.hostOf('C') + "/Program Files"};
        if (allUsers)
            roots.insert(roots.end(),
                         {system + "/usr/share/applications/Quillmoor", system + "/etc/xdg"});
        std::set<std::string> private_;
        for (const std::string& root : roots) {
            const auto check = [&](const std::filesystem::path& path) {
                struct stat info {};
                ASSERT_EQ(lstat(path.c_str(), &info), 0);
                const mode_t need = S_ISDIR(info.st_mode) ? 0555 : 0444;
                if ((info.st_mode & need) != need)
                    private_.insert(path.string().substr(sb.root().size()));
            };
            check(root);
            for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
                check(entry.path());
        }
        EXPECT_EQ(private_, std::set<std::string>{});
        for (const char* program : {"Qmoor", "updater"}) {
            struct stat info {};
            ASSERT_EQ(stat((sb.hostOf('C') + "/Program Files/Quillmoor/" + program).c_str(), &info),
                      0);
            EXPECT_EQ(info.st_mode & 0555, 0555u) << program;
        }
    }
}

// An administrator's own install through sudo belongs to the user who asked for it: the
// registry entries, menu, desktop and autostart entries all go to that user, in that
// user's home (not root's), owned by the user; a folder of the user's swapped for a link
// to one of root's gets nothing. The uninstaller, run the same way, takes them away.
TEST(Installer, AnInstallThroughSudoPutsEverythingOfTheUsersInTheUsersHome) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to act elevated for another user";
    constexpr uid_t kUser = 65534;
    test::Sandbox sb;
    test::InstallSandbox machine(sb);
    machine.makeMedium();
    const std::string root = sb.root();
    ASSERT_EQ(chmod(root.c_str(), 0755), 0);
    std::filesystem::create_directories(root + "/roothome");
    std::filesystem::create_directories(root + "/rootonly");
    std::filesystem::remove_all(root + "/home/Desktop");
    std::filesystem::create_directory_symlink(root + "/rootonly", root + "/home/Desktop");
    for (const char* folder : {"/home", "/registry"})
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root + folder))
            lchown(entry.path().c_str(), kUser, kUser);
    for (const char* folder : {"/home", "/registry"})
        ASSERT_EQ(chown((root + folder).c_str(), kUser, kUser), 0);
    const auto owner = [&](const std::string& path) {
        struct stat info {};
        return lstat((root + path).c_str(), &info) == 0 ? static_cast<long>(info.st_uid) : -1L;
    };
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
        setenv(name, (root + "/roothome").c_str(), 1);
    setenv("SUDO_UID", std::to_string(kUser).c_str(), 1); // its home: the sandbox's

    const TInstallOutcome outcome = machine.install({kFolder, false, true});
    const std::string menu = "/home/.local/share/applications/Quillmoor/";
    const long menuOwner = owner(menu + "Quillmoor.desktop");
    const long autostartOwner = owner("/home/.config/autostart/quillmoor.desktop");
    const long hiveOwner = owner("/registry/HKEY_CURRENT_USER.hive");
    const std::string uninstallString = Value(
        RegistryRoot::CurrentUser,
        "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillmoor", "UninstallString");
    const std::optional<std::string> userFile = sb.readFile(kBase + "User.dat");
    const auto rootHome = test::FilesBelow(root + "/roothome");
    const auto rootOnly = test::FilesBelow(root + "/rootonly");
    const int uninstalled = UninstallNow(kFolder);
    const bool menuAfter = std::filesystem::exists(root + menu + "Quillmoor.desktop");
    const bool autostartAfter =
        std::filesystem::exists(root + "/home/.config/autostart/quillmoor.desktop");
    unsetenv("SUDO_UID");
    setenv("HOME", (root + "/home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);

    ASSERT_EQ(outcome, TInstallOutcome::Installed) << testing::PrintToString(machine.messages());
    EXPECT_EQ(uninstallString, kBase + "Uninstall.exe");
    EXPECT_EQ(userFile, "alice");
    for (long uid : {menuOwner, autostartOwner, hiveOwner})
        EXPECT_EQ(uid, static_cast<long>(kUser));
    EXPECT_EQ(rootHome, std::set<std::string>{});
    EXPECT_EQ(rootOnly, std::set<std::string>{});
    EXPECT_EQ(uninstalled, 1);
    EXPECT_FALSE(menuAfter);
    EXPECT_FALSE(autostartAfter);
}

} // namespace
} // namespace qm
