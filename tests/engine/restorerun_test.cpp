#include "engine/restorerun.h"

#include "runtest.h"

#include "engine/copytree.h"

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
    EXPECT_EQ(asked, (std::vector<std::string>{"E:\\Quillmoor\\Drive_C\\1.txt",
                                               "E:\\Quillmoor\\Drive_C\\2.txt"}));
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

TEST_F(RestoreRunTest, CancelKeepsWrittenBlocksWithoutDateLineOrFinalCall) {
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
    EXPECT_EQ(sandbox.readFile("C:\\2.txt"), "two");
    EXPECT_FALSE(fileExists("C:\\3.txt"));
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

} // namespace
} // namespace qm::test
