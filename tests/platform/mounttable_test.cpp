#include "platform/mounttable.h"

#include "support/sandbox.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(MountTable, ParsesEscapesAndSkipsBrokenLines) {
    auto table = parseMountTable("/dev/sda2 / ext4 rw 0 0\n"
                                 "garbage\n"
                                 "/dev/sdb1 /media/ann/MY\\040STICK vfat rw,nosuid 0 0\n"
                                 "/dev/sdc1 /mnt/a\\134b ntfs3 rw 0 0\n");
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[1].mountPoint, "/media/ann/MY STICK");
    EXPECT_EQ(table[1].fsType, "vfat");
    EXPECT_EQ(table[2].mountPoint, "/mnt/a\\b");
}

TEST(MountTable, SkipsRelativeAndDotDotMountPoints) {
    auto table = parseMountTable("/dev/sdb1 media/ann/STICK vfat rw 0 0\n"
                                 "/dev/sdb2 /media/ann/../../etc vfat rw 0 0\n"
                                 "/dev/sdb3 /media/ann/\056\056/x vfat rw 0 0\n"
                                 "/dev/sdb4 /media/ann/./x vfat rw 0 0\n"
                                 "/dev/sdb5 /media/ann/.. vfat rw 0 0\n"
                                 "/dev/sdb6 /media/ann/my..stick vfat rw 0 0\n");
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table[0].mountPoint, "/media/ann/my..stick");
}

TEST(MountTable, DiskOfDevice) {
    const std::pair<const char*, const char*> rows[] = {{"/dev/sdb1", "sdb"},
                                                        {"/dev/sdb", "sdb"},
                                                        {"/dev/mmcblk0p1", "mmcblk0"},
                                                        {"/dev/nvme0n1p2", "nvme0n1"},
                                                        {"/dev/nvme0n1", "nvme0n1"},
                                                        {"/dev/sr0", "sr"},
                                                        {"tmpfs", ""},
                                                        {"/dev/../etc", ""},
                                                        {"/dev/.2", ""},
                                                        {"/dev/.", ""},
                                                        {"/dev/mapper/x", ""}};
    for (const auto& [device, disk] : rows)
        EXPECT_EQ(diskOfDevice(device), disk) << device;
}

TEST(MountTable, FileSystemNamesAndHoldingMount) {
    EXPECT_EQ(fileSystemDisplayName("vfat"), "FAT32");
    EXPECT_EQ(fileSystemDisplayName("ntfs3"), "NTFS");
    EXPECT_EQ(fileSystemDisplayName("ext4"), "ext4");
    auto table = parseMountTable("a / ext4 rw 0 0\nb /media/ann/S vfat rw 0 0\n");
    EXPECT_EQ(mountOf(table, "/media/ann/S/dir")->device, "b");
    EXPECT_EQ(mountOf(table, "/media/ann/Sx")->device, "a");
    EXPECT_EQ(mountOf(table, "/media/ann/S")->device, "b");
}

TEST(MountTable, UserMediaBySysfsOrMediaFolder) {
    test::Sandbox sandbox;
    std::string sys = sandbox.root() + "/sys";
    std::filesystem::create_directories(sys + "/sdb");
    std::filesystem::create_directories(sys + "/sda");
    std::ofstream(sys + "/sdb/removable") << "1\n";
    std::ofstream(sys + "/sda/removable") << "0\n";
    MountSource source{"", sys, "ann"};
    EXPECT_TRUE(isUserMedium({"/dev/sdb1", "/mnt/x", "vfat"}, source));
    EXPECT_FALSE(isUserMedium({"/dev/sda1", "/mnt/y", "ext4"}, source));
    EXPECT_TRUE(isUserMedium({"/dev/sda3", "/media/ann/DISK", "ext4"}, source));
    EXPECT_TRUE(isUserMedium({"/dev/sda3", "/run/media/ann/DISK", "ext4"}, source));
    EXPECT_FALSE(isUserMedium({"/dev/sda3", "/media/bob/DISK", "ext4"}, source));
    EXPECT_FALSE(isUserMedium({"/dev/sda3", "/media/ann", "ext4"}, source));
}

// The table is read in blocks: a table much longer than one block comes through whole,
// and its last line is not cut at a block's end.
TEST(MountTable, ReadsATableLongerThanOneBlock) {
    test::Sandbox sandbox;
    const std::string path = sandbox.root() + "/mounts";
    {
        std::ofstream out(path);
        for (int i = 0; i < 500; ++i)
            out << "/dev/sdx" << i << " /mnt/point" << i << " ext4 rw,relatime 0 0\n";
    }
    auto table = readMountTable({path, "", "ann"});
    ASSERT_EQ(500u, table.size());
    EXPECT_EQ("/mnt/point499", table.back().mountPoint);
    EXPECT_TRUE(readMountTable({sandbox.root() + "/missing", "", "ann"}).empty());
}

} // namespace
} // namespace qm
