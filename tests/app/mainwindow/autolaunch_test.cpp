#include "app/mainwindow/autolaunch.h"

#include "platform/registry.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace qm {
namespace {

constexpr std::string_view kRun = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr std::string_view kProductRun = "\\SOFTWARE\\Quillmoor\\Run";

std::optional<std::string> readText(const std::string& path) {
    std::ifstream in(path);
    if (!in)
        return std::nullopt;
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Reads an Exec value back the way a desktop reads it: the key file's string escapes
// first, then the quoting of arguments, then "%%" as a literal percent sign. Nothing
// when the value breaks one of those rules.
std::optional<std::vector<std::string>> execArguments(const std::string& value) {
    std::string text;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            text += value[i];
            continue;
        }
        if (++i == value.size())
            return std::nullopt;
        const std::string_view from = "sntr\\", to = " \n\t\r\\";
        const size_t at = from.find(value[i]);
        if (at == std::string_view::npos)
            return std::nullopt;
        text += to[at];
    }
    std::vector<std::string> args;
    std::string arg;
    bool inArg = false, quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted && c == '\\') {
            if (++i == text.size() ||
                std::string_view("\"`$\\").find(text[i]) == std::string_view::npos)
                return std::nullopt;
            arg += text[i];
        } else if (c == '"') {
            quoted = !quoted;
            inArg = true;
        } else if (c == ' ' && !quoted) {
            if (inArg)
                args.push_back(arg);
            arg.clear();
            inArg = false;
        } else {
            arg += c;
            inArg = true;
        }
    }
    if (quoted)
        return std::nullopt;
    if (inArg)
        args.push_back(arg);
    for (std::string& a : args) {
        std::string plain;
        for (size_t i = 0; i < a.size(); ++i) {
            if (a[i] == '%' && (i + 1 == a.size() || a[++i] != '%'))
                return std::nullopt; // a field code we never write
            plain += a[i];
        }
        a = plain;
    }
    return args;
}

std::string execValue(const std::string& entry) {
    const size_t at = entry.find("\nExec=");
    if (at == std::string::npos)
        return {};
    const size_t start = at + 6;
    return entry.substr(start, entry.find('\n', start) - start);
}

class AutoLaunchTest : public ::testing::Test {
  protected:
    AutoLaunchTest() {
        folder = sandbox.hostOf('C') + "/program";
        sandbox.writeFile("C:\\program\\Uninstall", "u");
        sandbox.setFileTime("C:\\program\\Uninstall", 2026, 3, 4, 10, 20, 30);
    }

    TAutoLaunch make() {
        return TAutoLaunch({folder, folder + "/Qmoor", "alice", [this] { return admin; }, {}});
    }
    bool machineValue() {
        Registry registry(RegistryRoot::LocalMachine);
        return registry.openKey(kRun, true) &&
               registry.writeString("Qmoor.exe", folder + "/Qmoor -w") == RegistryStatus::Ok;
    }
    std::string productValue(std::string_view name) {
        Registry registry;
        std::string value;
        registry.openKeyReadOnly(kProductRun);
        registry.readString(name, value);
        return value;
    }
    void setProduct(const std::string& autoValue, uint32_t date) {
        Registry registry;
        ASSERT_TRUE(registry.openKey(kProductRun, true));
        registry.writeString("Auto", autoValue);
        registry.writeDword("Date", date);
    }

    test::Sandbox sandbox;
    std::string folder;
    bool admin = false;
};

TEST_F(AutoLaunchTest, PerUserInstallWritesRunValueAndAutostartEntry) {
    TAutoLaunch launch = make();
    EXPECT_TRUE(launch.AutoLaunchAllowed()) << "fresh profile: allowed";
    EXPECT_EQ(productValue("Auto"), "ON");
    EXPECT_EQ(launch.UpdateRunValue(false), TAutoLaunch::RunValueOutcome::Continue);
    Registry registry;
    std::string data;
    ASSERT_TRUE(registry.openKeyReadOnly(kRun));
    ASSERT_EQ(registry.readString("Qmoor.exe", data), RegistryStatus::Ok);
    EXPECT_EQ(data, folder + "/Qmoor -w");
    const auto entry = readText(launch.autostartFile());
    ASSERT_TRUE(entry);
    EXPECT_NE(entry->find("Exec=\"" + folder + "/Qmoor\" -w\n"), std::string::npos);
    EXPECT_EQ(entry->find("Hidden=true"), std::string::npos);
    EXPECT_EQ(launch.autostartFile(), sandbox.root() + "/config/autostart/quillmoor.desktop");
}

TEST_F(AutoLaunchTest, AutostartEntryStartsProgramsWithAwkwardPaths) {
    for (const std::string name :
         {"Quill moor", "100% safe", "a$HOME b", "say \"hi\"", "back\\slash", "tick`s"}) {
        folder = sandbox.hostOf('C') + "/" + name;
        TAutoLaunch launch = make();
        launch.UpdateRunValue(false);
        const auto entry = readText(launch.autostartFile());
        ASSERT_TRUE(entry) << name;
        const auto args = execArguments(execValue(*entry));
        ASSERT_TRUE(args) << name << ": " << execValue(*entry);
        EXPECT_EQ(*args, (std::vector<std::string>{folder + "/Qmoor", "-w"})) << name;
    }
}

TEST_F(AutoLaunchTest, SwitchingOffKeepsRunValueAndHidesTheEntry) {
    TAutoLaunch launch = make();
    launch.SetStartupAuto(false);
    EXPECT_EQ(productValue("Auto"), "OFF");
    setProduct("OFF", launch.installStamp());
    EXPECT_FALSE(launch.AutoLaunchAllowed());
    EXPECT_NE(readText(launch.autostartFile())->find("Hidden=true"), std::string::npos);
    launch.SetStartupAuto(true);
    EXPECT_TRUE(launch.AutoLaunchAllowed());
    EXPECT_EQ(readText(launch.autostartFile())->find("Hidden=true"), std::string::npos);
}

TEST_F(AutoLaunchTest, ReinstallKeepsTheUsersChoice) {
    // "" stands for no choice stored: logon start follows the Run value then.
    for (const std::string choice : {"OFF", "ON", ""}) {
        TAutoLaunch launch = make();
        launch.UpdateRunValue(false);                  // every start writes the Run value
        setProduct(choice, launch.installStamp() - 1); // an older install
        if (choice.empty()) {
            Registry registry;
            ASSERT_TRUE(registry.openKey(kProductRun, false));
            ASSERT_TRUE(registry.deleteValue("Auto"));
        }
        const bool on = choice != "OFF";
        EXPECT_EQ(launch.AutoLaunchAllowed(), on) << choice;
        EXPECT_EQ(productValue("Auto"), on ? "ON" : "OFF") << choice;
        EXPECT_EQ(launch.AutoLaunchAllowed(), on) << choice << ": the second check agrees";
        EXPECT_EQ(readText(launch.autostartFile())->find("Hidden=true") == std::string::npos, on)
            << choice;
    }
}

TEST_F(AutoLaunchTest, OtherUsersInstallAllowsOnlyAdministrators) {
    sandbox.writeFile("C:\\program\\User.dat", "bob");
    EXPECT_FALSE(make().AutoLaunchAllowed());
    admin = true;
    EXPECT_TRUE(make().AutoLaunchAllowed());
    admin = false;
    sandbox.writeFile("C:\\program\\User.dat", "alice");
    EXPECT_TRUE(make().AutoLaunchAllowed());
    sandbox.writeFile("C:\\program\\User.dat", "");
    EXPECT_FALSE(make().AutoLaunchAllowed()) << "an empty name matches nobody";
}

TEST_F(AutoLaunchTest, BothRunValuesEndOnlyALogonStart) {
    if (!machineValue())
        GTEST_SKIP() << "the machine hive is not writable here";
    TAutoLaunch launch = make();
    Registry user;
    ASSERT_TRUE(user.openKey(kRun, true));
    user.writeString("Qmoor.exe", folder + "/Qmoor -w");
    EXPECT_EQ(launch.UpdateRunValue(false), TAutoLaunch::RunValueOutcome::Continue);
    EXPECT_FALSE(launch.UserRunValueExists()) << "the duplicate is removed";
    user.writeString("Qmoor.exe", folder + "/Qmoor -w");
    EXPECT_EQ(launch.UpdateRunValue(true), TAutoLaunch::RunValueOutcome::EndThisStart);
    EXPECT_FALSE(launch.UserRunValueExists());
    Registry machine(RegistryRoot::LocalMachine);
    machine.deleteKey(kRun);
}

TEST_F(AutoLaunchTest, DuplicateRunValuesOfThisProgramKeepTheFirst) {
    Registry registry;
    ASSERT_TRUE(registry.openKey(kRun, true));
    registry.writeString("Qmoor.exe", folder + "/Qmoor -w");
    registry.writeString("Other", "/usr/bin/other");
    registry.writeString("Copy", folder + "/QMOOR -w");
    registry.writeString("Copy2", folder + "/Qmoor");
    registry.writeString("Helper", folder + "/Qmoor-helper -w"); // another program
    registry.writeString("Quoted", "\"" + folder + "/Qmoor\" -w");
    EXPECT_EQ(make().RemoveDuplicateRunValues(), 3);
    EXPECT_EQ(registry.valueNames(), (std::vector<std::string>{"Qmoor.exe", "Other", "Helper"}));
}

} // namespace
} // namespace qm
