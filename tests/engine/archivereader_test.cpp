#include "engine/archivereader.h"

#include "runtest.h"

#include "engine/copytree.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace qm::test {
namespace {

class ArchiveReaderTest : public RunTest {
  protected:
    // Copies a fixture to the media and returns its DOS path there.
    std::string PlaceFixture(const std::string& name) {
        std::ifstream in(std::string(QM_TEST_DATA_DIR) + "/engine/" + name + ".bpa",
                         std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        const std::string path = "E:\\Quillmoor\\Drive_C\\" + name + ".bpa";
        sandbox.writeFile(path, bytes.str());
        return path;
    }
    // Every file below the sandbox root, for the "nothing written outside" checks.
    size_t FilesInSandbox() const {
        size_t count = 0;
        for (const auto& e : std::filesystem::recursive_directory_iterator(sandbox.root()))
            count += e.is_regular_file() ? 1 : 0;
        return count;
    }
};

struct HostileCase {
    const char* fixture;
    bool damagedLine; // the archive's structure is refused (else the entry's data is)
};

class HostileArchive : public ArchiveReaderTest,
                       public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileArchive, EndsWithALogLineAndNoTarget) {
    const HostileCase c = GetParam();
    const std::string archive = PlaceFixture(c.fixture);
    sandbox.writeFile("C:\\docs\\a.txt", "the file already here");
    deleteFile("C:\\docs\\a.txt");
    job.RestoreFromArchive("C:\\docs\\a.txt", archive, "", 0x5A000000);
    EXPECT_FALSE(fileExists("C:\\docs\\a.txt"));
    EXPECT_GE(Engine().ErrorCount, 1);
    // A damaged structure is reported, and so is the file it hides.
    const auto lines = LogLines();
    const std::string cantRestore =
        "*** ERROR *** " + std::string(kNow) + " C:\\docs\\a.txt - can't restore.";
    ASSERT_EQ(lines.size(), c.damagedLine ? 2u : 1u);
    const std::string expected = c.damagedLine ? "***ERROR***" + std::string(kNow) + " " + archive +
                                                     " - damaged backup archive"
                                               : cantRestore;
    EXPECT_EQ(lines[0].substr(0, expected.size()), expected);
    EXPECT_EQ(lines.back(), cantRestore);

    // A removal over the same archive changes nothing it cannot parse.
    const auto before = sandbox.readFile(archive);
    job.RemoveFromArchive("C:\\docs\\b.txt", archive, 0, 0);
    EXPECT_EQ(sandbox.readFile(archive), before);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, HostileArchive,
                         ::testing::Values(HostileCase{"chunk_size_larger_than_buffer", true},
                                           HostileCase{"chunk_size_negative", true},
                                           HostileCase{"chunk_count_disagrees_with_size", true},
                                           HostileCase{"entry_past_end_of_file", true},
                                           HostileCase{"inflate_fails", false},
                                           HostileCase{"inflate_ends_short", false}),
                         [](const auto& info) { return std::string(info.param.fixture); });

TEST_F(ArchiveReaderTest, StoredPathsNeverLeadOutOfTheChosenFolder) {
    for (const char* fixture : {"stored_path_climbs_out", "stored_path_second_drive"}) {
        const std::string archive = PlaceFixture(fixture);
        const size_t filesBefore = FilesInSandbox();
        const std::string stored =
            fixture[12] == 'c' ? "C:\\..\\..\\escape.txt" : "C:E:\\escape.txt";
        job.SetRestoreType("C:\\Restore\\");
        job.RestoreFromArchive(stored, archive, job.RestoreType(), std::nullopt);
        job.SetRestoreType("");
        job.RestoreFromArchive(stored, archive, "", std::nullopt);
        EXPECT_EQ(FilesInSandbox(), filesBefore + 1) << fixture; // the log, nothing else
        deleteFile(job.LogFileName);
    }
    EXPECT_EQ(Engine().ErrorCount, 4);
}

TEST_F(ArchiveReaderTest, UnfinishedEntryAfterAGoodOneDoesNotStopTheGoodOne) {
    const std::string archive = PlaceFixture("unfinished_entry_zero_table");
    job.RestoreFromArchive("C:\\docs\\a.txt", archive, "", std::nullopt);
    EXPECT_EQ(sandbox.readFile("C:\\docs\\a.txt"), "hello");
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0],
              std::string(kNow) + " C:\\docs\\a.txt restored to its \"Original Location\".");
    EXPECT_NE(lines[1].find("damaged backup archive"), std::string::npos);
    EXPECT_EQ(ArchiveReader::CompleteLength(archive, nullptr), 269 + 4 + 13);
}

TEST_F(ArchiveReaderTest, MissingArchiveIsReportedWithoutFullStop) {
    job.RestoreFromArchive("C:\\a.txt", "E:\\Quillmoor\\Drive_C\\none.bpa", "", std::nullopt);
    EXPECT_EQ(LogLines(), std::vector<std::string>{"*** ERROR *** " + std::string(kNow) +
                                                   " E:\\Quillmoor\\Drive_C\\none.bpa - source "
                                                   "backup archive not found"});
    EXPECT_EQ(Engine().ErrorCount, 1);
}

// The catalogue names an archive that does not hold the file (say another run emptied
// it): the restore fails loudly instead of doing nothing.
TEST_F(ArchiveReaderTest, ArchiveWithoutTheWantedEntryIsAFailedRestore) {
    sandbox.writeFile("C:\\1.txt", "first");
    SetUpJob(Mode::RunArchive, 0);
    BackupPaths({"C:\\1.txt"});
    deleteFile(job.LogFileName);
    job.RestoreFromArchive("C:\\2.txt", Records()["C:\\1.txt"].MediaPath, "", std::nullopt);
    EXPECT_EQ(LogLines(), std::vector<std::string>{"*** ERROR *** " + std::string(kNow) +
                                                   " C:\\2.txt - can't restore."});
    EXPECT_EQ(Engine().ErrorCount, 1);
}

// Progress of an archive restore: after each chunk, and once more with no file bytes as
// the last chunk of an entry is done.
TEST_F(ArchiveReaderTest, ProgressAfterEachChunkAndOnceMoreAfterTheLast) {
    const std::string big(static_cast<size_t>(kBlockBytes) + 3, 'q');
    sandbox.writeFile("C:\\big.bin", big);
    SetUpJob(Mode::FileArchives, 0);
    BackupPaths({"C:\\big.bin"});
    deleteFile("C:\\big.bin");
    progress.clear();
    job.RestoreFromArchive("C:\\big.bin", FileArchivePathFor('E', "C:\\big.bin"), "", std::nullopt);
    const std::vector<std::tuple<int32_t, int64_t, int64_t, int64_t>> want = {
        {0, kBlockBytes + 3, kBlockBytes, kBlockBytes},
        {1, kBlockBytes + 3, 0, kBlockBytes + 3},
        {1, kBlockBytes + 3, kBlockBytes + 3, kBlockBytes + 3}};
    ASSERT_EQ(progress.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        const ProgressCall& p = progress[i];
        EXPECT_EQ(std::make_tuple(p.filesDone, p.fileSize, p.fileBytesDone, p.bytesDone), want[i])
            << i;
    }
    EXPECT_EQ(sandbox.readFile("C:\\big.bin"), big);
}

TEST_F(ArchiveReaderTest, RemovingEntriesKeepsTheOthersByteForByte) {
    sandbox.writeFile("C:\\1.txt", "first");
    sandbox.writeFile("C:\\2.txt", "second entry");
    sandbox.writeFile("C:\\3.txt", "third");
    SetUpJob(Mode::RunArchive, 0);
    BackupPaths({"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"});
    const std::string archive = Records()["C:\\2.txt"].MediaPath;
    const std::string whole = *sandbox.readFile(archive);
    int64_t len1 = 0, len2 = 0;
    {
        FileHandle f = FileHandle::open(archive, OpenMode::Read);
        len1 = ReadEntryAt(f, 0, f.size(), 1 << 24)->length;
        len2 = ReadEntryAt(f, len1, f.size(), 1 << 24)->length;
    }
    std::vector<std::string> paths;
    ASSERT_EQ(ArchiveReader::CompleteLength(archive, &paths), static_cast<int64_t>(whole.size()));
    EXPECT_EQ(paths, (std::vector<std::string>{"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"}));

    job.RemoveFromArchive("C:\\2.txt", archive, 7, 0);
    paths.clear();
    ArchiveReader::CompleteLength(archive, &paths);
    EXPECT_EQ(paths, (std::vector<std::string>{"C:\\1.txt", "C:\\3.txt"}));
    EXPECT_EQ(sandbox.readFile(archive), whole.substr(0, len1) + whole.substr(len1 + len2));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back().filesDone, 7);

    job.RemoveFromArchive("C:\\3.txt", archive, 0, 0); // the last: cut, nothing moved
    job.RemoveFromArchive("C:\\1.txt", archive, 0, 0); // the only one left
    EXPECT_EQ(fileSize(archive), 0);
}

TEST_F(ArchiveReaderTest, WindowRunsBetweenUnmatchedEntriesButNotAfterTheLast) {
    for (const char* p : {"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"})
        sandbox.writeFile(p, "data");
    SetUpJob(Mode::RunArchive, 0);
    BackupPaths({"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"});
    const std::string archive = Records()["C:\\1.txt"].MediaPath;
    int pumped = 0;
    Engine().ProcessMessagesProc = [&pumped] { ++pumped; };
    // Wanted path, then how often the window may run: once after each unmatched entry
    // that another entry follows.
    const std::vector<std::pair<const char*, int>> rows = {
        {"C:\\1.txt", 1}, {"C:\\2.txt", 1}, {"C:\\3.txt", 2}, {"C:\\none.txt", 2}};
    for (const auto& [wanted, calls] : rows) {
        pumped = 0;
        job.RestoreFromArchive(wanted, archive, "C:\\Restore\\", std::nullopt);
        EXPECT_EQ(pumped, calls) << wanted;
    }
    Engine().ProcessMessagesProc = nullptr;
}

TEST_F(ArchiveReaderTest, EncryptedEntryTriesEveryLineAtEveryKeySize) {
    sandbox.writeFile("C:\\s.txt", "secret content");
    SetUpJob(Mode::FileArchives, 192, "right");
    BackupPaths({"C:\\s.txt"});
    deleteFile("C:\\s.txt");
    Engine().PasswordList = {"wrong", "right"};
    Engine().KeySize = 256;
    ScriptPrompt({});
    RunRestore({"C:\\s.txt"});
    EXPECT_EQ(sandbox.readFile("C:\\s.txt"), "secret content");
    EXPECT_EQ(Engine().KeySize, 192);
    EXPECT_TRUE(asked.empty());
}

} // namespace
} // namespace qm::test
