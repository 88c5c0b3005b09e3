#include "engine/copytree.h"

#include "engine/aesstream.h"
#include "engine/keymanager.h"
#include "enginetest.h"
#include "platform/fileio.h"

namespace qm::test {
namespace {

TEST(CopyTreeNames, CopyAndArchivePaths) {
    const std::pair<const char*, const char*> rows[] = {
        {"C:\\name.ext", "E:\\Quillmoor\\Drive_C\\name.ext"},
        {"C:\\a\\b\\c.txt", "E:\\Quillmoor\\Drive_C\\a\\b\\c.txt"},
        {"D:\\dir\\sub\\name.ext", "E:\\Quillmoor\\Drive_D\\dir\\sub\\name.ext"},
    };
    for (auto [source, copy] : rows) {
        EXPECT_EQ(CopyPathFor('E', source), copy);
        EXPECT_EQ(FileArchivePathFor('E', source), std::string(copy) + ".bpa");
    }
    EXPECT_EQ(CataloguePath('F'), "F:\\Quillmoor\\drive.lst");
}

TEST(CopyTreeNames, VersionNamesGoBeforeTheLastExtension) {
    const std::tuple<const char*, int, const char*> rows[] = {
        {"E:\\Q\\name.ext", 0, "E:\\Q\\name.ext"},
        {"E:\\Q\\name.ext", 1, "E:\\Q\\name_1.ext"},
        {"E:\\Q\\name.ext", 12, "E:\\Q\\name_12.ext"},
        {"E:\\Q\\README", 2, "E:\\Q\\README_2"},
        {"E:\\Q\\a.b.c", 1, "E:\\Q\\a.b_1.c"},
        {"E:\\Q\\archive.ext.bpa", 1, "E:\\Q\\archive.ext_1.bpa"},
        {"E:\\Q.d\\README", 3, "E:\\Q.d\\README_3"}, // a dot in a folder is no extension
    };
    for (auto [path, version, expected] : rows)
        EXPECT_EQ(VersionName(path, version), expected);
}

TEST(CopyTreeNames, RunArchiveUsesStartTimeWithUnderscores) {
    TDateTime start = encodeDateTime({2026, 12, 7, 23, 15, 22, 0});
    EXPECT_EQ(RunArchivePathFor('E', "C:\\dir\\a.txt", start),
              "E:\\Quillmoor\\Drive_C\\12_7_2026 11_15_22 PM.bpa");
    EXPECT_EQ(RunArchivePathFor('E', "D:\\a.txt", start),
              "E:\\Quillmoor\\Drive_D\\12_7_2026 11_15_22 PM.bpa");
}

TEST(CopyTreeNames, CheckValueIsTheTwoWordsLittleEndian) {
    EXPECT_EQ(CheckValue, (std::array<uint8_t, 8>{0xC4, 0x91, 0x2E, 0x6D, 0x5E, 0xF1, 0xA7, 0x03}));
}

class RevisionTest : public EngineTest {
  protected:
    const std::string base = "E:\\Quillmoor\\Drive_C\\dir\\name.ext";
    void Put(int version, const std::string& content) {
        std::string path = VersionName(base, version);
        sandbox.writeFile(path, content);
        sandbox.writeFile(path + ".mac", "mac" + content);
    }
    std::optional<std::string> Get(int version, bool mac = false) {
        return sandbox.readFile(VersionName(base, version) + (mac ? ".mac" : ""));
    }
};

TEST_F(RevisionTest, RevisionNameOnlyWithRevisionOnAndNonZero) {
    EXPECT_EQ(job.RevisionName(base, 2), base);
    job.SetRevision(true);
    EXPECT_EQ(job.RevisionName(base, 0), base);
    EXPECT_EQ(job.RevisionName(base, 2), "E:\\Quillmoor\\Drive_C\\dir\\name_2.ext");
}

TEST_F(RevisionTest, RotationDropsOldestAndMovesCheckFilesAlong) {
    Put(0, "v0");
    Put(1, "v1");
    Put(2, "v2");
    job.RotateRevisions(base, 2);
    EXPECT_EQ(Get(0), "v1");
    EXPECT_EQ(Get(0, true), "macv1");
    EXPECT_EQ(Get(1), "v2");
    EXPECT_EQ(Get(1, true), "macv2");
    EXPECT_FALSE(Get(2).has_value());
    EXPECT_FALSE(Get(2, true).has_value());
}

TEST_F(RevisionTest, RotationMovesAtLeastOnceAndStopsAtTheIndexOrAGap) {
    struct Row {
        std::vector<int> present; // versions on the media before the rotation
        uint8_t index;
        std::vector<std::optional<std::string>> after; // versions 0.. afterwards
    };
    const Row rows[] = {
        // The first pass runs even at index 0.
        {{0, 1, 2}, 0, {"v1", "v2", std::nullopt}},
        // The index bounds the renumbering: version 4 stays where it is.
        {{0, 1, 2, 3, 4}, 2, {"v1", "v2", "v3", std::nullopt, "v4"}},
        // A missing version 1 moves nothing into place 0; version 2 still moves down.
        {{0, 2}, 5, {std::nullopt, "v2", std::nullopt}},
    };
    for (const Row& row : rows) {
        for (int k = 0; k < 5; ++k) {
            deleteFile(VersionName(base, k));
            deleteFile(VersionName(base, k) + ".mac");
        }
        for (int k : row.present)
            Put(k, "v" + std::to_string(k));
        job.RotateRevisions(base, row.index);
        for (size_t k = 0; k < row.after.size(); ++k) {
            EXPECT_EQ(Get(static_cast<int>(k)), row.after[k]) << int(row.index) << " v" << k;
            std::optional<std::string> mac =
                row.after[k] ? std::optional<std::string>("mac" + *row.after[k]) : std::nullopt;
            EXPECT_EQ(Get(static_cast<int>(k), true), mac) << int(row.index) << " v" << k;
        }
    }
    DriveListRecord record;
    record.Revision = 255;
    EXPECT_EQ(TBackUpJob::NextRevision(record), 0) << "8-bit: 255 + 1 gives 0";
}

// A path that differs in case is another file: its record keeps its revision.
TEST_F(RevisionTest, SetRevisionTextTouchesOnlyTheExactPath) {
    job.CatalogPaths = {"C:\\a.txt", "C:\\dir\\name.ext"};
    job.CatalogRevisions = {"0", "0"};
    job.SetRevisionText("c:\\DIR\\NAME.EXT", 3);
    job.SetRevisionText("C:\\unlisted.txt", 9);
    job.SetRevisionText("C:\\a.txt", 4);
    EXPECT_EQ(job.CatalogRevisions, (TStringList{"4", "0"}));
}

TEST_F(RevisionTest, DeleteWithRevisionsStopsAtFirstGap) {
    Put(0, "v0");
    Put(1, "v1");
    Put(2, "v2");
    Put(4, "v4");
    job.DeleteWithRevisions(base, false);
    EXPECT_FALSE(Get(0).has_value());
    EXPECT_FALSE(Get(0, true).has_value());
    EXPECT_EQ(Get(1), "v1");
    job.DeleteWithRevisions(base, true);
    EXPECT_FALSE(Get(1).has_value());
    EXPECT_FALSE(Get(2, true).has_value());
    EXPECT_EQ(Get(4), "v4");
}

TEST_F(RevisionTest, CheckFileIsCheckValueAsFirstEightStreamBytes) {
    Engine().PasswordList = {"secret"};
    Engine().KeySize = 192;
    ASSERT_TRUE(createFolderChain("E:\\Quillmoor\\Drive_C\\dir"));
    ASSERT_TRUE(job.InitCipher());
    ASSERT_TRUE(job.ResetCipherIV());
    ASSERT_TRUE(job.WriteCheckFile(base));
    std::optional<std::string> mac = sandbox.readFile(base + ".mac");
    ASSERT_TRUE(mac.has_value());
    ASSERT_EQ(mac->size(), 8u);

    // Decrypt with an independent stream keyed from the same password.
    uint8_t key[32] = {};
    ASSERT_TRUE(PasswordToKey("secret", key, 192));
    TAESStream reader;
    reader.SetKey(key, 192);
    uint8_t iv[16] = {};
    reader.SetIV(iv);
    uint8_t bytes[8];
    std::copy(mac->begin(), mac->end(), bytes);
    reader.Decrypt(bytes, 8);
    EXPECT_TRUE(std::equal(CheckValue.begin(), CheckValue.end(), bytes));

    // The job's stream stands at position 8: its next bytes continue the same stream.
    uint8_t content[5] = {1, 2, 3, 4, 5};
    ASSERT_TRUE(job.EncryptBuffer(content, 5));
    reader.Decrypt(content, 5);
    EXPECT_EQ(content[0], 1);
    EXPECT_EQ(content[4], 5);

    // Same password and key size: the same check file for every copy.
    ASSERT_TRUE(job.ResetCipherIV());
    ASSERT_TRUE(job.WriteCheckFile(base + "2"));
    EXPECT_EQ(sandbox.readFile(base + "2.mac"), mac);
    job.FreeCipher();
}

TEST_F(RevisionTest, CheckFileThatCannotBeWrittenIsReported) {
    Engine().PasswordList = {"secret"};
    ASSERT_TRUE(job.InitCipher());
    EXPECT_FALSE(job.WriteCheckFile("E:\\Quillmoor\\missing folder\\x.txt"));
    job.FreeCipher();
}

} // namespace
} // namespace qm::test
