#include "engine/mediajournal.h"

#include "runtest.h"

#include "engine/copytree.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace qm::test {
namespace {

namespace fs = std::filesystem;

// What a backup leaves on the media that a restore depends on: every file of the copy
// trees (bytes) and every catalogue record, by source path.
struct MediaState {
    std::map<std::string, std::string> files;
    std::map<std::string, std::string> records;
    bool operator==(const MediaState&) const = default;
};

class CrashTest : public RunTest {
  protected:
    fs::path Media() const { return fs::path(sandbox.hostOf('E')) / "Quillmoor"; }

    MediaState State() const {
        MediaState state;
        for (const auto& e : fs::recursive_directory_iterator(Media())) {
            const std::string relative = fs::relative(e.path(), Media()).string();
            if (!e.is_regular_file() || relative.rfind("Drive_", 0) != 0)
                continue;
            std::ifstream in(e.path(), std::ios::binary);
            std::stringstream bytes;
            bytes << in.rdbuf();
            state.files[relative] = bytes.str();
        }
        const std::string list = sandbox.readFile(CataloguePath('E')).value_or("");
        for (size_t at = 4; at + 536 <= list.size(); at += 536)
            state.records[list.substr(at + 1, static_cast<uint8_t>(list[at]))] =
                list.substr(at, 536);
        return state;
    }
    // The media as it was, dates included (the revision restore tells versions by date).
    void Save(const fs::path& to) const {
        fs::remove_all(to);
        fs::copy(Media(), to, fs::copy_options::recursive);
    }
    void Load(const fs::path& from) const {
        fs::remove_all(Media());
        fs::copy(from, Media(), fs::copy_options::recursive);
        for (const auto& e : fs::recursive_directory_iterator(from))
            fs::last_write_time(Media() / fs::relative(e.path(), from),
                                fs::last_write_time(e.path()));
    }
    void Backup(Mode mode, int topRevision, int keySize, const std::string& content, int day) {
        sandbox.writeFile("C:\\a.txt", content);
        sandbox.setFileTime("C:\\a.txt", 2026, 5, day, 12, 0, 0);
        SetUpJob(mode, keySize);
        job.SetRevision(topRevision != 0);
        job.SetTopRevision(static_cast<uint8_t>(topRevision));
        BackupPaths({"C:\\a.txt"});
    }
};

// A backup that replaces a.txt's copies is stopped at every change it makes to the media
// (as a crash or a pulled drive would stop it). The next run that reads the media must
// find it exactly as before the backup or exactly as after it: every version the
// catalogue names present, in order, with its check file, and b.txt untouched.
TEST_F(CrashTest, ReplacingBackupStoppedAtAnyChangeLeavesTheMediaBeforeOrAfter) {
    struct Step {
        Mode mode;
        int topRevision;
        int keySize;
    };
    struct Row {
        const char* what;
        std::vector<Step> before;
        Step crashing;
    };
    const Step plain3{Mode::Plain, 3, 0}, secret3{Mode::Plain, 3, 128};
    const std::vector<Row> rows = {
        {"rotation", {plain3, plain3, plain3}, plain3},
        {"rotation, encrypted", {secret3, secret3, secret3}, secret3},
        {"new version", {secret3}, secret3},
        {"one copy kept", {{Mode::Plain, 1, 256}}, {Mode::Plain, 1, 256}},
        {"revisions off", {{Mode::Plain, 0, 128}}, {Mode::Plain, 0, 128}},
        {"encryption dropped", {secret3, secret3}, plain3},
        {"archive to plain", {{Mode::FileArchives, 0, 0}}, plain3},
        {"plain to archive", {secret3, secret3}, {Mode::FileArchives, 0, 128}},
    };
    const fs::path before = fs::path(sandbox.root()) / "before";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(Media());
        sandbox.writeFile("C:\\b.txt", "another file");
        SetUpJob(Mode::Plain, 128);
        BackupPaths({"C:\\b.txt"});
        int day = 1;
        for (const Step& step : row.before) {
            Backup(step.mode, step.topRevision, step.keySize, "backup " + std::to_string(day), day);
            ++day;
        }
        Save(before);
        const MediaState pre = State();
        std::optional<MediaState> post;
        auto crashing = [&] {
            Backup(row.crashing.mode, row.crashing.topRevision, row.crashing.keySize, "the new one",
                   day);
            if (!post)
                post = State();
        };
        ForEveryCrashPoint(
            "E:", [&] { Load(before); }, crashing,
            [&](int) {
                // The next run, a reader, finds the media whole.
                TBackUpJob reader;
                reader.SetDestination('E');
                reader.SourceFiles = {"C:\\a.txt"};
                TRevisionFileList list;
                int revised = 0;
                reader.CollectRevisions(list, revised, nullptr);
                reader.CloseDriveListUnchanged();
                const MediaState after = State();
                ASSERT_NE(pre, *post);
                ASSERT_TRUE(after == pre || after == *post);
                EXPECT_EQ(StagedFiles(), 0u);
            });
    }
}

// Entries that name anything but their own file's copy tree names are not carried out.
TEST(MediaJournalEntry, OnlyWholeEntriesNamingTheirOwnFilesAreRead) {
    MediaJournal::Entry entry;
    entry.staged = "7.part";
    entry.record.SourcePath = "C:\\d\\a.txt";
    entry.record.MediaPath = "F:\\Quillmoor\\Drive_C\\d\\a.txt";
    entry.record.Revision = 2;
    entry.release = "F:\\Quillmoor\\Drive_C\\d\\a.txt.bpa";
    const std::string line = MediaJournal::Serialize(entry);
    ASSERT_EQ(line.back(), '\n');
    std::optional<MediaJournal::Entry> read =
        MediaJournal::Parse('E', std::string_view(line).substr(0, line.size() - 1));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->record.MediaPath, "E:\\Quillmoor\\Drive_C\\d\\a.txt"); // today's letter
    EXPECT_EQ(read->release, "E:\\Quillmoor\\Drive_C\\d\\a.txt.bpa");
    EXPECT_EQ(read->record.Revision, 2);

    auto with = [&entry](auto change) {
        MediaJournal::Entry e = entry;
        change(e);
        const std::string text = MediaJournal::Serialize(e);
        return MediaJournal::Parse('E', std::string_view(text).substr(0, text.size() - 1));
    };
    EXPECT_FALSE(MediaJournal::Parse('E', std::string_view(line).substr(0, line.size() - 6)));
    EXPECT_FALSE(with([](auto& e) { e.staged = "..\\drive.lst"; }));
    EXPECT_FALSE(with([](auto& e) { e.record.MediaPath = "E:\\Quillmoor\\drive.lst"; }));
    EXPECT_FALSE(with([](auto& e) { e.record.MediaPath = "E:\\Quillmoor\\Drive_C\\d\\b.txt"; }));
    EXPECT_FALSE(with([](auto& e) { e.release = "E:\\Quillmoor\\drive.lst"; }));
    EXPECT_FALSE(with([](auto& e) { e.release = "E:\\Quillmoor\\Drive_C\\d\\b.txt"; }));
    EXPECT_FALSE(with([](auto& e) { e.record.InArchive = 1; }));
}

} // namespace
} // namespace qm::test
