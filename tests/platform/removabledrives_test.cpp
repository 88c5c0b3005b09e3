#include "platform/removabledrives.h"

#include "platform/driveinfo.h"
#include "platform/programfolder.h"
#include "platform/registry.h"
#include "support/sandbox.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace qm {
namespace {

namespace fs = std::filesystem;

class RemovableDrivesTest : public testing::Test {
  protected:
    RemovableDrivesTest() {
        source.mountTable = sandbox.root() + "/mounts";
        source.sysBlock = sandbox.root() + "/sys";
        source.userName = "nobody-here";
        for (const char* disk : {"sdb", "sdc", "sdd", "sda"}) {
            fs::create_directories(source.sysBlock + "/" + disk);
            std::ofstream(source.sysBlock + "/" + disk + "/removable")
                << (disk == std::string("sda") ? "0" : "1");
        }
    }
    ~RemovableDrivesTest() override { uninstallRemovableDrives(); }

    std::string medium(const std::string& name) {
        fs::create_directories(sandbox.root() + "/mnt/" + name);
        return sandbox.root() + "/mnt/" + name;
    }
    void plug(const std::vector<std::pair<std::string, std::string>>& devicesAndNames) {
        std::ofstream table(source.mountTable, std::ios::trunc);
        table << "/dev/sda1 / ext4 rw 0 0\n";
        for (const auto& [device, name] : devicesAndNames)
            table << device << " " << medium(name) << " vfat rw 0 0\n";
        table.close();
        installRemovableDrives(source);
    }
    char letterOf(const std::string& name) {
        auto drive = DriveTable::instance().findByHostPath(sandbox.root() + "/mnt/" + name);
        return drive && drive->hostRoot == sandbox.root() + "/mnt/" + name ? drive->letter : 0;
    }

    test::Sandbox sandbox;
    MountSource source;
};

TEST_F(RemovableDrivesTest, MediaGetStableLettersClearOfTheOverride) {
    plug({{"/dev/sdb1", "STICK1"}, {"/dev/sda5", "INTERNAL"}, {"/dev/sdc1", "STICK2"}});
    EXPECT_EQ(letterOf("STICK1"), 'D');
    EXPECT_EQ(letterOf("STICK2"), 'F'); // E: belongs to QUILLMOOR_DRIVES
    EXPECT_EQ(letterOf("INTERNAL"), 0);
    EXPECT_EQ(DriveTable::instance().find('E')->hostRoot, sandbox.root() + "/E");

    // STICK1 is pulled out; STICK2 keeps F:, and a new stick does not take STICK1's D:.
    plug({{"/dev/sdc1", "STICK2"}, {"/dev/sdd1", "STICK3"}});
    EXPECT_EQ(letterOf("STICK2"), 'F');
    EXPECT_EQ(letterOf("STICK3"), 'G');
    EXPECT_FALSE(DriveTable::instance().find('D'));

    plug({{"/dev/sdb1", "STICK1"}});
    EXPECT_EQ(letterOf("STICK1"), 'D');

    Registry registry;
    ASSERT_TRUE(registry.openKeyReadOnly("\\SOFTWARE\\Quillmoor\\Platform\\DriveLetters"));
    std::string letter;
    EXPECT_EQ(registry.readString(sandbox.root() + "/mnt/STICK3", letter), RegistryStatus::Ok);
    EXPECT_EQ(letter, "G");
}

TEST_F(RemovableDrivesTest, DotDotMountPointsGetNoLetter) {
    medium("STICK1");
    {
        std::ofstream table(source.mountTable, std::ios::trunc);
        table << "/dev/sdb1 " << sandbox.root() << "/mnt/STICK1/../STICK1 vfat rw 0 0\n";
        table << "/dev/sdc1 mnt/STICK1 vfat rw 0 0\n";
    }
    installRemovableDrives(source);
    EXPECT_EQ(letterOf("STICK1"), 0);
    EXPECT_FALSE(DriveTable::instance().find('D'));
}

TEST_F(RemovableDrivesTest, OverrideWinsOverARememberedLetter) {
    plug({{"/dev/sdb1", "STICK1"}});
    ASSERT_EQ(letterOf("STICK1"), 'D');
    std::string drives = std::getenv("QUILLMOOR_DRIVES");
    setenv("QUILLMOOR_DRIVES", (drives + ";D=fixed:" + sandbox.root() + "/C").c_str(), 1);
    DriveTable::instance().reload();
    EXPECT_EQ(DriveTable::instance().find('D')->type, DriveType::Fixed);
    EXPECT_EQ(letterOf("STICK1"), 'F');
}

TEST_F(RemovableDrivesTest, DriveDetails) {
    plug({{"/dev/sdb1", "STICK1"}});
    DriveInfo stick = queryDrive('D', source);
    EXPECT_EQ(stick.root, "D:\\");
    EXPECT_EQ(stick.type, DriveType::Removable);
    EXPECT_EQ(stick.label, "STICK1");
    EXPECT_EQ(stick.fileSystem, "FAT32");
    EXPECT_TRUE(stick.mediumPresent);
    EXPECT_GT(stick.totalBytes, 0);
    EXPECT_LE(stick.freeBytes, stick.totalBytes);

    fs::remove(sandbox.root() + "/mnt/STICK1"); // mapped, but nothing there to read
    EXPECT_FALSE(queryDrive('D', source).mediumPresent);
    DriveInfo missing = queryDrive('Q', source);
    EXPECT_EQ(missing.type, DriveType::NoRootDir);
    EXPECT_FALSE(missing.mediumPresent);
    auto all = enumerateDrives(source);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].letter, 'C');
    EXPECT_EQ(all[2].letter, 'E');
}

TEST(DriveLetters, ChoiceRules) {
    std::map<std::string, char> remembered{{"/a", 'D'}, {"/b", 'E'}};
    EXPECT_EQ(chooseDriveLetter("/b", {'C'}, remembered, 'D'), 'E');
    EXPECT_EQ(chooseDriveLetter("/c", {'C'}, remembered, 'D'), 'F');
    EXPECT_EQ(chooseDriveLetter("/b", {'C', 'E'}, remembered, 'D'), 'F');
    std::set<char> allButD;
    for (char c = 'E'; c <= 'Z'; ++c)
        allButD.insert(c);
    EXPECT_EQ(chooseDriveLetter("/c", allButD, remembered, 'D'), 'D'); // last resort
    allButD.insert('D');
    EXPECT_EQ(chooseDriveLetter("/c", allButD, remembered, 'D'), 0);
}

TEST(ProgramFolder, FromOverrideAsDosPath) {
    test::Sandbox sandbox;
    fs::create_directories(sandbox.root() + "/C/Program Files/Quillmoor");
    setenv("QUILLMOOR_PROGRAM_DIR", (sandbox.root() + "/C/Program Files/Quillmoor").c_str(), 1);
    EXPECT_EQ(programFolder(), "C:\\Program Files\\Quillmoor\\");
    setenv("QUILLMOOR_PROGRAM_DIR", "E:\\Apps", 1);
    EXPECT_EQ(programFolder(), "E:\\Apps\\");
    setenv("QUILLMOOR_PROGRAM_DIR", (sandbox.root() + "/program").c_str(), 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(programFolder(), std::nullopt);
    testing::internal::GetCapturedStderr();
}

} // namespace
} // namespace qm
