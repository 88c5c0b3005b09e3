#include "engine/mediajournal.h"

#include "runtest.h"

#include "engine/copytree.h"

#include <filesystem>
#include <fstream>
#include <set>
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
        for (const auto& e : fs::recursive_directory_iterator(Media()))
            fs::last_write_time(to / fs::relative(e.path(), Media()),
                                fs::last_write_time(e.path()));
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

// A power cut or a pulled media drive at any step of a run keeps only what was synced
// (PowerCut). However it falls, every file the catalogue names restores, without an
// error, the bytes it had before the run or those the run gave it, with every version
// its record names there and its check file beside it, and the files' next backup is
// made (no journal line is left that cannot finish).
TEST_F(CrashTest, PowerCutAtAnyStepLeavesEveryRecordWhole) {
    const std::vector<std::string> paths = {"C:\\a.txt", "C:\\b.txt", "C:\\c.txt"};
    auto write = [&](const std::string& path, const std::string& content) {
        sandbox.writeFile(path, content + std::string(3000 + path.size() * 500, 'x'));
    };
    auto content = [&](const std::string& path, const std::string& tag) {
        return path + " " + tag + std::string(3000 + path.size() * 500, 'x');
    };
    auto backup = [&](const std::vector<std::string>& which, Mode mode, int keySize,
                      const std::string& tag) {
        for (const std::string& p : which)
            write(p, p + " " + tag);
        SetUpJob(mode, keySize);
        job.SetRevision(true);
        job.SetTopRevision(3);
        BackupPaths(which);
    };
    struct Row {
        const char* what;
        std::function<void()> before;
        std::function<void()> run;
        std::map<std::string, std::set<std::string>> allowed; // "" for no record
    };
    const std::string b2 = content("C:\\b.txt", "2"), b3 = content("C:\\b.txt", "3");
    const std::vector<Row> rows = {
        {"rotating encrypted plain copies",
         [&] {
             for (int day = 1; day <= 3; ++day)
                 backup({"C:\\a.txt", "C:\\b.txt"}, Mode::Plain, 256, std::to_string(day));
         },
         [&] { backup(paths, Mode::Plain, 256, "4"); },
         {{"C:\\a.txt", {content("C:\\a.txt", "3"), content("C:\\a.txt", "4")}},
          {"C:\\b.txt", {b3, content("C:\\b.txt", "4")}},
          {"C:\\c.txt", {"", content("C:\\c.txt", "4")}}}},
        {"replacing encrypted per-file archives",
         [&] { backup(paths, Mode::FileArchives, 128, "1"); },
         [&] { backup(paths, Mode::FileArchives, 128, "2"); },
         {{"C:\\a.txt", {content("C:\\a.txt", "1"), content("C:\\a.txt", "2")}},
          {"C:\\b.txt", {content("C:\\b.txt", "1"), content("C:\\b.txt", "2")}},
          {"C:\\c.txt", {content("C:\\c.txt", "1"), content("C:\\c.txt", "2")}}}},
        {"delete of a middle record",
         [&] {
             backup(paths, Mode::Plain, 128, "1");
             backup(paths, Mode::Plain, 128, "2");
         },
         [&] { job.DeleteFiles({"C:\\b.txt"}); },
         {{"C:\\a.txt", {content("C:\\a.txt", "2")}},
          {"C:\\b.txt", {"", b2}},
          {"C:\\c.txt", {content("C:\\c.txt", "2")}}}},
        {"delete of a run archive entry",
         [&] { backup(paths, Mode::RunArchive, 128, "1"); },
         [&] { job.DeleteFiles({"C:\\b.txt"}); },
         {{"C:\\a.txt", {content("C:\\a.txt", "1")}},
          {"C:\\b.txt", {"", content("C:\\b.txt", "1")}},
          {"C:\\c.txt", {content("C:\\c.txt", "1")}}}},
    };
    const fs::path before = fs::path(sandbox.root()) / "before";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(Media());
        row.before();
        Save(before);
        ForEveryCrashPoint(
            "E:", [&] { Load(before); }, row.run,
            [&](int) {
                RunNewestRestore({}); // the next run carries out what the journal holds
                const std::map<std::string, DriveListRecord> records = Records();
                for (const auto& [path, allowed] : row.allowed) {
                    SCOPED_TRACE(path);
                    auto found = records.find(path);
                    if (found == records.end()) {
                        EXPECT_EQ(allowed.count(""), 1u);
                        continue;
                    }
                    const DriveListRecord& r = found->second;
                    for (int k = 0; r.Compression == 0 && k <= r.Revision; ++k) {
                        const std::string version = VersionName(r.MediaPath, k);
                        EXPECT_GT(fileSize(version), 3000) << version;
                        if (r.Encryption != 0) {
                            EXPECT_EQ(fileSize(CheckFileName(version)), 8) << version;
                        }
                    }
                    deleteFile(path);
                    Engine().ErrorCount = 0;
                    RunNewestRestore({path});
                    EXPECT_EQ(Engine().ErrorCount, 0);
                    EXPECT_EQ(allowed.count(sandbox.readFile(path).value_or("<none>")), 1u);
                }
                Engine().ErrorCount = 0;
                backup(paths, Mode::Plain, 256, "next");
                EXPECT_EQ(Engine().ErrorCount, 0);
                for (const std::string& p : paths) {
                    deleteFile(p);
                    RunNewestRestore({p});
                    EXPECT_EQ(sandbox.readFile(p), content(p, "next"));
                }
            },
            Crash::PowerCut);
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

class JournalTest : public RunTest {
  protected:
    // Stages Content as Staging\<Staged> and returns the entry placing it as version
    // Revision of Source's plain copy.
    MediaJournal::Entry Staged(const std::string& Source, const std::string& Staged,
                               const std::string& Content, uint8_t Revision) {
        sandbox.writeFile(MediaJournal::StagingFolder('E') + Staged, Content);
        MediaJournal::Entry entry;
        entry.staged = Staged;
        entry.record.SourcePath = Source;
        entry.record.MediaPath = CopyPathFor('E', Source);
        entry.record.Size = static_cast<int64_t>(Content.size());
        entry.record.Date = encodeDateTime({2026, 5, 1, 12, 0, 0, 0});
        entry.record.Revision = Revision;
        return entry;
    }
    void WriteJournal(const std::string& Text) {
        sandbox.writeFile(MediaJournal::JournalPath('E'), Text);
    }
    std::string Newest(const std::string& Source) {
        deleteFile(Source);
        RunNewestRestore({Source});
        return sandbox.readFile(Source).value_or("<nothing>");
    }
};

// A journal entry whose move keeps failing (here the media refuses it) stays,
// alone: the entries carried out are never carried out again over later backups (and
// the run that carried them out sees their records), its
// file is left alone (not backed up, not deleted) until it is done, and its staged file
// is never reused.
TEST_F(JournalTest, AnEntryThatCannotBeCarriedOutWaitsAlone) {
    for (const char* p : {"C:\\a.txt", "C:\\b.txt"})
        sandbox.writeFile(p, std::string(p) + ", first");
    BackupAs({"C:\\a.txt", "C:\\b.txt"}, Mode::Plain, 3);
    WriteJournal(MediaJournal::Serialize(Staged("C:\\a.txt", "1.part", "a, journal", 1)) +
                 MediaJournal::Serialize(Staged("C:\\b.txt", "2.part", "b, journal", 1)) +
                 MediaJournal::Serialize(Staged("C:\\c.txt", "3.part", "c, journal", 0)));
    std::optional<ChangeGate> stuck;
    stuck.emplace([](FileChange change, std::string_view path) {
        return change != FileChange::Rename || !path.ends_with("\\Staging\\1.part");
    });
    RunRestore({"C:\\c.txt"}); // the first run after the crash: c.txt is new to it
    EXPECT_EQ(sandbox.readFile("C:\\c.txt"), "c, journal");
    sandbox.writeFile("C:\\a.txt", "a, new");
    sandbox.writeFile("C:\\b.txt", "b, new");
    BackupAs({"C:\\a.txt", "C:\\b.txt"}, Mode::Plain, 3);
    const std::vector<std::string> lines = LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "***ERROR***" + std::string(kNow) +
                             " C:\\a.txt - not backed up: the media drive holds an unfinished "
                             "backup of it, which the next run tries to finish first."),
              1);
    EXPECT_EQ(sandbox.readFile("E:\\Quillmoor\\Staging\\1.part"), "a, journal");
    job.DeleteFiles({"C:\\a.txt"});
    EXPECT_EQ(LogLines().back(), "***ERROR***" + std::string(kNow) +
                                     " C:\\a.txt - not deleted: the media drive holds an "
                                     "unfinished backup of it, which the next run tries to "
                                     "finish first.");
    stuck.reset();
    BackupAs({}, Mode::Plain, 3);
    EXPECT_EQ(Newest("C:\\a.txt"), "a, journal");
    EXPECT_EQ(Newest("C:\\b.txt"), "b, new");
    EXPECT_EQ(StagedFiles(), 0u);
}

// A source folder named like a file's version: the file C:\d\proj and the folder
// C:\d\proj_1\, both backed up with versions kept. proj's versions end below the name
// the folder's copies are in, so its later backups (with versions and without) replace
// its copy and leave no journal line that cannot finish; a line an earlier run left
// naming that folder is passed over, not kept for ever; and proj can be deleted while
// the folder's files keep their copies.
TEST_F(JournalTest, AVersionNamedLikeAFolderOfCopiesIsNeverTaken) {
    sandbox.writeFile("C:\\d\\proj", "proj 1");
    sandbox.writeFile("C:\\d\\proj_1\\x.txt", "x 1");
    BackupAs({"C:\\d\\proj", "C:\\d\\proj_1\\x.txt"}, Mode::Plain, 3);
    for (int round = 2; round <= 4; ++round) {
        const std::string content = "proj " + std::to_string(round);
        sandbox.writeFile("C:\\d\\proj", content);
        Engine().ErrorCount = 0;
        BackupAs({"C:\\d\\proj"}, Mode::Plain, round == 4 ? 0 : 3, round == 3 ? 128 : 0);
        EXPECT_EQ(Engine().ErrorCount, 0) << round;
        EXPECT_EQ(Newest("C:\\d\\proj"), content);
        EXPECT_EQ(StagedFiles(), 0u);
    }
    WriteJournal(MediaJournal::Serialize(Staged("C:\\d\\proj", "1.part", "proj, journal", 1)));
    RunNewestRestore({});
    EXPECT_FALSE(fileExists(MediaJournal::JournalPath('E')));
    EXPECT_EQ(Newest("C:\\d\\proj"), "proj 4");
    Engine().ErrorCount = 0;
    job.DeleteFiles({"C:\\d\\proj"});
    EXPECT_EQ(Engine().ErrorCount, 0);
    EXPECT_EQ(Records().count("C:\\d\\proj"), 0u);
    EXPECT_EQ(Newest("C:\\d\\proj_1\\x.txt"), "x 1");
}

// The journal is read from the media like any file: a line too long for an entry, an
// entry cut short, and an entry that would move its file over another file's copy
// (a.txt's version 1 is C:\a_1.txt's copy) are passed over; the sound entry among them
// is carried out.
TEST_F(JournalTest, DamagedOrCraftedLinesAreSkipped) {
    sandbox.writeFile("C:\\a.txt", "a");
    sandbox.writeFile("C:\\a_1.txt", "another file");
    BackupAs({"C:\\a.txt", "C:\\a_1.txt"}, Mode::Plain, 0);
    const std::string sound = MediaJournal::Serialize(Staged("C:\\c.txt", "3.part", "c", 0));
    WriteJournal(std::string(100000, 'x') + "\n" +
                 MediaJournal::Serialize(Staged("C:\\a.txt", "1.part", "over a_1", 1)) +
                 sound.substr(0, 40) + "\n" + sound + sound.substr(0, 100));
    RunNewestRestore({});
    EXPECT_EQ(Newest("C:\\a_1.txt"), "another file");
    EXPECT_EQ(Newest("C:\\a.txt"), "a");
    EXPECT_EQ(Newest("C:\\c.txt"), "c");
    EXPECT_FALSE(fileExists(MediaJournal::JournalPath('E')));
}

// Links planted on a media drive (a staging folder or a copy tree folder leading to the
// computer's own files) are never followed by a run that deletes, renames or writes.
TEST_F(JournalTest, LinksPlantedOnTheMediaNeverLeadOutOfIt) {
    sandbox.writeFile("C:\\d\\a.txt", "a");
    BackupAs({"C:\\d\\a.txt"}, Mode::Plain, 0);
    const std::string media = sandbox.hostOf('E') + "/Quillmoor/";
    const std::string victim = sandbox.hostOf('C') + "/victim/";
    sandbox.writeFile("C:\\victim\\a.txt", "the computer's own file");
    std::filesystem::create_directory_symlink(victim, media + "Staging");
    std::filesystem::remove_all(media + "Drive_C/d");
    std::filesystem::create_directory_symlink(victim, media + "Drive_C/d");
    sandbox.writeFile("C:\\d\\a.txt", "a, changed");
    BackupAs({"C:\\d\\a.txt"}, Mode::Plain, 0);
    job.DeleteFiles({"C:\\d\\a.txt"});
    RunNewestRestore({"C:\\d\\a.txt"});
    EXPECT_EQ(sandbox.readFile("C:\\victim\\a.txt"), "the computer's own file");
}

// A rotation a crash left half done, whose next version was then taken off the media by
// hand, still ends: what is gone is not moved, the new version goes in, and the file is
// not held back for ever (its next backup is made and comes back).
TEST_F(JournalTest, RotationWithAVersionTakenOffByHandStillEnds) {
    for (int day = 1; day <= 3; ++day) {
        sandbox.writeFile("C:\\a.txt", "version " + std::to_string(day));
        BackupAs({"C:\\a.txt"}, Mode::Plain, 3);
    }
    MediaJournal::Entry entry = Staged("C:\\a.txt", "1.part", "version 4", 2);
    entry.kind = MediaJournal::Entry::Kind::Rotate;
    WriteJournal(MediaJournal::Serialize(entry));
    // The crash came after version 1 went to 0; then version 2 was deleted by hand.
    renameFile("E:\\Quillmoor\\Drive_C\\a_1.txt", "E:\\Quillmoor\\Drive_C\\a.txt");
    deleteFile("E:\\Quillmoor\\Drive_C\\a_2.txt");
    sandbox.writeFile("C:\\a.txt", "version 5");
    BackupAs({"C:\\a.txt"}, Mode::Plain, 3);
    EXPECT_FALSE(fileExists(MediaJournal::JournalPath('E')));
    EXPECT_EQ(Newest("C:\\a.txt"), "version 5");
}

} // namespace
} // namespace qm::test
