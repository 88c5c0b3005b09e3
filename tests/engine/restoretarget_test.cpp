#include "engine/restoretarget.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

struct TargetRow {
    const char* restoreType;
    const char* stored;
    const char* plain;   // "" = refused
    const char* archive; // "" = refused
};

TEST(RestoreTarget, KeepsEveryTargetInsideItsFolder) {
    const TargetRow rows[] = {
        {"", "C:\\dir\\a.txt", "C:\\dir\\a.txt", "C:\\dir\\a.txt"},
        {"D:\\Back\\", "C:\\dir\\sub\\a.txt", "D:\\Back\\dir\\sub\\a.txt",
         "D:\\Back\\\\dir\\sub\\a.txt"},
        {"D:\\Back\\", "C:\\a.txt", "D:\\Back\\\\a.txt", "D:\\Back\\\\a.txt"},
        {"D:\\Back\\", "C:\\..\\a.txt", "", ""},
        {"D:\\Back\\", "C:\\dir\\..\\..\\a.txt", "", ""},
        {"", "C:\\..\\a.txt", "", ""},
        {"D:\\Back\\", "C:E:\\a.txt", "", ""},
        {"D:\\Back\\", "C:\\dir\\E:\\a.txt", "", ""},
        {"D:\\Back\\", "C:", "", ""},
        {"D:\\Back\\", "", "", ""},
        {"D:\\Back\\", "C:\\dir\\", "", ""},
    };
    for (const TargetRow& row : rows) {
        EXPECT_EQ(PlainRestoreTarget(row.restoreType, row.stored).value_or(""), row.plain)
            << row.stored;
        EXPECT_EQ(ArchiveRestoreTarget(row.restoreType, row.stored).value_or(""), row.archive)
            << row.stored;
    }
}

} // namespace
} // namespace qm
