#include "platform/updatestaging.h"

#include "support/sandbox.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

namespace qm {
namespace {

namespace fs = std::filesystem;

// Of everything an install folder's "Temp" may hold, only the staging folder of an
// updater that is gone is removed: not one a running updater holds, not the user's
// folders that look alike, and no link is followed.
TEST(UpdateStaging, OnlyStaleStagingFoldersAreRemoved) {
    test::Sandbox sb;
    const std::string install = sb.hostOf('C') + "/Program Files/Quillmoor";
    const std::string temp = install + "/Temp";
    fs::create_directories(temp + "/update-Ab3dE9/files/Help");
    fs::create_directories(temp + "/update-Ab3dE9/ready");
    sb.writeFile("C:\\Program Files\\Quillmoor\\Temp\\update-Ab3dE9\\files\\Help\\a.htm", "half");
    sb.writeFile("C:\\Program Files\\Quillmoor\\Temp\\update-Ab3dE9\\~000.tmp", "4711");
    fs::create_directories(temp + "/update-000000"); // made, then the updater was killed
    sb.writeFile("C:\\Program Files\\Quillmoor\\Temp\\update-mine01\\letter.txt", "mine");
    sb.writeFile("C:\\Program Files\\Quillmoor\\Temp\\update-notes1\\files", "a file, no area");
    fs::create_directories(temp + "/update-other1/files");
    const bool root = ::geteuid() == 0;
    if (root) { // another user's folder
        ASSERT_EQ(::chown((temp + "/update-other1").c_str(), 65534, 65534), 0);
    }
    sb.writeFile("C:\\elsewhere\\files\\keep.txt", "keep");
    fs::create_directory_symlink(sb.hostOf('C') + "/elsewhere", temp + "/update-link01");
    std::string running;
    const UniqueFd held = updatestaging::MakeStagingFolder(temp, running);
    ASSERT_GE(held.get(), 0);
    fs::create_directory(running + "/files");

    EXPECT_EQ(updatestaging::RemoveStaleUpdateFolders(install), root ? 2 : 3);
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(temp))
        left.insert(entry.path().filename().string());
    std::set<std::string> kept = {fs::path(running).filename().string(), "update-mine01",
                                  "update-notes1", "update-link01"};
    if (root)
        kept.insert("update-other1");
    EXPECT_EQ(left, kept);
    EXPECT_EQ(sb.readFile("C:\\elsewhere\\files\\keep.txt"), "keep");

    // "Temp" itself as a link is never entered.
    fs::remove_all(temp);
    fs::create_directories(sb.hostOf('C') + "/other/update-Zz9999/files");
    fs::create_directory_symlink(sb.hostOf('C') + "/other", temp);
    EXPECT_EQ(updatestaging::RemoveStaleUpdateFolders(install), 0);
    EXPECT_TRUE(fs::exists(sb.hostOf('C') + "/other/update-Zz9999/files"));
}

} // namespace
} // namespace qm
