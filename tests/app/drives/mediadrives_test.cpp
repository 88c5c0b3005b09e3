#include "app/drives/mediadrives.h"

#include "platform/datetime.h"
#include "platform/drivetable.h"
#include "platform/fileio.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace qm {
namespace {

namespace fs = std::filesystem;

class MediaDrivesTest : public ::testing::Test {
  protected:
    MediaDrivesTest() { ClearNoMediaDrives(); }
    ~MediaDrivesTest() override { ClearNoMediaDrives(); }

    void marker(const std::string& root, size_t size) {
        sandbox.writeFile(root + "Quillmoor\\drives.dat", std::string(size, 'x'));
    }

    test::Sandbox sandbox;
};

TEST_F(MediaDrivesTest, MarkerIsWrittenByteForByte) {
    const TDateTime at = encodeDateTime({2026, 12, 9, 13, 30, 0, 0});
    setClock([at] { return at; });
    ASSERT_TRUE(MakeMediaDrive(" e:\\ "));
    std::optional<std::string> bytes = sandbox.readFile("E:\\Quillmoor\\drives.dat");
    ASSERT_TRUE(bytes);
    std::string expected = std::string("\x03"
                                       "E:\\",
                                       4) +
                           std::string(4, '\0');
    uint64_t bits = 0;
    std::memcpy(&bits, &at, 8);
    for (int i = 0; i < 8; ++i)
        expected += static_cast<char>(bits >> (8 * i));
    expected += std::string(8, '\0');
    EXPECT_EQ(*bytes, expected);
    EXPECT_TRUE(IsMediaDrive("E:\\"));
    EXPECT_FALSE(fileExists("E:\\Quillmoor\\drives.dat.qmpart"));
    ASSERT_TRUE(UnmakeMediaDrive("E:\\"));
    EXPECT_FALSE(IsMediaDrive("E:\\"));
    EXPECT_TRUE(folderExists("E:\\Quillmoor")) << "the folder stays";
}

TEST_F(MediaDrivesTest, OnlyAMarkerOfExactly24BytesCounts) {
    for (size_t size : {0u, 23u, 24u, 25u}) {
        marker("E:\\", size);
        EXPECT_EQ(IsMediaDrive("E:\\"), size == 24) << size;
    }
}

// An empty or malformed root, or a letter no drive has, is never a media drive and can
// be neither made nor unmade.
TEST_F(MediaDrivesTest, BadRootsFail) {
    for (const char* root : {"", "   ", "E", "E:x", "1:\\", "Q:\\", "(E:\\)"}) {
        EXPECT_FALSE(IsMediaDrive(root)) << root;
        EXPECT_FALSE(MakeMediaDrive(root)) << root;
        EXPECT_FALSE(UnmakeMediaDrive(root)) << root;
    }
    EXPECT_FALSE(fileExists("E:\\Quillmoor\\drives.dat"));

    // A medium unmounted a moment ago: its letter still maps to a mount point that is
    // gone. Nothing is made on the file system below it.
    const std::string gone = sandbox.root() + "/unmounted";
    DriveTable::instance().map('G', gone, DriveType::Removable);
    EXPECT_FALSE(MakeMediaDrive("G:\\"));
    EXPECT_FALSE(std::filesystem::exists(gone));

    // A Quillmoor folder that is a link leads elsewhere: no marker is written there.
    std::filesystem::create_directory_symlink(sandbox.hostOf('C'),
                                              sandbox.hostOf('E') + "/Quillmoor");
    EXPECT_FALSE(MakeMediaDrive("E:\\"));
    EXPECT_FALSE(fileExists("C:\\drives.dat"));
}

TEST_F(MediaDrivesTest, AFailedWriteIsReportedAndLeavesNoMarker) {
    sandbox.writeFile("E:\\Quillmoor", "a file where the folder belongs");
    EXPECT_FALSE(MakeMediaDrive("E:\\"));
    EXPECT_FALSE(IsMediaDrive("E:\\"));
}

TEST_F(MediaDrivesTest, WhichDrivesAreListed) {
    sandbox.addDrive('A', DriveType::Removable);
    sandbox.addDrive('D', DriveType::CdRom);
    sandbox.addDrive('F', DriveType::Remote);
    sandbox.addDrive('G', DriveType::RamDisk);
    sandbox.addDrive('H', DriveType::Unknown);
    sandbox.addDrive('K', DriveType::Fixed);
    DriveTable::instance().map('M', sandbox.root() + "/no-card", DriveType::Removable);
    marker("K:\\", 24);

    using V = std::vector<std::string>;
    EXPECT_EQ(ListAllDrives(), (V{"(C:\\)", "(E:\\)", "(H:\\)", "(K:\\)", "(M:\\)"}));
    EXPECT_EQ(GetDriveList(), (V{"(E:\\)", "(H:\\)", "(K:\\)", "(M:\\)"}));
    EXPECT_EQ(ListPresentDrives(), (V{"(C:\\)", "(E:\\)", "(H:\\)", "(K:\\)"}));
    EXPECT_EQ(GetHardDrives(), (V{"C:\\", "E:\\", "H:\\"}));
    EXPECT_EQ(GetMediaDriveCaptions(), (V{"(K:\\)"}));

    // The empty slot was probed once; a card put in is seen after the list is cleared.
    fs::create_directories(sandbox.root() + "/no-card");
    EXPECT_EQ(GetDrives(), (V{"C:\\", "E:\\", "H:\\", "K:\\"}));
    ClearNoMediaDrives();
    EXPECT_EQ(GetDrives(), (V{"C:\\", "E:\\", "H:\\", "K:\\", "M:\\"}));
}

TEST_F(MediaDrivesTest, ListingsNeverDeleteAMarker) {
    marker("C:\\", 24);
    marker("E:\\", 24);
    EXPECT_TRUE(GetHardDrives().empty());
    EXPECT_EQ(GetMediaDrives(), (std::vector<std::string>{"C:\\", "E:\\"}));
    EXPECT_EQ(GetMediaDriveCaptions().size(), 2u);
    EXPECT_TRUE(IsMediaDrive("C:\\"));
    EXPECT_TRUE(IsMediaDrive("E:\\"));
}

TEST(MediaDriveLists, FirstDifferentItemAndComboIndex) {
    using V = std::vector<std::string>;
    struct Case {
        V a, b;
        std::string first;
    } cases[] = {
        {{"(c:\\)", "(e:\\)"}, {"(C:\\)"}, "(E:\\)"},
        {{"(C:\\)"}, {"(C:\\)", "(f:\\)"}, "(F:\\)"},
        {{"(C:\\)", "(E:\\)"}, {"(e:\\)", "(c:\\)"}, ""},
        {{"(E:\\)"}, {"(F:\\)"}, "(E:\\)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FirstDifferentItem(c.a, c.b), c.first);

    const V captions{"(E:\\)", "(F:\\)", "(G:\\)"};
    EXPECT_EQ(DriveComboIndex(captions, "(f:\\)"), 1);
    EXPECT_EQ(DriveComboIndex(captions, "(:\\)"), 2) << "the last one when it is missing";
    EXPECT_EQ(DriveComboIndex({}, "(E:\\)"), -1);
}

} // namespace
} // namespace qm
