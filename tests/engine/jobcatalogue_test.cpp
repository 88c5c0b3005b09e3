#include "engine/cataloguefile.h"

#include "engine/copytree.h"
#include "enginetest.h"
#include "platform/fileio.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

namespace qm::test {
namespace {

const char* const kCatalogue = "E:\\Quillmoor\\drive.lst";

DriveListRecord Record(const std::string& source, uint8_t revision = 0, int64_t size = 100,
                       uint8_t encryption = 0) {
    DriveListRecord record;
    record.SourcePath = source;
    record.MediaPath = CopyPathFor('E', source);
    record.Date = 45000.5;
    record.Size = size;
    record.Encryption = encryption;
    record.Revision = revision;
    return record;
}

class CatalogueTest : public EngineTest {
  protected:
    void WriteCatalogue(const std::vector<DriveListRecord>& records) {
        std::string bytes;
        auto count = SerializeDriveListCount(static_cast<int32_t>(records.size()));
        bytes.append(count.begin(), count.end());
        for (const DriveListRecord& record : records) {
            DriveListRecordBytes raw = SerializeDriveListRecord(record);
            bytes.append(raw.begin(), raw.end());
        }
        sandbox.writeFile(kCatalogue, bytes);
    }
    void UseFixture(const std::string& name) {
        std::ifstream in(std::string(QM_TEST_DATA_DIR) + "/engine/" + name, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        ASSERT_TRUE(in.good() || in.eof()) << name;
        sandbox.writeFile(kCatalogue, content.str());
    }
    std::vector<std::string> StoredPaths() {
        std::string bytes = sandbox.readFile(kCatalogue).value_or("");
        std::vector<std::string> paths;
        for (size_t at = 4; at + 536 <= bytes.size(); at += 536)
            paths.push_back(bytes.substr(at + 1, static_cast<uint8_t>(bytes[at])));
        return paths;
    }
    int32_t StoredCount() {
        std::string bytes = sandbox.readFile(kCatalogue).value_or("");
        int32_t count = 0;
        std::memcpy(&count, bytes.data(), std::min<size_t>(4, bytes.size()));
        return count;
    }
    void Remove(const std::string& path) {
        job.LoadDriveList();
        job.OpenDriveList();
        job.RemoveDriveListRecord(path);
        job.CloseDriveList();
    }
};

TEST_F(CatalogueTest, OpenCreatesMediaFolderAndEmptyCatalogue) {
    job.OpenDriveList();
    job.CloseDriveList();
    EXPECT_EQ(sandbox.readFile(kCatalogue), std::string(4, '\0'));
}

TEST_F(CatalogueTest, ReadFillsTheThreeListsInRecordOrder) {
    WriteCatalogue({Record("C:\\a.txt", 0), Record("C:\\dir\\b.txt", 3)});
    job.LoadDriveList();
    EXPECT_EQ(job.CatalogPaths, (TStringList{"C:\\a.txt", "C:\\dir\\b.txt"}));
    EXPECT_EQ(job.CatalogMediaPaths,
              (TStringList{"E:\\Quillmoor\\Drive_C\\a.txt", "E:\\Quillmoor\\Drive_C\\dir\\b.txt"}));
    EXPECT_EQ(job.CatalogRevisions, (TStringList{"0", "3"}));
    EXPECT_TRUE(job.CatalogueProblem.empty());
}

TEST_F(CatalogueTest, RemovalFillsTheHoleWithTheLastRecord) {
    struct Row {
        const char* removed;
        std::vector<std::string> left;
    };
    const Row rows[] = {
        {"C:\\A", {"C:\\C", "C:\\B"}},
        {"C:\\B", {"C:\\A", "C:\\C"}},
        {"C:\\C", {"C:\\A", "C:\\B"}},
        {"C:\\missing", {"C:\\A", "C:\\B", "C:\\C"}},
    };
    for (const Row& row : rows) {
        WriteCatalogue({Record("C:\\A"), Record("C:\\B"), Record("C:\\C")});
        Remove(row.removed);
        EXPECT_EQ(StoredPaths(), row.left) << row.removed;
        EXPECT_EQ(StoredCount(), static_cast<int32_t>(row.left.size())) << row.removed;
        EXPECT_EQ(sandbox.readFile(kCatalogue)->size(), 4 + 536 * row.left.size());
        EXPECT_EQ(job.CatalogPaths, row.left) << row.removed;
    }
}

TEST_F(CatalogueTest, RemovingTheOnlyRecordDeletesTheCatalogue) {
    WriteCatalogue({Record("C:\\only.txt")});
    Remove("C:\\only.txt");
    EXPECT_FALSE(fileExists(kCatalogue));
    EXPECT_EQ(Engine().DriveListCount, 0);
    job.OpenDriveList();
    job.CloseDriveList();
    EXPECT_EQ(sandbox.readFile(kCatalogue), std::string(4, '\0'));
}

TEST_F(CatalogueTest, LookupIgnoresCaseButRemovalDoesNot) {
    WriteCatalogue({Record("C:\\dir\\a.txt", 2)});
    job.LoadDriveList();
    job.OpenDriveList();
    DriveListRecord found;
    job.FindDriveListRecord("c:\\DIR\\A.TXT", found);
    EXPECT_EQ(found.SourcePath, "C:\\dir\\a.txt");
    EXPECT_EQ(found.Revision, 2);
    job.RemoveDriveListRecord("c:\\DIR\\A.TXT");
    // A miss empties the source path only and still gives the media path today's letter.
    DriveListRecord missed = Record("C:\\stale.txt", 9);
    missed.MediaPath = "G:\\old";
    job.FindDriveListRecord("C:\\other.txt", missed);
    EXPECT_TRUE(missed.SourcePath.empty());
    EXPECT_EQ(missed.Revision, 9);
    EXPECT_EQ(missed.MediaPath, "E:\\old");
    job.CloseDriveList();
    EXPECT_EQ(StoredPaths(), (std::vector<std::string>{"C:\\dir\\a.txt"}));
}

TEST_F(CatalogueTest, LookupMissEmptiesSourcePathOnly) {
    WriteCatalogue({Record("C:\\a.txt")});
    job.LoadDriveList();
    job.OpenDriveList();
    DriveListRecord found = Record("C:\\stale.txt", 9);
    found.MediaPath = "G:\\old";
    job.FindDriveListRecord("C:\\other.txt", found);
    EXPECT_TRUE(found.SourcePath.empty());
    EXPECT_EQ(found.Revision, 9);
    EXPECT_EQ(found.MediaPath, "E:\\old");
    job.CloseDriveList();
}

TEST_F(CatalogueTest, LookupGivesMediaPathTheCurrentDriveLetter) {
    WriteCatalogue({Record("C:\\a.txt")}); // written while the media drive was E:
    std::string host = sandbox.hostOf('E');
    DriveTable::instance().map('F', host, DriveType::Removable);
    job.SetDestination('F');
    job.LoadDriveList();
    job.OpenDriveList();
    DriveListRecord found;
    job.FindDriveListRecord("C:\\a.txt", found);
    EXPECT_EQ(found.MediaPath, "F:\\Quillmoor\\Drive_C\\a.txt");
    job.CloseDriveList();
}

TEST_F(CatalogueTest, ListingGivesIndexDateSizeAndPathLines) {
    WriteCatalogue({Record("C:\\a.txt", 0, 4199999999LL), Record("C:\\b.txt", 0, 5000000000LL),
                    Record("C:\\c.txt", 0, 4294967295LL)});
    TStringList index, dates, sizes, paths;
    job.CatalogPaths = {"stale"};
    job.ListDriveFiles(&index, &dates, &sizes, &paths);
    EXPECT_EQ(index, (TStringList{"C:\\a.txt*0", "C:\\b.txt*1", "C:\\c.txt*2"}));
    EXPECT_EQ(dates, (TStringList{"45000.5", "45000.5", "45000.5"}));
    EXPECT_EQ(sizes, (TStringList{"4199999999", "5000000000", "0"})) << "0: unreadable at backup";
    EXPECT_EQ(paths, (TStringList{"C:\\a.txt", "C:\\b.txt", "C:\\c.txt"}));
    EXPECT_TRUE(job.CatalogPaths.empty());
}

TEST_F(CatalogueTest, ListingWithoutCatalogueCreatesNothing) {
    TStringList paths{"kept"};
    job.ListDriveFiles(nullptr, nullptr, nullptr, &paths);
    EXPECT_EQ(paths, (TStringList{"kept"}));
    EXPECT_FALSE(folderExists("E:\\Quillmoor"));
}

TEST_F(CatalogueTest, HasEncryptedFilesCreatesMissingCatalogue) {
    EXPECT_FALSE(job.HasEncryptedFiles());
    EXPECT_EQ(sandbox.readFile(kCatalogue), std::string(4, '\0'));
    WriteCatalogue({Record("C:\\a.txt"), Record("C:\\b.txt", 0, 1, 1)});
    EXPECT_TRUE(job.HasEncryptedFiles());
    EXPECT_FALSE(Engine().DriveListHandle.isOpen());
}

TEST_F(CatalogueTest, SaveOverwritesListedRecordsAndAppendsNewOnes) {
    sandbox.writeFile("C:\\a.txt", "aaaa");
    sandbox.setFileTime("C:\\a.txt", 2026, 5, 2, 10, 0, 0);
    sandbox.writeFile("C:\\new.txt", "nn");
    WriteCatalogue({Record("C:\\x.txt"), Record("C:\\a.txt", 1)});
    job.LoadDriveList();
    job.OpenDriveList();
    job.CatalogRevisions[1] = "2"; // as a backup run leaves it
    job.SourceFiles = {"C:\\a.txt", "", "C:\\new.txt"};
    job.SaveDriveListRecords(false, "");
    job.CloseDriveList();

    EXPECT_EQ(StoredCount(), 3);
    EXPECT_EQ(StoredPaths(), (std::vector<std::string>{"C:\\x.txt", "C:\\a.txt", "C:\\new.txt"}));
    job.LoadDriveList();
    EXPECT_EQ(job.CatalogRevisions, (TStringList{"0", "2", "0"}));
    job.OpenDriveList();
    DriveListRecord a;
    job.FindDriveListRecord("C:\\a.txt", a);
    EXPECT_EQ(a.Size, 4);
    EXPECT_EQ(a.Date, encodeDateTime({2026, 5, 2, 10, 0, 0, 0}));
    EXPECT_EQ(a.MediaPath, "E:\\Quillmoor\\Drive_C\\a.txt");
    job.CloseDriveList();
    ASSERT_EQ(progress.size(), 2u);
    EXPECT_TRUE(progress[0].listMode);
    EXPECT_EQ(progress[1].filesDone, 2);
}

TEST_F(CatalogueTest, SaveOfUnreadableSourceUsesNowAndMarksSize) {
    job.OpenDriveList();
    job.SetCompression(true);
    job.SourceFiles = {"C:\\gone.txt"};
    job.SaveDriveListRecords(true, "E:\\Quillmoor\\Drive_C\\run.bpa");
    job.CloseDriveList();
    job.LoadDriveList();
    job.OpenDriveList();
    DriveListRecord gone;
    job.FindDriveListRecord("C:\\gone.txt", gone);
    job.CloseDriveList();
    EXPECT_EQ(gone.Size, kUnreadableSourceSize);
    EXPECT_EQ(gone.Date, now());
    EXPECT_EQ(gone.InArchive, 1);
    EXPECT_EQ(gone.MediaPath, "E:\\Quillmoor\\Drive_C\\run.bpa");
    EXPECT_EQ(Engine().ErrorCount, 1);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{std::string(kNow) +
                                                    " - C:\\gone.txt - file can not get file "
                                                    "date/time (current time used)."}));
}

// Damaged catalogues: the count at offset 0 disagrees with the file's length.
struct DamagedRow {
    const char* fixture;
    const char* storedCount;
    std::vector<std::string> records; // whole records the file really holds
};

class DamagedCatalogueTest : public CatalogueTest,
                             public ::testing::WithParamInterface<DamagedRow> {};

TEST_P(DamagedCatalogueTest, IsReadAsTheWholeRecordsItHolds) {
    UseFixture(GetParam().fixture);
    job.LoadDriveList();
    EXPECT_EQ(job.CatalogPaths, GetParam().records);
    EXPECT_FALSE(job.CatalogueProblem.empty());
    ASSERT_EQ(LogLines().size(), 1u);
    std::string length = std::to_string(sandbox.readFile(kCatalogue)->size());
    EXPECT_EQ(LogLines()[0],
              std::string("***ERROR***") + kNow + " " + kCatalogue + " - catalogue count " +
                  GetParam().storedCount + " does not match its length of " + length +
                  " bytes; read as the " + std::to_string(GetParam().records.size()) +
                  " whole records it holds.");

    TStringList paths;
    job.ListDriveFiles(nullptr, nullptr, nullptr, &paths);
    EXPECT_EQ(paths, GetParam().records);

    // Lookups of paths beyond the whole records find nothing instead of reading past.
    job.OpenDriveList();
    EXPECT_EQ(Engine().DriveListCount, static_cast<int32_t>(GetParam().records.size()));
    for (std::string path : {"C:\\f0.txt", "C:\\f2.txt"}) {
        job.CatalogPaths = {"C:\\f0.txt", "C:\\f1.txt", "C:\\f2.txt"};
        DriveListRecord found;
        job.FindDriveListRecord(path, found);
        bool held = std::find(GetParam().records.begin(), GetParam().records.end(), path) !=
                    GetParam().records.end();
        EXPECT_EQ(found.SourcePath, held ? path : "") << path;
    }
    job.CloseDriveList();
    EXPECT_EQ(StoredCount(), static_cast<int32_t>(GetParam().records.size()));
}

TEST_P(DamagedCatalogueTest, RemovalNeverCutsOffGoodRecords) {
    UseFixture(GetParam().fixture);
    std::vector<std::string> expected = GetParam().records;
    if (expected.empty())
        return;
    std::string removed = expected.front();
    Remove(removed);
    expected.front() = expected.back();
    expected.pop_back();
    EXPECT_EQ(StoredPaths(), expected);
    EXPECT_EQ(StoredCount(), static_cast<int32_t>(expected.size()));
}

const std::vector<std::string> kThree = {"C:\\f0.txt", "C:\\f1.txt", "C:\\f2.txt"};

INSTANTIATE_TEST_SUITE_P(
    Fixtures, DamagedCatalogueTest,
    ::testing::Values(DamagedRow{"truncated_mid_record.lst", "3", {"C:\\f0.txt", "C:\\f1.txt"}},
                      DamagedRow{"negative_count.lst", "-1", kThree},
                      DamagedRow{"huge_count.lst", "2000000000", kThree},
                      DamagedRow{"count_below_records.lst", "1", kThree},
                      DamagedRow{"missing_count.lst", "missing", {}}),
    [](const auto& info) {
        std::string name = info.param.fixture;
        return name.substr(0, name.find('.'));
    });

// A removal stopped between filling the hole with the last record and cutting the last
// one off leaves that record twice. The next delete run removes every record of a path
// it deletes, and the next run that writes the catalogue drops the repeated last one, so
// no file is listed twice and none keeps a record naming files that are gone.
TEST_F(CatalogueTest, RecordLeftTwiceByAStoppedRemovalGoesWithTheNextRun) {
    for (bool deleteNext : {true, false}) {
        SCOPED_TRACE(deleteNext);
        WriteCatalogue({Record("C:\\a.txt"), Record("C:\\b.txt"), Record("C:\\c.txt")});
        {
            int allowed = 1; // the last record is copied over a.txt's, then the crash
            ChangeGate crash([&](FileChange, std::string_view) { return allowed-- > 0; });
            Remove("C:\\a.txt");
        }
        ASSERT_EQ(StoredPaths(), (std::vector<std::string>{"C:\\c.txt", "C:\\b.txt", "C:\\c.txt"}));
        job.SourceFiles.clear();
        if (deleteNext)
            job.DeleteFiles({"C:\\c.txt"});
        else
            job.Backup();
        const std::vector<std::string> left =
            deleteNext ? std::vector<std::string>{"C:\\b.txt"}
                       : std::vector<std::string>{"C:\\c.txt", "C:\\b.txt"};
        EXPECT_EQ(StoredPaths(), left);
        EXPECT_EQ(StoredCount(), deleteNext ? 1 : 2);
    }
}

} // namespace
} // namespace qm::test
