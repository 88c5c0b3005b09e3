#include "platform/drivetable.h"

#include "support/sandbox.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <set>

namespace qm {
namespace {

TEST(DriveTable, DefaultsToRootAsC) {
    const char* saved = std::getenv("QUILLMOOR_DRIVES");
    std::string keep = saved ? saved : "";
    unsetenv("QUILLMOOR_DRIVES");
    DriveTable::instance().reload();
    std::optional<DriveEntry> c = DriveTable::instance().find('c');
    ASSERT_TRUE(c);
    EXPECT_EQ(c->hostRoot, "/");
    EXPECT_EQ(c->type, DriveType::Fixed);
    if (saved)
        setenv("QUILLMOOR_DRIVES", keep.c_str(), 1);
    DriveTable::instance().reload();
}

TEST(DriveTable, OverrideReplacesAndAddsAndSkipsMalformedEntries) {
    test::Sandbox sb;
    setenv("QUILLMOOR_DRIVES",
           ("C=fixed:" + sb.root() + "/C;;E=removable:" + sb.root() +
            "/E;garbage;F=nosuch:/x;"
            "G=cdrom:/mnt/cd")
               .c_str(),
           1);
    DriveTable::instance().reload();
    std::vector<DriveEntry> all = DriveTable::instance().drives();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].letter, 'C');
    EXPECT_EQ(all[0].hostRoot, sb.root() + "/C");
    EXPECT_EQ(all[1].letter, 'E');
    EXPECT_EQ(all[1].type, DriveType::Removable);
    EXPECT_EQ(all[2].letter, 'G');
    EXPECT_EQ(all[2].type, DriveType::CdRom);
}

TEST(DriveTable, OverrideLettersAreTheWellFormedEntriesOnly) {
    test::Sandbox sb;
    setenv("QUILLMOOR_DRIVES", "e=removable:/x;F=bogus:/y;G;H=fixed:/z", 1);
    EXPECT_EQ(DriveTable::overrideLetters(), (std::set<char>{'E', 'H'}));
    unsetenv("QUILLMOOR_DRIVES");
    EXPECT_TRUE(DriveTable::overrideLetters().empty());
}

TEST(DriveTable, MapUnmapAndLongestPrefixLookup) {
    test::Sandbox sb;
    DriveTable& t = DriveTable::instance();
    EXPECT_FALSE(t.map('1', "/tmp", DriveType::Fixed));
    EXPECT_FALSE(t.map('K', "", DriveType::Fixed));
    ASSERT_TRUE(t.map('k', sb.root() + "/E/inner/", DriveType::Remote));
    EXPECT_EQ(t.find('K')->hostRoot, sb.root() + "/E/inner");
    EXPECT_EQ(t.findByHostPath(sb.root() + "/E/inner/x")->letter, 'K');
    EXPECT_EQ(t.findByHostPath(sb.root() + "/E/innerx")->letter, 'E');
    EXPECT_EQ(t.findByHostPath(sb.root() + "/E")->letter, 'E');
    t.unmap('k');
    EXPECT_FALSE(t.find('K'));
}

TEST(DriveTable, ExtenderRunsBeforeTheOverride) {
    test::Sandbox sb;
    DriveTable& t = DriveTable::instance();
    t.setExtender([](DriveTable& table) {
        table.map('E', "/media/usb", DriveType::Removable);
        table.map('H', "/media/other", DriveType::Removable);
    });
    EXPECT_EQ(t.find('E')->hostRoot, sb.root() + "/E"); // the override wins
    EXPECT_EQ(t.find('H')->hostRoot, "/media/other");
    t.setExtender({});
    EXPECT_FALSE(t.find('H'));
}

} // namespace
} // namespace qm
