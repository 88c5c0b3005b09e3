#include "engine/archivewriter.h"

#include "engine/aesstream.h"
#include "engine/copytree.h"
#include "engine/jobcipher.h"
#include "engine/keymanager.h"
#include "enginetest.h"
#include "platform/fileio.h"

#include <zlib.h>

#include <filesystem>
#include <random>

namespace qm::test {
namespace {

// A reader written from the format description alone, sharing no code with the engine.
struct TestEntry {
    std::string path;
    int64_t size = 0;
    std::string check; // 8 bytes as stored
    std::vector<int32_t> chunks;
    std::vector<std::string> stored;
};

uint64_t Le(const std::string& bytes, size_t at, int width) {
    uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
    return value;
}

std::vector<TestEntry> ReadArchive(const std::string& bytes) {
    std::vector<TestEntry> entries;
    size_t pos = 0;
    while (pos < bytes.size()) {
        TestEntry entry;
        entry.path = bytes.substr(pos + 1, static_cast<uint8_t>(bytes[pos]));
        entry.size = static_cast<int64_t>(Le(bytes, pos + 251, 8));
        entry.check = bytes.substr(pos + 259, 8);
        size_t count = Le(bytes, pos + 267, 2);
        size_t at = pos + 269 + 4 * count;
        for (size_t k = 0; k < count; ++k) {
            entry.chunks.push_back(static_cast<int32_t>(Le(bytes, pos + 269 + 4 * k, 4)));
            entry.stored.push_back(bytes.substr(at, entry.chunks.back()));
            at += entry.chunks.back();
        }
        pos = at;
        entries.push_back(entry);
    }
    return entries;
}

std::string Inflate(const std::string& stream, size_t plainSize) {
    std::string out(plainSize + 1, '\0');
    uLongf length = static_cast<uLongf>(out.size());
    int result = uncompress(reinterpret_cast<Bytef*>(out.data()), &length,
                            reinterpret_cast<const Bytef*>(stream.data()), stream.size());
    EXPECT_EQ(result, Z_OK);
    out.resize(length);
    return out;
}

std::string Sample(size_t size, unsigned seed) {
    std::string data(size, '\0');
    std::mt19937 random(seed);
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>(i % 3 == 0 ? random() : i);
    return data;
}

const char* const kRun = "E:\\Quillmoor\\Drive_C\\run.bpa";

class ArchiveWriterTest : public EngineTest {
  protected:
    ArchiveWriterTest() {
        Engine().CompressionLevel = 6;
        job.SetCompression(true);
        job.SetCompressionType(TCompressionType::ctMultipleFile);
        createFolderChain("E:\\Quillmoor\\Drive_C");
    }
    bool Run(const std::string& archive = kRun, int32_t index = -1) {
        return job.AddToArchive(job.SourceFiles, archive, index, DriveListRecord{});
    }
    std::vector<TestEntry> Entries(const std::string& archive = kRun) {
        return ReadArchive(sandbox.readFile(archive).value_or(""));
    }
    size_t LinesContaining(const std::string& text) {
        size_t count = 0;
        for (const std::string& line : LogLines())
            count += line.find(text) != std::string::npos;
        return count;
    }
};

TEST_F(ArchiveWriterTest, ChunksAroundTheEightMebibyteBoundary) {
    const size_t sizes[] = {0, 1, 8388607, 8388608, 8388609};
    const size_t chunkCounts[] = {1, 1, 1, 2, 2};
    std::vector<std::string> contents;
    for (size_t i = 0; i < std::size(sizes); ++i) {
        contents.push_back(Sample(sizes[i], static_cast<unsigned>(i)));
        std::string path = "C:\\dir\\f" + std::to_string(i) + ".bin";
        sandbox.writeFile(path, contents.back());
        job.SourceFiles.push_back(path);
    }
    job.SourceFiles.insert(job.SourceFiles.begin() + 2, ""); // empty lines are skipped
    EXPECT_TRUE(Run());

    std::vector<TestEntry> entries = Entries();
    ASSERT_EQ(entries.size(), std::size(sizes));
    for (size_t i = 0; i < entries.size(); ++i) {
        const TestEntry& entry = entries[i];
        EXPECT_EQ(entry.path, "C:\\dir\\f" + std::to_string(i) + ".bin");
        EXPECT_EQ(entry.size, static_cast<int64_t>(sizes[i]));
        EXPECT_EQ(entry.check, std::string(CheckValue.begin(), CheckValue.end()));
        ASSERT_EQ(entry.chunks.size(), chunkCounts[i]) << i;
        std::string plain;
        for (size_t k = 0; k < entry.stored.size(); ++k) {
            size_t expected = k + 1 < entry.stored.size() ? 8388608 : sizes[i] % 8388608;
            std::string part = Inflate(entry.stored[k], expected);
            EXPECT_EQ(part.size(), expected) << i << " chunk " << k;
            plain += part;
        }
        EXPECT_TRUE(plain == contents[i]) << i;
    }
    EXPECT_EQ(LinesContaining("option successful."), std::size(sizes));
    EXPECT_EQ(LinesContaining("\"Compress-Single\",\"Encrypt-No\""), std::size(sizes));
    EXPECT_EQ(Engine().FilesDone, 5);
    EXPECT_EQ(Engine().BytesDone, 8388607 + 8388608 + 8388609 + 1);
    EXPECT_EQ(progress.front().fileSize, 0);
}

TEST_F(ArchiveWriterTest, ProgressBeforeEachEntryAndAfterEachChunk) {
    sandbox.writeFile("C:\\a.txt", "abc");
    sandbox.writeFile("C:\\b.bin", Sample(8388609, 4));
    job.SourceFiles = {"C:\\a.txt", "", "C:\\b.bin"};
    Engine().BytesDone = 10; // the run's bytes so far carry on
    EXPECT_TRUE(Run());
    const int64_t big = 8388609;
    const std::vector<std::tuple<int32_t, int64_t, int64_t, int64_t>> expected = {
        {0, 3, 0, 10},          {1, 3, 3, 13}, {1, big, 0, 13}, {1, big, 8388608, 8388621},
        {2, big, big, 8388622},
    };
    ASSERT_EQ(progress.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        auto [files, size, fileBytes, bytes] = expected[i];
        EXPECT_EQ(progress[i].filesDone, files) << i;
        EXPECT_FALSE(progress[i].listMode) << i;
        EXPECT_EQ(progress[i].fileSize, size) << i;
        EXPECT_EQ(progress[i].fileBytesDone, fileBytes) << i;
        EXPECT_EQ(progress[i].bytesDone, bytes) << i;
    }
    EXPECT_EQ(Engine().FileBytesDone, 0);
}

TEST_F(ArchiveWriterTest, EncryptedEntryContinuesOneStreamAfterTheCheckValue) {
    std::string content = Sample(100000, 3);
    sandbox.writeFile("C:\\secret.txt", content);
    job.SourceFiles = {"C:\\secret.txt"};
    job.SetEncryption(true);
    Engine().ArchiveEncrypted = true;
    Engine().PasswordList = {"pass word"};
    Engine().KeySize = 256;
    EXPECT_TRUE(Run());

    std::vector<TestEntry> entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_NE(entries[0].check, std::string(CheckValue.begin(), CheckValue.end()));
    uint8_t key[32];
    ASSERT_TRUE(PasswordToKey("pass word", key, 256));
    TAESStream stream;
    stream.SetKey(key, 256);
    uint8_t iv[16] = {};
    stream.SetIV(iv);
    std::string joined = entries[0].check + entries[0].stored[0];
    stream.Decrypt(reinterpret_cast<uint8_t*>(joined.data()), joined.size());
    EXPECT_EQ(joined.substr(0, 8), std::string(CheckValue.begin(), CheckValue.end()));
    EXPECT_TRUE(Inflate(joined.substr(8), content.size()) == content);
    EXPECT_EQ(LinesContaining("\"Encrypt-256\""), 1u);
    EXPECT_FALSE(Engine().JobCipher->Active()) << "the cipher lives for one entry";
}

TEST_F(ArchiveWriterTest, EntryIsNeverStoredPlainWhenItShouldBeEncrypted) {
    // A key size the cipher cannot take leaves no cipher: the file must fail rather
    // than be stored readable while its record and log line say it is encrypted.
    std::string content = "confidential content";
    sandbox.writeFile("C:\\secret.txt", content);
    sandbox.writeFile("C:\\other.txt", "other");
    job.SourceFiles = {"C:\\secret.txt", "C:\\other.txt"};
    job.SetEncryption(true);
    Engine().ArchiveEncrypted = true;
    Engine().PasswordList = {"pass word"};
    Engine().KeySize = 100;
    EXPECT_FALSE(Run());
    EXPECT_EQ(LinesContaining("option successful."), 0u);
    EXPECT_EQ(LinesContaining(" - can not add to archive."), 2u);
    EXPECT_EQ(Engine().ErrorCount, 2);
    EXPECT_EQ(job.SourceFiles, (TStringList{"", ""}));
    std::string bytes = sandbox.readFile(kRun).value_or("");
    for (const TestEntry& entry : ReadArchive(bytes))
        for (const std::string& stored : entry.stored)
            EXPECT_EQ(stored.size(), 0u) << "no chunk may be stored without its cipher";
}

TEST_F(ArchiveWriterTest, UnopenableSourceIsLoggedCountedAndBlanked) {
    sandbox.writeFile("C:\\a.txt", "aaa");
    job.SourceFiles = {"C:\\missing.txt", "C:\\a.txt"};
    job.CatalogPaths = {"C:\\a.txt"};
    job.CatalogRevisions = {"4"};
    EXPECT_FALSE(Run());
    EXPECT_EQ(job.SourceFiles, (TStringList{"", "C:\\a.txt"}));
    EXPECT_EQ(Engine().ErrorCount, 1);
    EXPECT_EQ(LogLines().front(),
              std::string("***ERROR***") + kNow + " C:\\missing.txt - can't open file.");
    EXPECT_EQ(Entries().size(), 1u);
    EXPECT_EQ(job.CatalogRevisions, (TStringList{"0"})) << "the writer stores revision 0";
}

TEST_F(ArchiveWriterTest, LongPathsAreStoredCutTo250Bytes) {
    std::string path = "C:\\" + std::string(120, 'd') + "\\" + std::string(140, 'f');
    sandbox.writeFile(path, "x");
    job.SourceFiles = {path};
    EXPECT_TRUE(Run());
    EXPECT_EQ(Entries()[0].path, path.substr(0, 250));
}

TEST_F(ArchiveWriterTest, ChunkThatFailsToCompressGetsNoSuccessLine) {
    sandbox.writeFile("C:\\a.txt", "aaaa");
    sandbox.writeFile("C:\\b.txt", "bbbb");
    job.SourceFiles = {"C:\\a.txt", "C:\\b.txt"};
    Engine().CompressionLevel = 10; // zlib refuses the level: every chunk fails
    EXPECT_FALSE(Run());
    EXPECT_EQ(LinesContaining("option successful."), 0u);
    EXPECT_EQ(LinesContaining(" - can not add to archive."), 2u);
    EXPECT_EQ(job.SourceFiles, (TStringList{"", ""}));
    EXPECT_GE(Engine().ErrorCount, 2);
    // The entries are finished with their table as it stood, so the archive stays walkable.
    std::vector<TestEntry> entries = Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].path, "C:\\b.txt");
    EXPECT_EQ(entries[1].chunks, (std::vector<int32_t>{0}));
}

TEST_F(ArchiveWriterTest, FullMediaReportsNoSuccessAndNoRecord) {
    ASSERT_TRUE(DriveTable::instance().map('F', "/dev", DriveType::Removable));
    sandbox.writeFile("C:\\a.txt", Sample(5000, 1));
    sandbox.writeFile("C:\\b.txt", Sample(5000, 2));
    job.SourceFiles = {"C:\\a.txt", "C:\\b.txt"};
    EXPECT_FALSE(Run("F:\\full"));
    EXPECT_EQ(LinesContaining("option successful."), 0u);
    EXPECT_EQ(LinesContaining(" - can not add to archive."), 2u);
    EXPECT_EQ(Engine().ErrorCount, 2);
    EXPECT_EQ(job.SourceFiles, (TStringList{"", ""}));
}

TEST_F(ArchiveWriterTest, ArchiveFolderThatCannotBeCreatedFailsEveryFile) {
    sandbox.writeFile("C:\\a.txt", "a");
    job.SourceFiles = {"C:\\a.txt"};
    EXPECT_FALSE(Run("E:\\Quillmoor\\no such folder\\run.bpa"));
    EXPECT_EQ(LogLines(), (std::vector<std::string>{std::string(kNow) +
                                                    " C:\\a.txt - can not add to archive."}));
    EXPECT_EQ(job.SourceFiles, (TStringList{""}));
}

TEST_F(ArchiveWriterTest, SourceTooLargeForTheChunkCountIsRefused) {
    // A sparse file: 65535 chunks of 8 MiB need a count of 65536, which 16 bits cannot hold.
    std::string host = sandbox.writeFile("C:\\huge.img", "");
    std::error_code ec;
    std::filesystem::resize_file(host, 65535ULL * 8388608ULL, ec);
    if (ec)
        GTEST_SKIP() << "file system cannot hold a sparse file of that size";
    sandbox.writeFile("C:\\small.txt", "s");
    job.SourceFiles = {"C:\\huge.img", "C:\\small.txt"};
    EXPECT_FALSE(Run());
    EXPECT_EQ(LogLines().front(),
              std::string(kNow) + " C:\\huge.img - file is too large for an archive.");
    EXPECT_EQ(job.SourceFiles, (TStringList{"", "C:\\small.txt"}));
    std::vector<TestEntry> entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].path, "C:\\small.txt");
}

TEST_F(ArchiveWriterTest, CancelLeavesTheEntryWithAZeroTable) {
    sandbox.writeFile("C:\\a.txt", "aaaa");
    sandbox.writeFile("C:\\b.txt", "bbbb");
    job.SourceFiles = {"C:\\a.txt", "C:\\b.txt"};
    Engine().ProgressProc = [](int32_t, bool, int64_t, int64_t, int64_t) {
        Engine().CancelFlag = true;
    };
    EXPECT_TRUE(Run());
    EXPECT_TRUE(Engine().CancelFlag);
    EXPECT_EQ(LinesContaining("option successful."), 0u);
    std::string bytes = sandbox.readFile(kRun).value_or("");
    ASSERT_EQ(bytes.size(), 269u + 4u);
    EXPECT_EQ(Le(bytes, 269, 4), 0u);
}

} // namespace
} // namespace qm::test
