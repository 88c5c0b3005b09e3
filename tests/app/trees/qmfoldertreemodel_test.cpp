#include "app/trees/qmfoldertreemodel.h"

#include "app/drives/treedrives.h"
#include "app/trees/qmfilelistmodel.h"
#include "platform/fileio.h"
#include "platform/fileoperations.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace qm {
namespace {

class FolderTreeTest : public ::testing::Test {
  protected:
    FolderTreeTest() {
        for (const char* folder : {"C:\\a\\a1", "C:\\a\\a2", "C:\\b2\\x", "C:\\p\\p1", "C:\\p\\p2",
                                   "C:\\leaf", "C:\\Recycled", "C:\\.hidden"})
            createFolderChain(folder);
        for (const char* file : {"C:\\a\\f1.txt", "C:\\a\\f2.txt", "C:\\b2\\y.txt",
                                 "C:\\p\\p2\\z.txt", "C:\\a\\a1\\deep.txt"})
            sandbox.writeFile(file, "x");
        list.FolderTree = &tree;
        tree.Filelist = &list;
        tree.setActive(true);
    }

    TCheckNode* node(const std::string& path) { return tree.FindFolderNode(path); }
    int state(const std::string& path) { return node(path) ? node(path)->state : 0; }
    void tickFile(const std::string& name, bool on) {
        for (size_t i = 0; i < list.rows().size(); ++i) {
            if (list.rows()[i].name == name) {
                ASSERT_TRUE(list.tick(static_cast<int>(i), on));
            }
        }
    }
    bool rowTicked(const std::string& name) {
        for (const auto& row : list.rows())
            if (row.name == name)
                return row.checked;
        ADD_FAILURE() << name << " not listed";
        return false;
    }
    void expectConsistent() {
        std::string problem;
        EXPECT_TRUE(tree.isConsistent(&problem)) << problem;
    }

    test::Sandbox sandbox;
    TQmFilelistModel list;
    TQMFolderTreeModel tree{[] { return std::vector<std::string>{"C:\\"}; }};
};

TEST_F(FolderTreeTest, DriveFirstLevelIsReadWithoutRecycledOrLinksAndLeavesShowNoButton) {
    std::filesystem::create_directory_symlink(sandbox.hostOf('C'), sandbox.hostOf('C') + "/loop");
    tree.Reload();
    ASSERT_EQ(tree.roots().size(), 1u);
    const TCheckNode* root = tree.firstRoot();
    EXPECT_EQ(root->text, "Local Disk (C:)");
    std::vector<std::string> labels;
    for (const auto& child : root->children)
        labels.push_back(child->text);
    EXPECT_EQ(labels, (std::vector<std::string>{".hidden", "a", "b2", "leaf", "p", "program"}));
    EXPECT_TRUE(root->children[0]->hidden);
    EXPECT_TRUE(node("C:\\b2")->showsButton());
    EXPECT_FALSE(node("C:\\leaf")->showsButton());
    EXPECT_EQ(node("C:\\recycled"), nullptr);
    EXPECT_EQ(node("C:"), nullptr) << "two characters find nothing";
    EXPECT_EQ(tree.selected(), nullptr);
    EXPECT_EQ(node("c:\\A\\A1"), node("C:\\a\\a1")) << "paths match whatever their case";
}

// One scenario per row: an action, then the states it must leave.
TEST_F(FolderTreeTest, ClicksAndFileTicksPropagateAndEveryStepStaysConsistent) {
    struct Step {
        const char* action; // click <folder>, select <folder>, tick <file>, untick <file>
        const char* target;
        std::vector<std::pair<const char*, int>> states;
    };
    const Step steps[] = {
        {"click", "C:\\p\\p1", {{"C:\\p\\p1", 2}, {"C:\\p", 3}, {"C:\\", 3}}},
        // grey, then checked once both subfolders are ticked
        {"click", "C:\\p\\p2", {{"C:\\p", 2}, {"C:\\", 3}}},
        {"click", "C:\\p", {{"C:\\p", 1}, {"C:\\p\\p1", 1}, {"C:\\p\\p2", 1}, {"C:\\", 1}}},
        {"click", "C:\\p\\p1", {{"C:\\p", 3}}},
        // a grey folder clicked is unticked with everything below it
        {"click", "C:\\p", {{"C:\\p", 1}, {"C:\\p\\p1", 1}, {"C:\\", 1}}},
        // its own files shown and left unticked keep it grey
        {"select", "C:\\a", {}},
        {"click", "C:\\a\\a1", {{"C:\\a", 3}}},
        {"click", "C:\\a\\a2", {{"C:\\a", 3}}},
        {"tick", "f1.txt", {{"C:\\a", 3}}},
        {"tick", "f2.txt", {{"C:\\a", 2}, {"C:\\", 3}}},
        {"untick", "f1.txt", {{"C:\\a", 3}}},
        {"click", "C:\\a", {{"C:\\a", 1}, {"C:\\a\\a1", 1}, {"C:\\", 1}}},
        // subfolders that exist but were never read count as unticked
        {"select", "C:\\b2", {}},
        {"tick", "y.txt", {{"C:\\b2", 3}, {"C:\\", 3}}},
        {"untick", "y.txt", {{"C:\\b2", 1}, {"C:\\", 1}}},
        // the only file of a folder without subfolders decides it
        {"select", "C:\\p\\p2", {}},
        {"tick", "z.txt", {{"C:\\p\\p2", 2}, {"C:\\p", 3}}},
        {"untick", "z.txt", {{"C:\\p\\p2", 1}, {"C:\\p", 1}}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::string(step.action) + " " + step.target);
        const std::string action = step.action;
        if (action == "click") {
            ASSERT_TRUE(tree.click(node(step.target)));
            EXPECT_EQ(node(step.target)->bold, node(step.target)->state == 2);
        } else if (action == "select") {
            tree.select(node(step.target));
        } else {
            tickFile(step.target, action == "tick");
        }
        for (const auto& [path, expected] : step.states)
            EXPECT_EQ(state(path), expected) << path;
        expectConsistent();
    }
}

TEST_F(FolderTreeTest, FolderIsSettledByFlaggedFilesOnlyNotBySubfolderChains) {
    tree.displayName = [](const std::string& path, bool) { return "[" + path + "]"; };
    tree.Reload();
    tree.select(node("C:\\a\\a1")); // leaves a chain node for a1 under a's chain
    tree.select(node("C:\\a"));
    ASSERT_TRUE(tree.click(node("C:\\a\\a1")));
    ASSERT_TRUE(tree.click(node("C:\\a\\a2")));
    tickFile("f1.txt", true);
    tickFile("f2.txt", true);
    EXPECT_EQ(state("C:\\a"), 2) << "a1's chain node is not one of a's files";
    expectConsistent();
}

TEST_F(FolderTreeTest, UntickedFolderTakesItsFileTicksAlongSoTheyDoNotComeBack) {
    tree.select(node("C:\\a"));
    tickFile("f1.txt", true);
    tree.select(node("C:\\p")); // a is no longer the folder shown
    ASSERT_TRUE(tree.click(node("C:\\a")));
    EXPECT_EQ(state("C:\\a"), 1);
    expectConsistent();
    ASSERT_TRUE(tree.click(node("C:\\a\\a1")));
    tree.select(node("C:\\a"));
    EXPECT_FALSE(rowTicked("f1.txt")) << "the file was unticked with its folder";
}

TEST_F(FolderTreeTest, NewFileInPartlyTickedFolderShowsUntickedAfterARefresh) {
    tree.select(node("C:\\a"));
    tickFile("f1.txt", true);
    ASSERT_EQ(state("C:\\a"), 3);
    sandbox.writeFile("C:\\a\\new.txt", "x");
    list.RemoveMissingFiles();
    ASSERT_EQ(list.rows().size(), 3u) << "a refresh reads the folder again";
    EXPECT_TRUE(rowTicked("f1.txt"));
    EXPECT_FALSE(rowTicked("new.txt")) << "it is not part of the backup";
    EXPECT_FALSE(rowTicked("f2.txt"));
    expectConsistent();
}

TEST_F(FolderTreeTest, RefreshDropsVanishedFoldersFirstAndReadsLeavesOnlyForRealSubfolders) {
    ASSERT_TRUE(tree.click(node("C:\\p\\p1")));
    sandbox.writeFile("C:\\p\\p2\\w.txt", "x");
    tree.select(node("C:\\p\\p2"));
    tickFile("z.txt", true);
    ASSERT_EQ(state("C:\\p"), 3);
    ASSERT_TRUE(deleteFolderTree("C:\\p\\p2"));
    sandbox.writeFile("C:\\leaf\\only-a-file.txt", "x");
    ASSERT_TRUE(tree.click(node("C:\\leaf")));
    tree.RefreshFolders();
    EXPECT_EQ(tree.FindFolderNode("C:\\p\\p2"), nullptr);
    EXPECT_EQ(tree.fileTree().FindPath("C:\\p\\p2", {}), nullptr) << "its ticks went with it";
    EXPECT_EQ(state("C:\\p"), 2) << "judged by the subfolder that is left";
    EXPECT_TRUE(node("C:\\leaf")->children.empty());
    createFolderChain("C:\\leaf\\new");
    tree.RefreshFolders();
    ASSERT_EQ(node("C:\\leaf")->children.size(), 1u);
    EXPECT_EQ(state("C:\\leaf\\new"), 2) << "a new subfolder of a ticked folder is ticked";
    expectConsistent();
}

TEST_F(FolderTreeTest, SavedSelectionComesBackAndVanishedPathsAreSkipped) {
    createFolderChain("C:\\a\\a1\\deeper");
    tree.LoadSelection({"C:\\a\\a1\\deeper", "C:\\gone", "C:\\b2"}, {"C:\\", "C:\\a", "C:\\p"});
    tree.LoadFileSelection({"C:\\a\\f2.txt", "C:\\p\\p2\\gone.txt"});
    EXPECT_EQ(state("C:\\a\\a1\\deeper"), 2);
    EXPECT_EQ(state("C:\\b2"), 2);
    EXPECT_EQ(state("C:\\a\\a1"), 3);
    EXPECT_EQ(state("C:\\a"), 3);
    EXPECT_EQ(state("C:\\p"), 1) << "grey with nothing ticked below it any more";
    EXPECT_EQ(state("C:\\"), 3);
    tree.select(node("C:\\a"));
    EXPECT_TRUE(rowTicked("f2.txt"));
    EXPECT_FALSE(rowTicked("f1.txt"));
    expectConsistent();
    tree.ClearSelection();
    EXPECT_EQ(state("C:\\a\\a1\\deeper"), 1);
    EXPECT_FALSE(node("C:\\a\\a1\\deeper")->bold);
    expectConsistent();
    const std::vector<uint8_t> cleared = tree.SaveStates();
    ASSERT_TRUE(tree.click(node("C:\\b2")));
    const std::vector<uint8_t> ticked = tree.SaveStates();
    tree.LoadStates(cleared);
    EXPECT_EQ(state("C:\\b2"), 1);
    tree.LoadStates(ticked);
    EXPECT_EQ(state("C:\\b2"), 2);
}

TEST_F(FolderTreeTest, ReloadKeepsTheTicksOfFoldersStillThere) {
    ASSERT_TRUE(tree.click(node("C:\\a\\a2")));
    tree.Reload();
    EXPECT_EQ(state("C:\\a\\a2"), 2);
    EXPECT_EQ(state("C:\\a"), 3);
    expectConsistent();
}

// A walk over a few thousand folders lets events run all along; what those events ask
// for waits until the walk is over and never frees a node the walk holds.
TEST_F(FolderTreeTest, LongWalksLetEventsRunAndHoldBackWhatWouldFreeTheirNodes) {
    sandbox.addMemoryDrive('H', DriveType::Fixed);
    for (int i = 0; i < 3000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "H:\\big\\d%04d", i);
        createFolderChain(name);
    }
    TQMFolderTreeModel tree{[] { return std::vector<std::string>{"C:\\", "H:\\"}; }};
    tree.Filelist = &list;
    list.FolderTree = &tree;
    tree.setActive(true);
    auto node = [&](const std::string& path) { return tree.FindFolderNode(path); };
    auto state = [&](const std::string& path) { return node(path) ? node(path)->state : 0; };
    int pumps = 0;
    bool clickRefused = false;
    bool refreshHeld = false;
    tree.servePending = [&] {
        if (++pumps != 500)
            return;
        clickRefused = !tree.click(tree.firstRoot());
        removeFolder("H:\\big\\d2999");
        tree.RefreshFolders();
        tree.Reload();
        refreshHeld = tree.walks().pending("refresh") && tree.walks().pending("reload");
    };
    TCheckNode* big = node("H:\\big");
    ASSERT_TRUE(tree.click(big));
    tree.expand(big);
    EXPECT_NE(node("H:\\big\\d2999"), nullptr) << "held back while the walk ran";
    tree.runDeferred(); // the event loop's next turn
    EXPECT_GE(pumps, 3000);
    EXPECT_TRUE(clickRefused);
    EXPECT_TRUE(refreshHeld);
    EXPECT_EQ(tree.FindFolderNode("H:\\big\\d2999"), nullptr) << "the refresh ran afterwards";
    ASSERT_NE(node("H:\\big"), nullptr);
    EXPECT_EQ(node("H:\\big")->children.size(), 2999u);
    EXPECT_EQ(state("H:\\big\\d1234"), 2);
    std::string problem;
    EXPECT_TRUE(tree.isConsistent(&problem)) << problem;
}

TEST(TreeDrivesTest, ShowsSourceDrivesWithAMediumAndNeverRemovesAMarker) {
    test::Sandbox sandbox;
    sandbox.addDrive('F', DriveType::Removable);
    sandbox.addDrive('D', DriveType::CdRom);
    sandbox.addDrive('B', DriveType::Removable);
    DriveTable::instance().map('G', sandbox.root() + "/no-medium", DriveType::Removable);
    sandbox.writeFile("E:\\Quillmoor\\drives.dat", std::string(24, '\0'));
    sandbox.writeFile("F:\\Quillmoor\\drives.dat", std::string(23, '\0'));
    EXPECT_EQ(EnumLocalDrives(), (std::vector<std::string>{"C:\\", "E:\\", "F:\\", "G:\\"}));
    EXPECT_EQ(GetTreeDrives(), (std::vector<std::string>{"C:\\", "F:\\"}));
    sandbox.writeFile("C:\\Quillmoor\\drives.dat", std::string(24, '\0'));
    sandbox.writeFile("F:\\Quillmoor\\drives.dat", std::string(24, '\0'));
    EXPECT_TRUE(GetTreeDrives().empty());
    EXPECT_EQ(fileSize("C:\\Quillmoor\\drives.dat"), 24) << "listing changes no drive";
}

} // namespace
} // namespace qm
