#include "controls/shellinfo.h"

#include "platform/driveinfo.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(ShellInfoTest, FileSystemNameIsTheDriveTablesName) {
    test::Sandbox sandbox;
    std::string name = "stale";
    GetFileSystemName("c:\\", name);
    EXPECT_EQ(name, queryDrive('C').fileSystem);
    EXPECT_FALSE(name.empty());
    for (const char* root : {"Q:\\", "", "C"}) {
        name = "stale";
        GetFileSystemName(root, name);
        EXPECT_EQ(name, "") << root;
    }
}

} // namespace
} // namespace qm
