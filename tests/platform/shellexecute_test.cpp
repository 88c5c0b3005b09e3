#include "platform/shellexecute.h"

#include "platform/realuser.h"
#include "support/sandbox.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>

namespace qm {
namespace {

namespace fs = std::filesystem;

// Waits (bounded) until a file the started program writes is complete.
std::string waitForFile(const std::string& path) {
    for (int i = 0; i < 500; ++i) {
        std::ifstream in(path);
        std::string text((std::istreambuf_iterator<char>(in)), {});
        if (text.find("end") != std::string::npos)
            return text;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return {};
}

bool reaped(pid_t pid) {
    for (int i = 0; i < 500; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) < 0 && errno == ECHILD)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class ShellExecuteTest : public testing::Test {
  protected:
    ShellExecuteTest() {
        out = sandbox.root() + "/out.txt";
        script = sandbox.writeFile("C:\\Quillmoor\\Updater.exe",
                                   "#!/bin/sh\nfor a in \"$@\"; do echo \"[$a]\"; done > " + out +
                                       ".part\npwd >> " + out + ".part\necho end >> " + out +
                                       ".part\nmv " + out + ".part " + out + "\n");
        fs::permissions(script, fs::perms::owner_all);
        setenv("QUILLMOOR_OPENER", script.c_str(), 1);
    }
    ~ShellExecuteTest() override { unsetenv("QUILLMOOR_OPENER"); }

    test::Sandbox sandbox;
    std::string out, script;
};

TEST_F(ShellExecuteTest, StartsAProgramWithArgumentsDetachedAndReaped) {
    auto pid = ShellExecute("C:\\Quillmoor\\Updater.exe ", "-w \"two words\"", "E:\\");
    ASSERT_TRUE(pid.has_value());
    EXPECT_EQ(waitForFile(out), "[-w]\n[two words]\n" + sandbox.hostOf('E') + "\nend\n");
    EXPECT_TRUE(reaped(*pid));
}

TEST_F(ShellExecuteTest, UrlsAndDocumentsGoToTheOpener) {
    ASSERT_TRUE(ShellExecute("https://example.invalid/quillmoor").has_value());
    EXPECT_TRUE(waitForFile(out).starts_with("[https://example.invalid/quillmoor]\n"));
    fs::remove(out);
    sandbox.writeFile("C:\\Help\\index.htm", "<html>");
    ASSERT_TRUE(ShellExecute("C:\\Help\\index.htm", "ignored").has_value());
    EXPECT_TRUE(waitForFile(out).starts_with("[" + sandbox.hostOf('C') + "/Help/index.htm]\n"));
    fs::remove(out);
    sandbox.writeFile("C:\\Help\\notes ", "a name that ends in a blank");
    sandbox.writeFile("C:\\Help\\notes", "another file");
    ASSERT_TRUE(ShellExecute("C:\\Help\\notes ").has_value());
    EXPECT_TRUE(waitForFile(out).starts_with("[" + sandbox.hostOf('C') + "/Help/notes ]\n"));
}

TEST_F(ShellExecuteTest, BareNameStartsTheCheckedFileNotOneOnThePath) {
    const fs::path here = fs::path(sandbox.root()) / "here";
    const fs::path onPath = fs::path(sandbox.root()) / "bin";
    fs::create_directories(here);
    fs::create_directories(onPath);
    fs::copy_file(script, here / "qmprog");
    {
        std::ofstream impostor(onPath / "qmprog");
        impostor << "#!/bin/sh\necho impostor > " << out << ".part\necho end >> " << out
                 << ".part\nmv " << out << ".part " << out << "\n";
    }
    fs::permissions(onPath / "qmprog", fs::perms::owner_all);
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    const fs::path oldDir = fs::current_path();
    setenv("PATH", (onPath.string() + ":" + oldPath).c_str(), 1);
    fs::current_path(here);
    auto pid = ShellExecute("qmprog", "x", "E:\\");
    fs::current_path(oldDir);
    setenv("PATH", oldPath.c_str(), 1);
    ASSERT_TRUE(pid.has_value());
    EXPECT_EQ(waitForFile(out), "[x]\n" + sandbox.hostOf('E') + "\nend\n");
}

TEST_F(ShellExecuteTest, MissingFilesStartNothing) {
    EXPECT_FALSE(ShellExecute("C:\\Quillmoor\\common.exe"));
    EXPECT_FALSE(ShellExecute("Q:\\nowhere.exe"));
    EXPECT_FALSE(ShellExecute(""));
}

TEST(ShellParameters, Splitting) {
    EXPECT_EQ(splitParameters(" -w  a\"b c\" \"\" "), (std::vector<std::string>{"-w", "ab c", ""}));
    EXPECT_TRUE(splitParameters("").empty());
}

TEST(RealUser, SudoUserNamesTheUserWhenElevated) {
    const char* saved = std::getenv("SUDO_USER");
    std::string plain = GetUserName();
    EXPECT_FALSE(plain.empty());
    setenv("SUDO_USER", "ann", 1);
    EXPECT_EQ(GetUserName(), geteuid() == 0 ? "ann" : plain);
    if (saved)
        setenv("SUDO_USER", saved, 1);
    else
        unsetenv("SUDO_USER");
}

} // namespace
} // namespace qm
