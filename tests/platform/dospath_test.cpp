#include "platform/dospath.h"

#include "support/sandbox.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(DosPath, TranslatesThroughTheDriveTable) {
    test::Sandbox sb;
    const std::string c = sb.hostOf('C');
    EXPECT_EQ(toHostPath("C:\\dir\\file.txt"), c + "/dir/file.txt");
    EXPECT_EQ(toHostPath("c:\\dir\\file.txt"), c + "/dir/file.txt");
    EXPECT_EQ(toHostPath("C:\\"), c);
    EXPECT_EQ(toHostPath("C:"), c);
    EXPECT_EQ(toHostPath("E:/a//b\\.\\c"), sb.hostOf('E') + "/a/b/c");
    // A doubled backslash resolves like a single one.
    EXPECT_EQ(toHostPath("E:\\Back\\\\a.txt"), sb.hostOf('E') + "/Back/a.txt");
}

TEST(DosPath, RefusesWhatCouldLeaveTheDrive) {
    test::Sandbox sb;
    for (const char* bad : {"C:\\..\\etc\\passwd", "C:\\dir\\..\\..\\x", "Q:\\x", "\\dir\\x",
                            "dir\\x", "", "C:\\a\\D:\\b"})
        EXPECT_FALSE(toHostPath(bad).has_value()) << bad;
}

TEST(DosPath, HostToDosIsTheInverseAndRejectsUncarriableNames) {
    test::Sandbox sb;
    EXPECT_EQ(toDosPath(sb.hostOf('E') + "/Quillmoor/drive.lst"), "E:\\Quillmoor\\drive.lst");
    EXPECT_EQ(toDosPath(sb.hostOf('E')), "E:\\");
    EXPECT_FALSE(toDosPath(sb.hostOf('E') + "/bad:name").has_value());
    EXPECT_FALSE(toDosPath("/definitely/not/mapped").has_value());
}

TEST(DosPath, ValidNames) {
    for (const char* ok : {"a.txt", "ünïcode.doc", "with space", ".hidden"})
        EXPECT_TRUE(isValidDosName(ok)) << ok;
    for (const char* bad : {"", ".", "..", "a\\b", "a/b", "a:b", "a*b", "a?b", "a\"b", "a<b", "a>b",
                            "a|b", "tab\there"})
        EXPECT_FALSE(isValidDosName(bad)) << bad;
}

struct PathCase {
    const char* path;
    const char* drive;
    const char* filePath;
    const char* dir;
    const char* name;
    const char* ext;
};

TEST(DosPath, ClassicHelpers) {
    const PathCase cases[] = {
        {"C:\\dir\\file.txt", "C:", "C:\\dir\\", "C:\\dir", "file.txt", ".txt"},
        {"C:\\file", "C:", "C:\\", "C:\\", "file", ""},
        {"C:\\dir.d\\file", "C:", "C:\\dir.d\\", "C:\\dir.d", "file", ""},
        {"C:\\dir\\", "C:", "C:\\dir\\", "C:\\dir", "", ""},
        {"C:\\a\\b.tar.gz", "C:", "C:\\a\\", "C:\\a", "b.tar.gz", ".gz"},
        {"name.ext", "", "", "", "name.ext", ".ext"},
    };
    for (const PathCase& c : cases) {
        EXPECT_EQ(extractFileDrive(c.path), c.drive) << c.path;
        EXPECT_EQ(extractFilePath(c.path), c.filePath) << c.path;
        EXPECT_EQ(extractFileDir(c.path), c.dir) << c.path;
        EXPECT_EQ(extractFileName(c.path), c.name) << c.path;
        EXPECT_EQ(extractFileExt(c.path), c.ext) << c.path;
    }
    EXPECT_EQ(changeFileExt("C:\\d.x\\file.txt", ".bpa"), "C:\\d.x\\file.bpa");
    EXPECT_EQ(changeFileExt("C:\\d.x\\file", ".bpa"), "C:\\d.x\\file.bpa");
    EXPECT_EQ(includeTrailingBackslash("C:\\a"), "C:\\a\\");
    EXPECT_EQ(includeTrailingBackslash("C:\\a\\"), "C:\\a\\");
    EXPECT_EQ(excludeTrailingBackslash("C:\\a\\"), "C:\\a");
    EXPECT_TRUE(sameTextDos("C:\\Dir\\File.TXT", "c:\\dir\\file.txt"));
    EXPECT_FALSE(sameTextDos("C:\\a", "C:\\a "));
}

} // namespace
} // namespace qm
