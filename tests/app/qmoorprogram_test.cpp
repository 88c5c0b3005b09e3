#include "app/qmoorprogram.h"

#include "app/programfiles.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

struct ArgsRow {
    std::vector<std::string> args;
    bool logon;
};

class LogonStart : public ::testing::TestWithParam<ArgsRow> {};

TEST_P(LogonStart, OnlyAnArgumentEqualToDashWCounts) {
    EXPECT_EQ(isLogonStart(GetParam().args), GetParam().logon);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, LogonStart,
    ::testing::Values(ArgsRow{{"/opt/q/Qmoor", "-w"}, true}, ArgsRow{{"/opt/q/Qmoor"}, false},
                      ArgsRow{{"/opt/q/Qmoor", "-W"}, false},
                      ArgsRow{{"/opt/q/Qmoor", "/home/andrew"}, false}, // ends in "w"
                      ArgsRow{{"/opt/q/Qmoor", "x", "-w"}, true}, ArgsRow{{"-w"}, false}));

TEST(ProgramFiles, WindowsNamesMapToTheProgramFolderNames) {
    EXPECT_EQ(hostProgramFile("Updater.exe"), "updater");
    EXPECT_EQ(hostProgramFile("QMOOR.EXE"), "Qmoor");
    EXPECT_EQ(hostProgramFile("User.dat"), "User.dat");
    EXPECT_EQ(hostProgramPath("/opt/q", "Uninstall.exe"), "/opt/q/Uninstall");
    EXPECT_EQ(hostProgramPath("/opt/q/", "Updater.exe"), "/opt/q/updater");
}

} // namespace
} // namespace qm
