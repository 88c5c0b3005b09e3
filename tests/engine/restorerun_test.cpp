#include "engine/restorerun.h"

#include "runtest.h"

#include "engine/archiveformat.h"
#include "engine/copytree.h"
#include "engine/jobcipher.h"
#include "platform/dospath.h"
#include "support/rowname.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

namespace qm::test {
namespace {

class RestoreRunTest : public RunTest {
  protected:
    std::string Line(const std::string& tail) const { return std::string(kNow) + " " + tail; }
};

TEST_F(RestoreRunTest, MissingMediaCopyLeavesTheComputersFileUntouched) {
    sandbox.writeFile("C:\\a.txt", "backed up");
    SetUpJob(Mode::Plain, 0);
    BackupPaths({"C:\\a.txt"});
    deleteFile(CopyPathFor('E', "C:\\a.txt"));
    sandbox.writeFile("C:\\a.txt", "work of today");
    deleteFile(job.LogFileName);
    RunRestore({"C:\\a.txt"});
    EXPECT_EQ(sandbox.readFile("C:\\a.txt"), "work of today");
    EXPECT_EQ(LogLines(),
              std::vector<std::string>{"*** ERROR *** " + Line("C:\\a.txt - can't restore.")});
    EXPECT_EQ(Engine().ErrorCount, 1);
}

TEST_F(RestoreRunTest, RestoreOldKeepsATargetDatedLikeTheRecord) {
    sandbox.writeFile("C:\\a.txt", "old");
    sandbox.setFileTime("C:\\a.txt", 2026, 3, 1, 8, 0, 0);
    SetUpJob(Mode::Plain, 0);
    BackupPaths({"C:\\a.txt"});
    sandbox.writeFile("C:\\a.txt", "same date");
    sandbox.setFileTime("C:\\a.txt", 2026, 3, 1, 8, 0, 0);
    TBackUpJob restore;
    restore.SetDestination('E');
    restore.SetRestoreOld(true);
    restore.LoadDriveList();
    restore.SourceFiles = {"C:\\a.txt"};
    restore.Restore();
    EXPECT_EQ(sandbox.readFile("C:\\a.txt"), "same date");
    deleteFile("C:\\a.txt");
    restore.LoadDriveList();
    restore.SourceFiles = {"C:\\a.txt"};
    restore.Restore();
    EXPECT_EQ(sandbox.readFile("C:\\a.txt"), "old");
}

// Three files encrypted with "right", one plain, and only "wrong" in the list.
class PasswordPrompt : public RestoreRunTest {
  protected:
    void SetUp() override {
        for (const char* p : {"C:\\1.txt", "C:\\2.txt", "C:\\3.txt", "C:\\4.txt"})
            sandbox.writeFile(p, std::string("content of ") + p);
        SetUpJob(Mode::Plain, 128, "right");
        BackupPaths({"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"});
        SetUpJob(Mode::Plain, 0);
        BackupPaths({"C:\\4.txt"});
        for (const char* p : {"C:\\1.txt", "C:\\2.txt", "C:\\3.txt", "C:\\4.txt"})
            deleteFile(p);
        Engine().PasswordList = {"wrong"};
    }
    const std::vector<std::string> all = {"C:\\1.txt", "C:\\2.txt", "C:\\3.txt", "C:\\4.txt"};
};

TEST_F(PasswordPrompt, AnswerTwoSkipsOneFileAndAnswerThreeSkipsTheRest) {
    ScriptPrompt({2, 3});
    RunRestore(all);
    EXPECT_EQ(asked, (std::vector<std::string>{"C:\\1.txt", "C:\\2.txt"}))
        << "the prompt names the user's files, not their copies on the media";
    for (const char* p : {"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"})
        EXPECT_FALSE(fileExists(p)) << p;
    EXPECT_EQ(sandbox.readFile("C:\\4.txt"), "content of C:\\4.txt");
    EXPECT_EQ(Engine().ErrorCount, 0);
    EXPECT_FALSE(Engine().SkipEncrypted);
}

TEST_F(PasswordPrompt, PasswordAddedByThePromptOpensEveryFile) {
    ScriptPrompt({1}, "right");
    RunRestore(all);
    EXPECT_EQ(asked.size(), 1u);
    for (const std::string& p : all)
        EXPECT_EQ(sandbox.readFile(p), "content of " + p);
}

// A skipped file's progress follows its copy on the media: a damaged record that
// claims 2^62 bytes must not step through 2^39 blocks.
TEST_F(RestoreRunTest, SkippedFileWithHugeRecordedSizeStepsItsCopyOnly) {
    sandbox.writeFile("E:\\Quillmoor\\Drive_C\\big.txt", "twelve bytes");
    DriveListRecord record;
    record.SourcePath = "C:\\big.txt";
    record.MediaPath = "E:\\Quillmoor\\Drive_C\\big.txt";
    record.Size = int64_t{1} << 62;
    record.Encryption = 1;
    auto bytes = SerializeDriveListRecord(record);
    auto count = SerializeDriveListCount(1);
    sandbox.writeFile("E:\\Quillmoor\\drive.lst", std::string(count.begin(), count.end()) +
                                                      std::string(bytes.begin(), bytes.end()));
    Engine().AskPasswordProc = [](const std::string&) { return 2; };
    progress.clear();
    RunRestore({record.SourcePath}, "C:\\Restore\\");
    EXPECT_FALSE(fileExists("C:\\Restore\\big.txt"));
    int64_t stepped = 0;
    for (const ProgressCall& call : progress)
        stepped = std::max(stepped, call.fileBytesDone);
    EXPECT_EQ(stepped, 12);
}

TEST_F(RestoreRunTest, CatalogueSourcePathNeverLeadsOutOfTheChosenFolder) {
    sandbox.writeFile("E:\\Quillmoor\\Drive_C\\evil.txt", "planted");
    DriveListRecord record;
    record.SourcePath = "C:\\..\\..\\evil.txt";
    record.MediaPath = "E:\\Quillmoor\\Drive_C\\evil.txt";
    record.Size = 7;
    auto bytes = SerializeDriveListRecord(record);
    auto count = SerializeDriveListCount(1);
    sandbox.writeFile("E:\\Quillmoor\\drive.lst", std::string(count.begin(), count.end()) +
                                                      std::string(bytes.begin(), bytes.end()));
    RunRestore({record.SourcePath}, "C:\\Restore\\");
    RunRestore({record.SourcePath});
    EXPECT_FALSE(folderExists("C:\\Restore"));
    EXPECT_EQ(LogLines().size(), 2u);
    EXPECT_EQ(Engine().ErrorCount, 2);
}

// A link planted on a media drive never makes a restore read a file of the computer's
// own: a media copy, or a folder of the copy tree, that is a link is no backup (logged
// and counted), and a catalogue that is a link lists nothing.
TEST_F(RestoreRunTest, LinksPlantedOnTheMediaAreNeverReadThrough) {
    sandbox.writeFile("C:\\secret\\a.txt", "the computer's own secret");
    const std::string secret = sandbox.hostOf('C') + "/secret";
    const std::string copyTree = sandbox.hostOf('E') + "/Quillmoor/Drive_C/d";
    for (const bool folder : {false, true}) {
        SCOPED_TRACE(folder ? "a linked folder" : "a linked copy");
        sandbox.writeFile("C:\\d\\a.txt", "backed up");
        SetUpJob(Mode::Plain, 0);
        BackupPaths({"C:\\d\\a.txt"});
        if (folder) {
            std::filesystem::remove_all(copyTree);
            std::filesystem::create_directory_symlink(secret, copyTree);
        } else {
            std::filesystem::remove(copyTree + "/a.txt");
            std::filesystem::create_symlink(secret + "/a.txt", copyTree + "/a.txt");
        }
        std::filesystem::remove_all(sandbox.hostOf('C') + "/Restore");
        Engine().ErrorCount = 0;
        RunRestore({"C:\\d\\a.txt"}, "C:\\Restore\\");
        EXPECT_FALSE(fileExists("C:\\Restore\\d\\a.txt"));
        EXPECT_EQ(Engine().ErrorCount, 1);
        std::filesystem::remove_all(copyTree);
    }

    // A catalogue elsewhere, linked in as the media's own.
    std::filesystem::rename(sandbox.hostOf('E') + "/Quillmoor/drive.lst", secret + "/drive.lst");
    std::filesystem::create_symlink(secret + "/drive.lst",
                                    sandbox.hostOf('E') + "/Quillmoor/drive.lst");
    TBackUpJob lister;
    lister.SetDestination('E');
    std::vector<std::string> paths;
    lister.ListDriveFiles(nullptr, nullptr, nullptr, &paths);
    EXPECT_TRUE(paths.empty());
}

TEST_F(RestoreRunTest, CipherLostMidFileLeavesTheComputersFileUntouched) {
    // Something frees the job cipher after the first block: the second block cannot be
    // decrypted, and cipher text must never replace the user's file.
    std::string big(static_cast<size_t>(kBlockBytes) + 5, 'p');
    sandbox.writeFile("C:\\big.bin", big);
    SetUpJob(Mode::Plain, 256);
    BackupPaths({"C:\\big.bin"});
    sandbox.writeFile("C:\\big.bin", "work of today");
    deleteFile(job.LogFileName);
    Engine().ProgressProc = [](int32_t, bool, int64_t, int64_t fileBytes, int64_t) {
        if (fileBytes == kBlockBytes)
            Engine().JobCipher->FreeCipher();
    };
    RunRestore({"C:\\big.bin"});
    EXPECT_TRUE(sandbox.readFile("C:\\big.bin") == "work of today");
    EXPECT_EQ(LogLines(),
              std::vector<std::string>{"*** ERROR *** " + Line("C:\\big.bin - can't restore.")});
    EXPECT_EQ(Engine().ErrorCount, 1);
}

TEST_F(RestoreRunTest, SkippedFileWithAnAbsurdCatalogueSizeIsSteppedBriefly) {
    // A damaged record claims an encrypted copy of 2^60 bytes; the user skips it. Its
    // blocks are stepped for progress only as far as the media copy really goes.
    sandbox.writeFile("E:\\Quillmoor\\Drive_C\\huge.bin", std::string(100, 'h'));
    DriveListRecord record;
    record.SourcePath = "C:\\huge.bin";
    record.MediaPath = "E:\\Quillmoor\\Drive_C\\huge.bin";
    record.Size = int64_t{1} << 60;
    record.Encryption = 1;
    auto bytes = SerializeDriveListRecord(record);
    auto count = SerializeDriveListCount(1);
    sandbox.writeFile("E:\\Quillmoor\\drive.lst", std::string(count.begin(), count.end()) +
                                                      std::string(bytes.begin(), bytes.end()));
    ScriptPrompt({2});
    Engine().ProgressProc = [this](int32_t f, bool l, int64_t s, int64_t fb, int64_t b) {
        progress.push_back({f, l, s, fb, b});
        if (progress.size() > 1000)
            Engine().CancelFlag = true; // ends a runaway walk so that the test can fail
    };
    RunRestore({record.SourcePath});
    EXPECT_EQ(asked.size(), 1u);
    ASSERT_EQ(progress.size(), 3u); // start, the one block, the end of the run
    EXPECT_EQ(progress[1].fileBytesDone, 100);
    EXPECT_EQ(progress[2].bytesDone, -1);
    EXPECT_FALSE(fileExists("C:\\huge.bin"));
}

TEST_F(RestoreRunTest, CancelLeavesNoPartialFileLineOrFinalCall) {
    sandbox.writeFile("C:\\1.txt", "one");
    sandbox.writeFile("C:\\2.txt", "two");
    sandbox.writeFile("C:\\3.txt", "three");
    SetUpJob(Mode::Plain, 0);
    BackupPaths({"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"});
    for (const char* p : {"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"})
        deleteFile(p);
    deleteFile(job.LogFileName);
    progress.clear();
    Engine().ProgressProc = [this](int32_t f, bool l, int64_t s, int64_t fb, int64_t b) {
        progress.push_back({f, l, s, fb, b});
        if (f == 2 && fb > 0)
            Engine().CancelFlag = true;
    };
    RunRestore({"C:\\1.txt", "C:\\2.txt", "C:\\3.txt"});
    EXPECT_EQ(sandbox.readFile("C:\\1.txt"), "one");
    for (const char* p : {"C:\\2.txt", "C:\\2.txt.qmpart", "C:\\3.txt"})
        EXPECT_FALSE(fileExists(p)) << p;
    EXPECT_EQ(LogLines(),
              std::vector<std::string>{Line("C:\\1.txt restored to its \"Original Location\".")});
    EXPECT_FALSE(Engine().CancelFlag);
    EXPECT_FALSE(Engine().DriveListHandle.isOpen());
    const std::vector<std::tuple<int, int64_t, int64_t>> want = {
        {1, 0, 0}, {1, 3, 3}, {1, 0, 3}, {2, 3, 6}}; // the start call counts the file before
    ASSERT_EQ(progress.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_EQ(std::make_tuple(progress[i].filesDone, progress[i].fileBytesDone,
                                  progress[i].bytesDone),
                  want[i]);
}

// A file of 9 MiB (two blocks, two archive chunks) backed up, then changed on the
// computer: the changed file is the user's original that a restore may only replace
// whole. Rows: the plain restore, the revision restore and the archive entry restore.
enum class Road { Plain, Revision, Archive };

class RestoreOverOriginal : public RunTest, public ::testing::WithParamInterface<Road> {
  protected:
    static constexpr const char* kBig = "C:\\data\\big.bin";
    static constexpr const char* kOriginal = "the user's work of today";

    void SetUp() override {
        // Three blocks or chunks (see the cut below).
        for (int i = 0; i < 16 * 1048576 + 12345; ++i)
            content.push_back(static_cast<char>((i * 2654435761u) >> 13));
        sandbox.writeFile(kBig, content);
        sandbox.setFileTime(kBig, 2026, 4, 2, 9, 30, 0);
        SetUpJob(GetParam() == Road::Archive ? Mode::FileArchives : Mode::Plain, 0);
        job.SetRevision(GetParam() == Road::Revision);
        job.SetTopRevision(3);
        BackupPaths({kBig});
        host = sandbox.writeFile(kBig, kOriginal);
        sandbox.setFileTime(kBig, 2026, 6, 1, 8, 0, 0);
        originalDate = *fileDosDateTime(kBig);
        deleteFile(job.LogFileName);
    }

    void RunRoad() {
        if (GetParam() != Road::Revision)
            return RunRestore({kBig});
        TBackUpJob restore;
        restore.SetDestination('E');
        restore.SetLogSave(true);
        restore.LogFileName = job.LogFileName;
        restore.SourceFiles = {kBig};
        TRevisionFileList list;
        int revised = 0;
        restore.CollectRevisions(list, revised, nullptr);
        restore.RestoreRevisions(list, true);
    }

    std::string MediaFile() const {
        return GetParam() == Road::Archive ? FileArchivePathFor('E', kBig) : CopyPathFor('E', kBig);
    }

    void ExpectOriginalUntouched() {
        EXPECT_EQ(sandbox.readFile(kBig), kOriginal);
        EXPECT_EQ(fileDosDateTime(kBig), originalDate);
        std::vector<std::string> names;
        for (const FolderEntry& e : listFolder("C:\\data").entries)
            names.push_back(e.name);
        EXPECT_EQ(names, std::vector<std::string>{"big.bin"}) << "no temporary file is left";
        for (const std::string& line : LogLines())
            EXPECT_EQ(line.find("restored to"), std::string::npos) << line;
    }

    std::string content, host;
    uint32_t originalDate = 0;
    bool cut = false;
};

TEST_P(RestoreOverOriginal, CancelAfterTheFirstBlockLeavesTheOriginal) {
    Engine().ProgressProc = [](int32_t, bool, int64_t, int64_t fileBytes, int64_t) {
        if (fileBytes > 0)
            Engine().CancelFlag = true;
    };
    RunRoad();
    EXPECT_FALSE(Engine().CancelFlag);
    ExpectOriginalUntouched();
    EXPECT_EQ(Engine().ErrorCount, 0);
}

TEST_P(RestoreOverOriginal, MediaFileCutShortMidRestoreLeavesTheOriginal) {
    // The media copy or archive loses its tail once the first block or chunk is written,
    // as when the media drive fails: the next read comes back short. With one worker an
    // archive is read one chunk ahead of the chunk in hand, so the third is read after it.
    Engine().WorkerLimit = 1;
    Engine().ProgressProc = [this](int32_t, bool, int64_t, int64_t fileBytes, int64_t) {
        if (fileBytes == 0 || cut)
            return;
        FileHandle media = FileHandle::open(MediaFile(), OpenMode::ReadWrite);
        cut = media.seek(1024) == 1024 && media.truncate();
    };
    RunRoad();
    EXPECT_TRUE(cut);
    ExpectOriginalUntouched();
    EXPECT_EQ(Engine().ErrorCount, 1);
    ASSERT_EQ(LogLines().size(), 1u);
    EXPECT_EQ(LogLines()[0],
              "*** ERROR *** " + std::string(kNow) + " " + kBig + " - can't restore.");
}

TEST_P(RestoreOverOriginal, CompleteRestoreReplacesItWithTheExactBytesAndDate) {
    ASSERT_EQ(chmod(host.c_str(), 0640), 0);
    RunRoad();
    EXPECT_TRUE(sandbox.readFile(kBig) == content) << "the exact bytes of the backup";
    EXPECT_EQ(fileDosDateTime(kBig), dateTimeToDos(encodeDateTime({2026, 4, 2, 9, 30, 0, 0})));
    struct stat st {};
    ASSERT_EQ(stat(host.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u) << "the replaced file keeps its permissions";
    EXPECT_EQ(LogLines(), std::vector<std::string>{std::string(kNow) + " " + kBig +
                                                   " restored to its \"Original Location\"."});
    EXPECT_EQ(Engine().ErrorCount, 0);
}

INSTANTIATE_TEST_SUITE_P(Roads, RestoreOverOriginal,
                         ::testing::Values(Road::Plain, Road::Revision, Road::Archive),
                         qm::test::RowsNamedBy([](Road road) {
                             return road == Road::Plain      ? "plain"
                                    : road == Road::Revision ? "revision"
                                                             : "archive";
                         }));

// Who may read a file is carried to the media and back, never widened: the media copy of
// a file, or the archive holding it, is readable by no one who could not read the file; a
// restore that makes the file gives it the bits the media kept (without execute from an
// archive); a restore over a file keeps that file's mode, owner and group (the tests run
// as root, who can hand a file to another user).
TEST_F(RestoreRunTest, PermissionsAreNeverWidenedOnTheMediaOrByARestore) {
    const mode_t oldMask = ::umask(022);
    struct Row {
        uint32_t mode;
        Mode storage;
        uint32_t media;    // the media file's permission bits
        uint32_t restored; // the bits of the file a restore makes
        int keySize = 0;   // encrypted copies have a check file, no wider than the copy
    };
    const Row rows[] = {
        {0600, Mode::Plain, 0600, 0600},        {0640, Mode::Plain, 0640, 0640},
        {0755, Mode::Plain, 0755, 0755},        {0600, Mode::FileArchives, 0600, 0600},
        {0755, Mode::FileArchives, 0644, 0644}, {0640, Mode::RunArchive, 0640, 0640},
        {0600, Mode::Plain, 0600, 0600, 256},   {0600, Mode::RunArchive, 0600, 0600, 128}};
    int minute = 0;
    for (const Row& row : rows) {
        const std::string path = "C:\\modes\\f" + std::to_string(minute) + ".txt";
        SCOPED_TRACE(path);
        // A run archive is named after its start: one minute per row.
        setClock([minute] { return encodeDateTime({2026, 12, 7, 23, minute, 0, 0}); });
        ++minute;
        sandbox.writeFile(path, "private " + path);
        ASSERT_EQ(::chmod(toHostPath(path)->c_str(), row.mode), 0);
        SetUpJob(row.storage, row.keySize);
        BackupPaths({path});
        const std::string media = Records()[path].MediaPath;
        ASSERT_TRUE(fileAccess(media)) << media;
        EXPECT_EQ(fileAccess(media)->mode, row.media) << media;
        if (row.keySize != 0 && row.storage == Mode::Plain) {
            ASSERT_TRUE(fileAccess(CheckFileName(media)));
            EXPECT_EQ(fileAccess(CheckFileName(media))->mode, row.media) << "its check file";
        }

        deleteFile(path);
        RunRestore({path});
        ASSERT_TRUE(fileAccess(path));
        EXPECT_EQ(fileAccess(path)->mode, row.restored) << "a new file";

        sandbox.writeFile(path, "changed by its owner");
        const std::string host = *toHostPath(path);
        ASSERT_EQ(::chmod(host.c_str(), 0604), 0);
        const bool root = ::geteuid() == 0;
        if (root) {
            ASSERT_EQ(::chown(host.c_str(), 4321, 4322), 0);
        }
        RunRestore({path});
        EXPECT_EQ(sandbox.readFile(path), "private " + path);
        const std::optional<FileAccess> replaced = fileAccess(path);
        ASSERT_TRUE(replaced);
        EXPECT_EQ(replaced->mode, 0604u) << "the replaced file's mode";
        if (root) {
            EXPECT_EQ(replaced->owner, 4321u) << "and its owner";
            EXPECT_EQ(replaced->group, 4322u);
        }
    }
    EXPECT_EQ(Engine().ErrorCount, 0);
    ::umask(oldMask);
}

// Media that keep no permissions show one mode for every file (NTFS as Linux mounts it:
// 0777): a restore that makes a file gives it a new file's bits, never the media's.
TEST_F(RestoreRunTest, MediaThatKeepNoPermissionsGiveARestoredFileANewFilesBits) {
    const mode_t oldMask = ::umask(022);
    Engine().MediaKeepsModesProc = [](const std::string&) { return false; };
    for (Mode mode : {Mode::Plain, Mode::FileArchives}) {
        SCOPED_TRACE(ModeName(mode));
        sandbox.writeFile("C:\\p\\key.txt", "private");
        ASSERT_EQ(::chmod(toHostPath("C:\\p\\key.txt")->c_str(), 0600), 0);
        SetUpJob(mode, 0);
        BackupPaths({"C:\\p\\key.txt"});
        const std::string media = Records()["C:\\p\\key.txt"].MediaPath;
        ASSERT_EQ(::chmod(toHostPath(media)->c_str(), 0777), 0);
        deleteFile("C:\\p\\key.txt");
        RunRestore({"C:\\p\\key.txt"});
        ASSERT_TRUE(fileAccess("C:\\p\\key.txt"));
        EXPECT_EQ(fileAccess("C:\\p\\key.txt")->mode, 0644u);
    }
    EXPECT_EQ(Engine().ErrorCount, 0);
    ::umask(oldMask);
}

// The plain restore tries its passwords at the run's key size only (the revision restore
// and the archive reader try all three): a copy made at 192 bits with KeySize 128 in
// force is not opened, and the prompt is asked.
TEST_F(RestoreRunTest, PlainRestoreTriesTheCurrentKeySizeOnly) {
    sandbox.writeFile("C:\\k.txt", "keyed at 192");
    SetUpJob(Mode::Plain, 192, "pw");
    BackupPaths({"C:\\k.txt"});
    deleteFile("C:\\k.txt");
    Engine().KeySize = 128;
    ScriptPrompt({2});
    RunRestore({"C:\\k.txt"});
    EXPECT_FALSE(fileExists("C:\\k.txt"));
    EXPECT_EQ(asked, std::vector<std::string>{"C:\\k.txt"});
    Engine().KeySize = 192;
    RunRestore({"C:\\k.txt"});
    EXPECT_EQ(sandbox.readFile("C:\\k.txt"), "keyed at 192");
    EXPECT_EQ(asked.size(), 1u);
}

// A restore stopped at any change it makes on the computer leaves the file there as it
// was or as backed up, and the next restore run removes the temporary it left beside it.
TEST_F(RestoreRunTest, RestoreStoppedAtAnyChangeLeavesNoTemporaryForTheNextRun) {
    for (Mode mode : {Mode::Plain, Mode::FileArchives}) {
        SCOPED_TRACE(static_cast<int>(mode));
        sandbox.writeFile("C:\\docs\\a.txt", "backed up");
        SetUpJob(mode, 192);
        BackupPaths({"C:\\docs\\a.txt"});
        auto setup = [this] { sandbox.writeFile("C:\\docs\\a.txt", "changed since"); };
        auto restore = [this] { RunRestore({"C:\\docs\\a.txt"}); };
        ForEveryCrashPoint("C:\\docs", setup, restore, [this](int) {
            RunRestore({"C:\\other.txt"}); // the next run
            const FolderListing docs = listFolder("C:\\docs");
            ASSERT_EQ(docs.entries.size(), 1u) << docs.entries.back().name;
            const std::string content = sandbox.readFile("C:\\docs\\a.txt").value_or("");
            EXPECT_TRUE(content == "backed up" || content == "changed since") << content;
        });
    }
}

// A plain restore of a file kept in versions brings back the newest, the copy its
// record's date and size describe, not the oldest kept.
TEST_F(RestoreRunTest, PlainRestoreBringsBackTheNewestVersion) {
    for (int day = 1; day <= 3; ++day) {
        sandbox.writeFile("C:\\r.txt", "version " + std::to_string(day));
        sandbox.setFileTime("C:\\r.txt", 2026, 5, day, 12, 0, 0);
        BackupAs({"C:\\r.txt"}, Mode::Plain, 3, 192);
    }
    deleteFile("C:\\r.txt");
    RunRestore({"C:\\r.txt"});
    EXPECT_EQ(sandbox.readFile("C:\\r.txt"), "version 3");
    EXPECT_EQ(*fileDosDateTime("C:\\r.txt"), dateTimeToDos(Records()["C:\\r.txt"].Date));
}

// A folder of the copy tree swapped for a link while a run goes on (by anyone else who
// may write the media drive) leads no later step of the run out of the media: the file
// change seam swaps it between two steps, after the run has used it. The decoys, files
// of the computer's own under the copies' names, stay unread and untouched, and the run
// logs and counts what it could not do.
TEST_F(RestoreRunTest, CopyFolderSwappedForALinkMidRunLeadsNothingOutOfTheMedia) {
    namespace fs = std::filesystem;
    const std::vector<std::string> paths = {"C:\\d\\a.txt", "C:\\d\\b.txt"};
    const std::string copies = sandbox.hostOf('E') + "/Quillmoor/Drive_C/d";
    const std::string decoys = sandbox.hostOf('C') + "/decoy";
    const std::string decoy = "the computer's own";
    struct Row {
        const char* name;
        const char* trigger; // the swap comes just before the first change below this path
        std::function<void()> run;
        std::string failure;
    };
    const Row rows[] = {
        {"delete", "E:\\Quillmoor\\Drive_C\\d\\",
         [&] {
             TBackUpJob remover;
             remover.SetDestination('E');
             remover.SetLogSave(true);
             remover.LogFileName = job.LogFileName;
             remover.DeleteFiles(paths);
         },
         " - can't delete; it stays on the media drive."},
        {"restore", "C:\\Restore\\", [&] { RunRestore(paths, "C:\\Restore\\"); },
         "C:\\d\\b.txt - can't restore."},
        {"revision restore", "C:\\d\\", [&] { RunNewestRestore(paths); },
         "C:\\d\\b.txt - can't restore."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(sandbox.hostOf('E') + "/Quillmoor");
        fs::remove_all(decoys);
        fs::remove_all(sandbox.hostOf('C') + "/Restore");
        for (int day = 1; day <= 2; ++day) {
            for (const std::string& path : paths)
                sandbox.writeFile(path, "backup " + std::to_string(day) + " of " + path);
            BackupAs(paths, Mode::Plain, 2);
        }
        for (const std::string& path : paths)
            deleteFile(path);
        deleteFile(job.LogFileName);
        Engine().ErrorCount = 0;
        bool swapped = false;
        {
            ChangeGate swap([&](FileChange, std::string_view path) {
                if (swapped || !path.starts_with(row.trigger))
                    return true;
                swapped = true;
                fs::create_directories(decoys);
                for (const fs::directory_entry& entry : fs::directory_iterator(copies))
                    std::ofstream(decoys + "/" + entry.path().filename().string()) << decoy;
                fs::remove_all(copies);
                fs::create_directory_symlink(decoys, copies);
                return true;
            });
            row.run();
        }
        ASSERT_TRUE(swapped);
        // Only the decoys themselves hold their text, each as it was.
        int decoysSeen = 0;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(
                 sandbox.root(), fs::directory_options::skip_permission_denied)) {
            if (!entry.is_regular_file() || entry.is_symlink())
                continue;
            std::ifstream in(entry.path());
            const std::string text((std::istreambuf_iterator<char>(in)), {});
            if (text == decoy) {
                EXPECT_EQ(entry.path().parent_path(), fs::path(decoys)) << entry.path();
                ++decoysSeen;
            }
        }
        EXPECT_EQ(decoysSeen, 4) << "a.txt, a_1.txt, b.txt and b_1.txt";
        const std::vector<std::string> lines = LogLines();
        const auto errors = std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
            return line.find("ERROR") != std::string::npos;
        });
        EXPECT_GT(errors, 0);
        EXPECT_EQ(Engine().ErrorCount, errors);
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.ends_with(row.failure);
        })) << ::testing::PrintToString(lines);
        fs::remove(copies);
    }
}

// A record may name a file on the media drive itself, outside its folder, where whoever
// wrote the drive may have put a link: restored to its original location, such a file is
// written through real folders only. One reached through a link is refused with its line
// and one error, whatever the kind of backup; one in a real folder is restored.
TEST_F(RestoreRunTest, TargetOnTheMediaDriveIsNeverWrittenThroughALink) {
    namespace fs = std::filesystem;
    const std::string ssh = sandbox.hostOf('C') + "/home/.ssh";
    const std::string evil = sandbox.hostOf('E') + "/evil";
    const std::vector<std::string> paths = {"E:\\evil\\authorized_keys", "E:\\real\\notes.txt"};
    for (const Mode mode : {Mode::Plain, Mode::FileArchives, Mode::RunArchive}) {
        SCOPED_TRACE(ModeName(mode));
        fs::remove_all(sandbox.hostOf('E') + "/Quillmoor");
        fs::remove(evil);
        fs::remove_all(ssh);
        fs::create_directories(ssh);
        sandbox.writeFile(paths[0], "ssh-ed25519 AAAA planted");
        sandbox.writeFile(paths[1], "notes");
        BackupAs(paths, mode, 0);
        fs::remove_all(evil);
        fs::create_directory_symlink(ssh, evil);
        deleteFile(paths[1]);
        deleteFile(job.LogFileName);
        Engine().ErrorCount = 0;
        RunRestore(paths);
        EXPECT_FALSE(fs::exists(ssh + "/authorized_keys"));
        EXPECT_TRUE(fs::is_empty(ssh));
        EXPECT_EQ(sandbox.readFile(paths[1]), "notes");
        const std::vector<std::string> lines = LogLines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(),
                             "*** ERROR *** " + Line("E:\\evil\\authorized_keys - can't restore.")),
                  1)
            << ::testing::PrintToString(lines);
        EXPECT_EQ(Engine().ErrorCount, 1);
    }
}

} // namespace
} // namespace qm::test

namespace qm::test {
namespace {

std::string HostOf(const std::string& dosPath) {
    return *toHostPath(dosPath);
}

// A copy whose length is not its record's is not the file that was backed up: cut on
// the media to nothing or to 100 bytes, or grown, encrypted or not, it is refused on both
// roads (the plain restore and the newest version), logged and counted once, and the
// newer file on the computer stays as it was.
TEST_F(RestoreRunTest, ACopyOfAnotherLengthThanItsRecordIsNeverRestored) {
    std::string doc;
    for (int i = 0; i < 220; ++i)
        doc.push_back(static_cast<char>('a' + i % 26));
    for (const int keySize : {0, 128}) {
        for (const uintmax_t length : {0, 100, 300}) {
            for (const bool revisions : {false, true}) {
                SCOPED_TRACE(std::to_string(keySize) + " bits, copy of " + std::to_string(length) +
                             (revisions ? ", newest version" : ""));
                std::filesystem::remove_all(sandbox.hostOf('E') + "/Quillmoor");
                sandbox.writeFile("C:\\doc.txt", doc);
                BackupAs({"C:\\doc.txt"}, Mode::Plain, 0, keySize);
                ASSERT_EQ(Records()["C:\\doc.txt"].Size, 220);
                std::filesystem::resize_file(HostOf(CopyPathFor('E', "C:\\doc.txt")), length);
                sandbox.writeFile("C:\\doc.txt", "newer work");
                deleteFile(job.LogFileName);
                Engine().ErrorCount = 0;
                ScriptPrompt({2});
                if (revisions)
                    RunNewestRestore({"C:\\doc.txt"});
                else
                    RunRestore({"C:\\doc.txt"});
                EXPECT_EQ(sandbox.readFile("C:\\doc.txt"), "newer work");
                EXPECT_EQ(LogLines(), std::vector<std::string>{
                                          "*** ERROR *** " + Line("C:\\doc.txt - can't restore.")});
                EXPECT_EQ(Engine().ErrorCount, 1);
                EXPECT_TRUE(asked.empty()) << "the password in the list opens it";
            }
        }
    }
}

// The check file of an encrypted copy: a missing one matches no password, so the user
// is asked (and may skip); one that is there but cannot be read whole is a damaged
// backup, logged and counted without a question. Neither touches the computer's file.
TEST_F(RestoreRunTest, OnlyACheckFileThatCannotBeReadIsAnError) {
    struct Row {
        const char* name;
        std::function<void(const std::string& mac)> change;
        bool asked;
    };
    const Row rows[] = {
        {"missing", [](const std::string& mac) { std::filesystem::remove(mac); }, true},
        {"wrong password", [](const std::string&) { Engine().PasswordList = {"wrong"}; }, true},
        {"three bytes", [](const std::string& mac) { std::filesystem::resize_file(mac, 3); },
         false},
        {"a folder",
         [](const std::string& mac) {
             std::filesystem::remove(mac);
             std::filesystem::create_directory(mac);
         },
         false},
    };
    for (const Row& row : rows) {
        for (const bool revisions : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (revisions ? ", newest version" : ""));
            std::filesystem::remove_all(sandbox.hostOf('E') + "/Quillmoor");
            sandbox.writeFile("C:\\doc.txt", "backed up");
            BackupAs({"C:\\doc.txt"}, Mode::Plain, 0, 128);
            row.change(HostOf(CheckFileName(CopyPathFor('E', "C:\\doc.txt"))));
            sandbox.writeFile("C:\\doc.txt", "newer work");
            deleteFile(job.LogFileName);
            Engine().ErrorCount = 0;
            asked.clear();
            ScriptPrompt({2});
            if (revisions)
                RunNewestRestore({"C:\\doc.txt"});
            else
                RunRestore({"C:\\doc.txt"});
            EXPECT_EQ(sandbox.readFile("C:\\doc.txt"), "newer work");
            EXPECT_EQ(asked.size(), row.asked ? 1u : 0u);
            EXPECT_EQ(Engine().ErrorCount, row.asked ? 0 : 1);
            EXPECT_EQ(LogLines().size(), row.asked ? 0u : 1u);
        }
    }
}

// A record size of 4 GiB give or take one stands for a source that was unreadable at
// backup only when the backup disagrees with it: a real file of that size (a disk image,
// FAT's largest file) has a copy, or an archive entry, of that size, lists with its size
// and is restored. The copies are sparse; only their lengths and headers are read.
TEST_F(RestoreRunTest, AFourGiBRecordIsUnreadableOnlyWhenItsBackupDisagrees) {
    enum class Kind { Copy, FileArchive, RunArchive };
    struct Row {
        int64_t recordSize;
        int64_t backupSize; // the copy's length or the entry's size field; -1: none
        Kind kind;
        bool unreadable;
    };
    const Row rows[] = {
        {4294967294, 4294967294, Kind::Copy, false},
        {4294967295, 4294967295, Kind::Copy, false},
        {4294967296, 4294967296, Kind::Copy, false},
        {4294967295, -1, Kind::Copy, true},
        {4294967295, 0, Kind::Copy, true},
        {4294967296, 4294967295, Kind::Copy, true},
        {4294967295, 4294967295, Kind::FileArchive, false},
        {4294967295, 100, Kind::FileArchive, true},
        {4294967296, 4294967296, Kind::RunArchive, false},
        {4294967294, -1, Kind::RunArchive, true},
        {4294967297, -1, Kind::Copy, false}, // outside the failed query's sizes
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.recordSize) + " recorded, " +
                     std::to_string(row.backupSize) + " backed up, kind " +
                     std::to_string(static_cast<int>(row.kind)));
        std::filesystem::remove_all(sandbox.hostOf('E') + "/Quillmoor");
        DriveListRecord record;
        record.SourcePath = "C:\\disk.img";
        record.Size = row.recordSize;
        record.Compression = row.kind != Kind::Copy;
        record.InArchive = row.kind == Kind::RunArchive;
        record.MediaPath = row.kind == Kind::Copy ? CopyPathFor('E', record.SourcePath)
                           : row.kind == Kind::FileArchive
                               ? FileArchivePathFor('E', record.SourcePath)
                               : "E:\\Quillmoor\\Drive_C\\run.bpa";
        // Written under another letter: the listing looks on the drive as it is now.
        DriveListRecord stored = record;
        stored.MediaPath[0] = 'G';
        const auto count = SerializeDriveListCount(1);
        const auto bytes = SerializeDriveListRecord(stored);
        sandbox.writeFile("E:\\Quillmoor\\drive.lst", std::string(count.begin(), count.end()) +
                                                          std::string(bytes.begin(), bytes.end()));
        if (row.backupSize >= 0 && row.kind == Kind::Copy) {
            sandbox.writeFile(record.MediaPath, "");
            std::filesystem::resize_file(HostOf(record.MediaPath),
                                         static_cast<uintmax_t>(row.backupSize));
        } else if (row.backupSize >= 0) {
            // Another file's entry first, then the file's own: header and chunk table.
            std::string archive;
            for (const char* path : {"C:\\other.txt", "C:\\disk.img"}) {
                ArchiveEntryHeader header;
                header.Path = path;
                header.Size = std::string(path) == "C:\\other.txt" ? 5 : row.backupSize;
                header.ChunkCount = static_cast<uint16_t>(header.Size / 8388608 + 1);
                const auto head = SerializeEntryHeader(header);
                const auto table = SerializeChunkTable(std::vector<int32_t>(header.ChunkCount, 0));
                archive +=
                    std::string(head.begin(), head.end()) + std::string(table.begin(), table.end());
            }
            sandbox.writeFile(record.MediaPath, archive);
        }
        EXPECT_EQ(UnreadableAtBackup(record), row.unreadable);
        TBackUpJob lister;
        lister.SetDestination('E');
        TStringList sizes;
        lister.ListDriveFiles(nullptr, nullptr, &sizes, nullptr);
        EXPECT_EQ(sizes, TStringList{row.unreadable ? "0" : std::to_string(row.recordSize)});
    }
}

} // namespace
} // namespace qm::test
