#include "app/drives/drivepoll.h"

#include "app/drives/mediadrives.h"
#include "app/stores/settingsstore.h"
#include "platform/fileio.h"
#include "platform/removabledrives.h"
#include "scriptedmessages.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace qm {
namespace {

namespace fs = std::filesystem;
using V = std::vector<std::string>;

class DrivePollTest : public ::testing::Test {
  protected:
    DrivePollTest() {
        ClearNoMediaDrives();
        TDrivePoll::Hooks hooks;
        hooks.message = messages.fn();
        hooks.autoLaunchDisabled = [this] { return autoLaunchDisabled; };
        hooks.autoOpenBackup = [] { return true; };
        hooks.windowInView = [this] { return inView; };
        hooks.openWindow = [this](bool backup) { opened.push_back(backup); };
        hooks.saveSelections = [this] { ++saves; };
        poll = std::make_unique<TDrivePoll>(hooks);
        poll->subscribe([this](const TDriveChange& change) { changes.push_back(change); });
        poll->start();
        poll->Tmr_DrivesTimer();
        changes.clear();
    }
    ~DrivePollTest() override {
        uninstallRemovableDrives();
        ClearNoMediaDrives();
    }
    const TDriveChange& tick() {
        poll->Tmr_DrivesTimer();
        return changes.back();
    }

    test::Sandbox sandbox;
    test::ScriptedMessages messages;
    std::unique_ptr<TDrivePoll> poll;
    std::vector<TDriveChange> changes;
    std::vector<bool> opened;
    int saves = 0;
    bool autoLaunchDisabled = false, inView = false;
};

TEST_F(DrivePollTest, AQuietTickChangesNothingButStillRefillsTheCombos) {
    const TDriveChange& change = tick();
    EXPECT_FALSE(change.anyDriveChange());
    EXPECT_TRUE(change.mediaCaptions.empty());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(saves, 0);
}

// F: goes and G: comes between two ticks: the same count, but both are seen.
TEST_F(DrivePollTest, ARemovalAndAPlugInBetweenTwoTicksAreBothNoticed) {
    sandbox.addDrive('F', DriveType::Removable);
    tick();
    messages.shown.clear();
    DriveTable::instance().unmap('F');
    sandbox.addDrive('G', DriveType::Removable);
    const TDriveChange& change = tick();
    EXPECT_EQ(messages.shown, V{TDrivePoll::kNewDriveQuestion});
    EXPECT_TRUE(change.sourcesChanged);
    EXPECT_TRUE(change.reapplySelection);
    EXPECT_EQ(saves, 2) << "ticks are kept before each change";
}

TEST_F(DrivePollTest, NoIsAskedOnceAndAnEmptySlotIsNotAskedAbout) {
    DriveTable::instance().map('G', sandbox.root() + "/card", DriveType::Removable);
    tick();
    EXPECT_TRUE(messages.shown.empty()) << "no medium in the slot: nothing to ask about";
    fs::create_directories(sandbox.root() + "/card");
    tick();
    tick();
    EXPECT_EQ(messages.shown, V{TDrivePoll::kNewDriveQuestion}) << "asked once, answered No";
    EXPECT_FALSE(IsMediaDrive("G:\\"));
}

TEST_F(DrivePollTest, YesMakesTheNewDriveTheCurrentMediaDriveAndOpensTheWindow) {
    messages.answers = {kResultYes};
    sandbox.addDrive('G', DriveType::Removable);
    const TDriveChange& change = tick();
    EXPECT_TRUE(IsMediaDrive("G:\\"));
    EXPECT_TRUE(change.mediaAppeared);
    EXPECT_EQ(change.mediaCaptions, V{"(G:\\)"});
    EXPECT_EQ(change.currentCaption, "(G:\\)");
    EXPECT_EQ(TSettingsStore().mediaDrive(), "G");
    EXPECT_EQ(opened, std::vector<bool>{true});
    EXPECT_FALSE(tick().mediaAppeared) << "only once";
}

TEST_F(DrivePollTest, AFailedMakeIsReported) {
    messages.answers = {kResultYes};
    sandbox.addDrive('G', DriveType::Removable);
    sandbox.writeFile("G:\\Quillmoor", "a file where the folder belongs");
    tick();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1], MakeMediaDriveFailedText("(G:\\)"));
}

TEST_F(DrivePollTest, WithAutoLaunchDisabledNothingIsAskedOrOpenedButListsFollow) {
    autoLaunchDisabled = true;
    sandbox.addDrive('G', DriveType::Removable);
    sandbox.addDrive('H', DriveType::Removable);
    sandbox.writeFile("H:\\Quillmoor\\drives.dat", std::string(24, '\0'));
    const TDriveChange& change = tick();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(change.mediaAppeared);
    EXPECT_EQ(change.mediaCaptions, V{"(H:\\)"});
}

TEST_F(DrivePollTest, AMediaDrivePresentAtStartIsNotNew) {
    sandbox.writeFile("E:\\Quillmoor\\drives.dat", std::string(24, '\0'));
    TDrivePoll fresh({});
    std::vector<TDriveChange> seen;
    fresh.subscribe([&](const TDriveChange& c) { seen.push_back(c); });
    fresh.start();
    fresh.Tmr_DrivesTimer();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_FALSE(seen[0].mediaAppeared);
    EXPECT_EQ(seen[0].mediaCaptions, V{"(E:\\)"});
}

// A stick mounted while the program runs gets a letter and its volume label at the
// next tick, and loses the letter when it is unmounted.
TEST_F(DrivePollTest, AMountedStickIsNoticedWithinOneTickWithItsLabel) {
    const std::string mounts = sandbox.root() + "/mounts";
    const std::string stick = sandbox.root() + "/media/stick";
    fs::create_directories(stick);
    fs::create_directories(sandbox.root() + "/sys/sdz");
    std::ofstream(sandbox.root() + "/sys/sdz/removable") << "1\n";
    fs::create_symlink("../../sdz1", sandbox.root() + "/dev/disk/by-label/MY\\x20STICK");
    std::ofstream(mounts) << "/dev/sda1 / ext4 rw 0 0\n";
    installRemovableDrives({mounts, sandbox.root() + "/sys", "nobody-here"});
    tick();
    std::ofstream(mounts, std::ios::app) << "/dev/sdz1 " << stick << " vfat rw 0 0\n";
    const TDriveChange& change = tick();
    EXPECT_TRUE(change.sourcesChanged);
    EXPECT_EQ(messages.shown, V{TDrivePoll::kNewDriveQuestion});
    std::optional<DriveEntry> drive = DriveTable::instance().find('D');
    ASSERT_TRUE(drive);
    EXPECT_EQ(drive->hostRoot, stick);
    EXPECT_EQ(drive->label, "MY STICK");

    std::ofstream(mounts) << "/dev/sda1 / ext4 rw 0 0\n";
    EXPECT_TRUE(tick().sourcesChanged);
    EXPECT_FALSE(DriveTable::instance().find('D'));
}

} // namespace
} // namespace qm
