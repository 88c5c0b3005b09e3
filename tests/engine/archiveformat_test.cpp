#include "engine/archiveformat.h"

#include "enginetest.h"

namespace qm::test {
namespace {

TEST(ArchiveFormat, ChunkCountsAndLengths) {
    const std::tuple<int64_t, int, int64_t> rows[] = {
        // size, chunk count, last chunk's plain length
        {0, 1, 0},       {1, 1, 1},       {8388607, 1, 8388607},
        {8388608, 2, 0}, {8388609, 2, 1}, {65534LL * 8388608 + 5, 65535, 5},
    };
    for (auto [size, count, last] : rows) {
        ASSERT_EQ(ChunkCountFor(size), count) << size;
        EXPECT_EQ(ChunkPlainLength(size, static_cast<uint16_t>(count - 1)), last) << size;
        if (count > 1) {
            EXPECT_EQ(ChunkPlainLength(size, 0), 8388608) << size;
        }
    }
    EXPECT_FALSE(ChunkCountFor(65535LL * 8388608).has_value());
    EXPECT_FALSE(ChunkCountFor(-1).has_value());
}

TEST(ArchiveFormat, ParsersRefuseWhatDoesNotFit) {
    ArchiveEntryHeader header;
    header.Path = "C:\\a";
    header.Size = 10;
    header.ChunkCount = 1;
    ArchiveHeaderBytes bytes = SerializeEntryHeader(header);
    ArchiveFormatError error;
    EXPECT_FALSE(ParseEntryHeader(bytes.data(), 268, &error).has_value());
    EXPECT_EQ(error.what, "entry header is cut short");

    bytes[267] = 2; // count disagrees with the size
    EXPECT_FALSE(ParseEntryHeader(bytes.data(), bytes.size(), &error).has_value());
    EXPECT_EQ(error.offset, 267);

    bytes[0] = 251; // a path longer than its field
    EXPECT_FALSE(ParseEntryHeader(bytes.data(), bytes.size(), &error).has_value());

    std::vector<uint8_t> table = SerializeChunkTable({100, -1});
    EXPECT_FALSE(ParseChunkTable(table.data(), table.size(), 2, 1000, &error).has_value());
    EXPECT_EQ(error.offset, 4);
    EXPECT_FALSE(ParseChunkTable(table.data(), 7, 2, 1000, &error).has_value());
    table = SerializeChunkTable({100, 2000});
    EXPECT_FALSE(ParseChunkTable(table.data(), table.size(), 2, 1000, &error).has_value());

    EXPECT_EQ(EntryLength({100, 50}, 1000), 269 + 8 + 150);
    EXPECT_FALSE(EntryLength({100, 50}, 269 + 8 + 149, &error).has_value());
}

class ArchiveReadTest : public EngineTest {};

TEST_F(ArchiveReadTest, ReadEntryAtStopsAtDamage) {
    ArchiveEntryHeader header;
    header.Path = "C:\\a";
    header.Size = 3;
    header.ChunkCount = 1;
    ArchiveHeaderBytes head = SerializeEntryHeader(header);
    std::vector<uint8_t> table = SerializeChunkTable({5});
    std::string entry(head.begin(), head.end());
    entry.append(table.begin(), table.end());
    entry += "12345";
    sandbox.writeFile("E:\\good.bpa", entry + entry);
    sandbox.writeFile("E:\\cut.bpa", entry + entry.substr(0, entry.size() - 1));

    FileHandle good = FileHandle::open("E:\\good.bpa", OpenMode::Read);
    std::optional<ParsedEntry> second = ReadEntryAt(good, 278, 556, 1000);
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(second->length, 278);
    EXPECT_EQ(second->header.Path, "C:\\a");

    FileHandle cut = FileHandle::open("E:\\cut.bpa", OpenMode::Read);
    ArchiveFormatError error;
    EXPECT_FALSE(ReadEntryAt(cut, 278, 555, 1000, &error).has_value());
    EXPECT_EQ(error.what, "entry runs past the end of the archive");
    EXPECT_EQ(error.offset, 278);
    EXPECT_FALSE(ReadEntryAt(cut, 500, 555, 1000, &error).has_value());
}

} // namespace
} // namespace qm::test
