#include "engine/logline.h"

#include "enginetest.h"

namespace qm::test {
namespace {

class LogLineTest : public EngineTest {};

TEST_F(LogLineTest, EveryLayoutIsByteExact) {
    const std::string now = kNow;
    const std::pair<std::string, std::string> rows[] = {
        {logline::CanNotFindFile("C:\\a.txt"), now + " C:\\a.txt - can not find file."},
        {logline::CantOpenFile("C:\\a.txt"), "***ERROR***" + now + " C:\\a.txt - can't open file."},
        {logline::SourceDateUnreadable("C:\\a.txt"),
         now + " - C:\\a.txt - file can not get file date/time (current time used)."},
        {logline::DateUnreadable("E:\\Quillmoor\\Drive_C\\a.txt.bpa"),
         now + " E:\\Quillmoor\\Drive_C\\a.txt.bpa - file can not get file date/time (current "
               "time used)."},
        {logline::CanNotAddToArchive("C:\\a.txt"), now + " C:\\a.txt - can not add to archive."},
        {logline::CantRestoreError("D:\\R\\a.txt"),
         "*** ERROR *** " + now + " D:\\R\\a.txt - can't restore."},
        {logline::CantRestore("E:\\Q\\a.txt"), now + " E:\\Q\\a.txt - can't restore."},
        {logline::ArchiveNotFound("E:\\x.bpa"),
         "*** ERROR *** " + now + " E:\\x.bpa - source backup archive not found"},
        {logline::RestoredToOriginal("C:\\a.txt"),
         now + " C:\\a.txt restored to its \"Original Location\"."},
        {logline::RestoredToSelected("C:\\a.txt"),
         now + " C:\\a.txt restored to new \"Selected Destination Path\"."},
        {logline::Deleted("C:\\a.txt"), now + " C:\\a.txt - deleted."},
        {logline::End(), "---end---"},
        {logline::CantDeleteFromMedia("E:\\Q\\a.txt"),
         "***ERROR***" + now + " E:\\Q\\a.txt - can't delete; it stays on the media drive."},
    };
    for (const auto& [line, expected] : rows)
        EXPECT_EQ(line, expected);
}

TEST_F(LogLineTest, SuccessLineNamesCompressionAndKeySize) {
    struct Row {
        bool compression;
        TCompressionType type;
        bool encryption;
        int keySize;
        const char* words;
    };
    const Row rows[] = {
        {false, TCompressionType::ctMultipleFile, true, 256, "\"Compress-No\",\"Encrypt-256\""},
        {true, TCompressionType::ctOnesFile, false, 128, "\"Compress-Multi\",\"Encrypt-No\""},
        {true, TCompressionType::ctMultipleFile, true, 192, "\"Compress-Single\",\"Encrypt-192\""},
    };
    for (const Row& row : rows) {
        std::string line = logline::BackupSuccessful(
            "C:\\a.txt", logline::CompressionWord(row.compression, row.type),
            logline::EncryptionWord(row.encryption, row.keySize));
        EXPECT_EQ(line, std::string(kNow) + " C:\\a.txt - Backup with " + row.words +
                            " option successful.");
    }
}

} // namespace
} // namespace qm::test
