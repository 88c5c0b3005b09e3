#include "app/pages/backup/backuppagemodel.h"

#include "app/drives/drivepoll.h"
#include "app/drives/mediadrives.h"
#include "app/stores/selectionfiles.h"
#include "app/stores/settingsinforce.h"
#include "platform/drivetable.h"
#include "platform/fileio.h"
#include "scriptedmessages.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qm {
namespace {

class BackupPageTest : public ::testing::Test {
  protected:
    BackupPageTest() {
        sandbox.addDrive('F', DriveType::Removable);
        EXPECT_TRUE(MakeMediaDrive("E:\\"));
        EXPECT_TRUE(MakeMediaDrive("F:\\"));
        SetMediaDriveSetting("(E:\\)");
        for (const char* folder : {"C:\\dir\\sub", "C:\\other"})
            createFolderChain(folder);
        for (const char* file : {"C:\\name.ext", "C:\\other\\o1", "C:\\other\\o2", "C:\\other\\o3"})
            sandbox.writeFile(file, "x");
        page = std::make_unique<TBackupPageModel>(poll, settings, messages.fn());
        page->pageVisible = [] { return true; };
        page->selectionsChanged = [this] { ++selectionsChanged; };
        page->FormCreate();
    }

    TCheckNode* node(const std::string& path) { return page->tree().FindFolderNode(path); }
    void tick(const std::string& path) { ASSERT_TRUE(page->tree().click(node(path))) << path; }
    void tickFile(const std::string& folder, const std::string& name) {
        page->tree().select(node(folder));
        const auto& rows = page->files().rows();
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].name == name) {
                EXPECT_TRUE(page->files().tick(static_cast<int>(i), true));
            }
        }
    }
    int state(const std::string& path) { return node(path)->state; }
    std::string saved(char drive, const char* name) {
        return sandbox.readFile(std::string(1, drive) + ":\\Quillmoor\\Selections\\" + name)
            .value_or("<missing>");
    }

    test::Sandbox sandbox;
    test::ScriptedMessages messages;
    TDrivePoll poll{TDrivePoll::Hooks{}};
    TSettingsInForce settings;
    std::unique_ptr<TBackupPageModel> page;
    int selectionsChanged = 0;
};

TEST_F(BackupPageTest, SelectionFilesAndTheBackupListFollowTheTreeOrder) {
    tick("C:\\dir");
    tickFile("C:\\other", "o1");
    tickFile("C:\\other", "o2");
    tickFile("C:\\", "name.ext");
    ASSERT_EQ(state("C:\\other"), 3);
    ASSERT_EQ(state("C:\\"), 3);
    ASSERT_TRUE(page->SaveSelections(true, "(E:\\)"));
    EXPECT_EQ(saved('E', "BackupSelFolders.dat"), "C:\\dir\r\n");
    EXPECT_EQ(saved('E', "BackupSelGray.dat"), "C:\\\r\nC:\\other\r\n");
    EXPECT_EQ(saved('E', "BackupSelFiles.dat"),
              "C:\\name.ext\r\nC:\\other\\o1\r\nC:\\other\\o2\r\n");
    const std::vector<std::pair<std::string, bool>> expected = {{"C:\\name.ext", false},
                                                                {"C:\\dir", true},
                                                                {"C:\\other\\o1", false},
                                                                {"C:\\other\\o2", false}};
    std::vector<std::pair<std::string, bool>> collected;
    for (const auto& item : page->checkedSelection())
        collected.emplace_back(item.path, item.wholeFolder);
    EXPECT_EQ(collected, expected);
}

TEST_F(BackupPageTest, TheThreeFilesAreReplacedTogetherOrNotAtAll) {
    tick("C:\\dir");
    ASSERT_TRUE(page->SaveSelections(true, "(E:\\)"));
    tick("C:\\other");
    // A folder where the third file belongs: its rename must fail.
    std::filesystem::remove(sandbox.hostOf('E') + "/Quillmoor/Selections/BackupSelFiles.dat");
    createFolderChain("E:\\Quillmoor\\Selections\\BackupSelFiles.dat\\in-the-way");
    EXPECT_FALSE(page->SaveSelections(true, "(E:\\)"));
    EXPECT_EQ(saved('E', "BackupSelFolders.dat"), "C:\\dir\r\n") << "the old selection stands";
    EXPECT_EQ(saved('E', "BackupSelGray.dat"), "C:\\\r\n");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].find("E:\\Quillmoor\\Selections"), std::string::npos);
    EXPECT_TRUE(page->unsavedTicks());
}

TEST_F(BackupPageTest, DriveChangesSaveLoadAndNeverDropUnsavedTicks) {
    page->TS_BackUpShow();
    EXPECT_EQ(page->lastMediaDriveText(), "(E:\\)");
    tick("C:\\dir");
    page->selectMediaDrive(1); // the user chooses F:
    EXPECT_EQ(GetMediaDriveSetting(), "F");
    EXPECT_EQ(saved('E', "BackupSelFolders.dat"), "C:\\dir\r\n") << "saved before F is read";
    EXPECT_EQ(state("C:\\dir"), 1) << "F has no saved selection";

    tick("C:\\other");
    poll.drivesMoved();              // the selection tree reloads its drives
    page->cbMediaDriveChange(false); // as the poll re-applies the current drive
    EXPECT_EQ(state("C:\\other"), 2) << "unsaved ticks stay";

    page->selectMediaDrive(0); // back to E: F's ticks are saved first
    EXPECT_EQ(saved('F', "BackupSelFolders.dat"), "C:\\other\r\n");
    EXPECT_EQ(state("C:\\dir"), 2);
    EXPECT_EQ(state("C:\\other"), 1);

    // A selection file of tens of MiB is read only as far as a selection can go, and the
    // user is told; one that is a link is not read at all.
    const std::string gray = sandbox.hostOf('F') + "/Quillmoor/Selections/BackupSelGray.dat";
    std::filesystem::resize_file(gray, 65 * 1024 * 1024);
    page->selectMediaDrive(1);
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_NE(messages.shown.back().find("Only its first part was read"), std::string::npos);
    EXPECT_EQ(state("C:\\other"), 2) << "the rest of the selection is applied";
    page->selectMediaDrive(0);
    EXPECT_EQ(state("C:\\dir"), 2);
    std::filesystem::remove(gray);
    sandbox.writeFile("C:\\elsewhere.dat", "C:\\dir\r\n");
    std::filesystem::create_symlink(sandbox.hostOf('C') + "/elsewhere.dat", gray);
    page->selectMediaDrive(1);
    EXPECT_NE(messages.shown.back().find("cannot be read"), std::string::npos);
    EXPECT_EQ(state("C:\\dir"), 2) << "an unreadable selection keeps the ticks on screen";

    settings.values().saveSelection = false; // "Media Profiler" off
    tick("C:\\other");
    EXPECT_FALSE(page->SaveSelections(true));
    page->selectMediaDrive(0);
    EXPECT_EQ(state("C:\\other"), 2) << "a drive change keeps the ticks";
    EXPECT_EQ(saved('E', "BackupSelFolders.dat"), "C:\\dir\r\n");
    EXPECT_GE(selectionsChanged, 4);
    std::string problem;
    EXPECT_TRUE(page->tree().isConsistent(&problem)) << problem;
}

TEST_F(BackupPageTest, TicksThatCannotBeSavedNeverReplaceAnotherDrivesSelectionUnasked) {
    page->TS_BackUpShow();
    page->selectMediaDrive(1);
    tick("C:\\other");
    page->selectMediaDrive(0); // F's selection is C:\other
    ASSERT_EQ(saved('F', "BackupSelFolders.dat"), "C:\\other\r\n");
    ASSERT_EQ(state("C:\\other"), 1);

    // Ticks made for E:, then E: is pulled and F: comes into force. Asked, the user keeps
    // F's own selection: it is shown, and leaving the page writes nothing new to F.
    tick("C:\\dir");
    const std::string host = sandbox.hostOf('E');
    DriveTable::instance().unmap('E');
    messages.shown.clear();
    poll.drivesMoved();
    page->cbMediaDriveChange(false);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].find("made for (E:\\)"), std::string::npos) << messages.shown[0];
    EXPECT_EQ(state("C:\\dir"), 1);
    EXPECT_EQ(state("C:\\other"), 2);
    page->SaveSelections(false);
    EXPECT_EQ(saved('F', "BackupSelFolders.dat"), "C:\\other\r\n");

    // The same with Yes: the ticks on screen are F's selection from now on.
    DriveTable::instance().map('E', host, DriveType::Removable);
    SetMediaDriveSetting("(E:\\)");
    poll.drivesMoved();
    page->cbMediaDriveChange(false);
    tick("C:\\dir");
    DriveTable::instance().unmap('E');
    messages.answers = {kResultYes};
    poll.drivesMoved();
    page->cbMediaDriveChange(false);
    EXPECT_EQ(state("C:\\dir"), 2);
    EXPECT_EQ(page->lastMediaDriveText(), "(F:\\)");
    page->SaveSelections(false);
    EXPECT_EQ(saved('F', "BackupSelFolders.dat"), "C:\\dir\r\n");
}

// Ticks made while no media drive was there belong to no drive. When a media drive with
// a selection of its own comes in, they become its selection only on the user's Yes,
// and leaving the page writes them to it only then; on No the drive's own selection is
// shown and stays as it was.
TEST_F(BackupPageTest, TicksMadeWithoutAMediaDriveReplaceAPluggedInDrivesSelectionOnlyOnYes) {
    TBackupSelectionLists own;
    own.folders = {"C:\\other"};
    for (const int answer : {7, kResultYes}) { // 7: No
        SCOPED_TRACE(answer == kResultYes ? "Yes" : "No");
        ASSERT_TRUE(TSelectionFiles('F').write(own));
        const std::string hostE = sandbox.hostOf('E'), hostF = sandbox.hostOf('F');
        DriveTable::instance().unmap('E');
        DriveTable::instance().unmap('F');
        poll.drivesMoved();
        page->TS_BackUpShow();
        ASSERT_EQ(page->lastMediaDriveText(), "");
        page->tree().ClearSelection();
        tick("C:\\dir");

        // F: is plugged in and comes into force; then the user leaves the page.
        DriveTable::instance().map('F', hostF, DriveType::Removable);
        SetMediaDriveSetting("(F:\\)");
        messages.shown.clear();
        messages.answers = {answer};
        poll.drivesMoved();
        page->TS_BackUpShow();
        page->SaveSelections(false);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_NE(messages.shown[0].find("made before a media drive was chosen"), std::string::npos)
            << messages.shown[0];
        EXPECT_EQ(saved('F', "BackupSelFolders.dat"),
                  answer == kResultYes ? "C:\\dir\r\n" : "C:\\other\r\n");
        EXPECT_EQ(state("C:\\dir"), answer == kResultYes ? 2 : 1);
        EXPECT_EQ(state("C:\\other"), answer == kResultYes ? 1 : 2);
        DriveTable::instance().map('E', hostE, DriveType::Removable);
    }
}

// A media drive whose mount point vanished keeps its letter for a while: ticks saved for
// it make no folder on the file system below its root.
TEST(SelectionFiles, ADriveWhoseRootIsGoneGetsNoSelectionFiles) {
    test::Sandbox sandbox;
    std::filesystem::remove_all(sandbox.hostOf('E'));
    TBackupSelectionLists lists;
    lists.folders = {"C:\\dir"};
    EXPECT_FALSE(TSelectionFiles('E').write(lists));
    EXPECT_FALSE(std::filesystem::exists(sandbox.hostOf('E')));
}

} // namespace
} // namespace qm
