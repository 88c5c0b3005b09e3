#include "engine/driverecord.h"

#include <gtest/gtest.h>

#include <cstring>

namespace qm::test {
namespace {

TEST(DriveListRecordLayout, SerialisesEveryFieldAtItsOffset) {
    DriveListRecord record;
    record.SourcePath = "C:\\dir\\a.txt";
    record.MediaPath = "E:\\Quillmoor\\Drive_C\\dir\\a.txt";
    record.Date = 38412.5;
    record.Size = 5000000000LL;
    record.Compression = 1;
    record.Encryption = 1;
    record.InArchive = 0;
    record.Revision = 7;
    DriveListRecordBytes bytes = SerializeDriveListRecord(record);

    // Offsets written out here on purpose, independent of the layout table.
    EXPECT_EQ(bytes[0], 12);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[1]), 12), "C:\\dir\\a.txt");
    EXPECT_EQ(bytes[13], 0);
    EXPECT_EQ(bytes[256], record.MediaPath.size());
    EXPECT_EQ(bytes[257], 'E');
    double date;
    std::memcpy(&date, &bytes[512], 8);
    EXPECT_EQ(date, 38412.5);
    int64_t size = 0;
    for (int i = 7; i >= 0; --i)
        size = size << 8 | bytes[520 + i];
    EXPECT_EQ(size, 5000000000LL);
    EXPECT_EQ(bytes[528], 1);
    EXPECT_EQ(bytes[529], 1);
    EXPECT_EQ(bytes[530], 0);
    EXPECT_EQ(bytes[531], 7);
    EXPECT_EQ(bytes[532] | bytes[533] | bytes[534] | bytes[535], 0);

    DriveListRecord back = ParseDriveListRecord(bytes);
    EXPECT_EQ(back.SourcePath, record.SourcePath);
    EXPECT_EQ(back.MediaPath, record.MediaPath);
    EXPECT_EQ(back.Date, record.Date);
    EXPECT_EQ(back.Size, record.Size);
    EXPECT_EQ(back.Revision, 7);
}

TEST(DriveListRecordLayout, LongTextsAreCutTo255Bytes) {
    DriveListRecord record;
    record.SourcePath = "C:\\" + std::string(300, 'x');
    DriveListRecordBytes bytes = SerializeDriveListRecord(record);
    EXPECT_EQ(bytes[0], 255);
    EXPECT_EQ(bytes[256], 0) << "the media path field starts untouched";
    EXPECT_EQ(ParseDriveListRecord(bytes).SourcePath, record.SourcePath.substr(0, 255));
}

} // namespace
} // namespace qm::test
