#pragma once
// Scaffolding shared by the run tests: a small source tree on C:, a job set up for one
// of the three storage modes and key sizes, the catalogue read back as records, and a
// scripted password prompt.

#include "enginetest.h"

#include "engine/driverecord.h"
#include "engine/keymanager.h"
#include "platform/fileio.h"

#include <deque>
#include <map>

namespace qm::test {

enum class Mode { Plain, FileArchives, RunArchive };

// Installs a file change gate for the length of a scope (see setFileChangeGate).
class ChangeGate {
  public:
    explicit ChangeGate(FileChangeGate gate) { setFileChangeGate(std::move(gate)); }
    ~ChangeGate() { setFileChangeGate(nullptr); }
    ChangeGate(const ChangeGate&) = delete;
    ChangeGate& operator=(const ChangeGate&) = delete;
};

class RunTest : public EngineTest {
  protected:
    RunTest() { createFolderChain("C:\\Program"); }

    // C:\docs\a.txt, C:\docs\sub\b.bin (binary, over a cipher block), C:\top.txt and the
    // empty C:\docs\empty.txt, each with its own date.
    void MakeTree() {
        std::string binary;
        for (int i = 0; i < 70000; ++i)
            binary.push_back(static_cast<char>((i * 7919) >> 3));
        files = {{"C:\\docs\\a.txt", "alpha text\r\n"},
                 {"C:\\docs\\sub\\b.bin", binary},
                 {"C:\\top.txt", "at the root"},
                 {"C:\\docs\\empty.txt", ""}};
        int day = 1;
        for (const auto& [path, content] : files) {
            sandbox.writeFile(path, content);
            sandbox.setFileTime(path, 2026, 5, day++, 10, 20, 30);
        }
    }

    void SetUpJob(Mode mode, int keySize, const std::string& password = "secret") {
        job.SetCompression(mode != Mode::Plain);
        job.SetCompressionType(mode == Mode::RunArchive ? TCompressionType::ctMultipleFile
                                                        : TCompressionType::ctOnesFile);
        job.SetCompressionRate(6);
        job.SetEncryption(keySize != 0);
        job.SetStartTime(now());
        Engine().PasswordList = {password};
        Engine().KeySize = keySize != 0 ? keySize : 128;
        PasswordToKey(password, Engine().KeyBuffer.data(), Engine().KeySize);
    }

    void BackupPaths(const std::vector<std::string>& paths) {
        job.SourceFiles = paths;
        job.Backup();
    }
    void BackupAll() {
        std::vector<std::string> paths;
        for (const auto& entry : files)
            paths.push_back(entry.first);
        BackupPaths(paths);
    }

    // The record of every path in the catalogue of E:.
    std::map<std::string, DriveListRecord> Records() {
        TBackUpJob reader;
        reader.SetDestination('E');
        reader.LoadDriveList();
        std::map<std::string, DriveListRecord> records;
        if (!fileExists("E:\\Quillmoor\\drive.lst"))
            return records;
        reader.OpenDriveList();
        for (const std::string& path : TStringList(reader.CatalogPaths)) {
            DriveListRecord record;
            reader.FindDriveListRecord(path, record);
            records[path] = record;
        }
        reader.CloseDriveListUnchanged();
        return records;
    }

    // A fresh job over E: for a restore of `paths`.
    void RunRestore(const std::vector<std::string>& paths, const std::string& restoreType = "") {
        TBackUpJob restore;
        restore.SetDestination('E');
        restore.SetLogSave(true);
        restore.LogFileName = job.LogFileName;
        restore.SetRestoreType(restoreType);
        restore.LoadDriveList();
        restore.SourceFiles = paths;
        restore.Restore();
    }

    // Answers the password prompt from a script and records what it was asked.
    void ScriptPrompt(std::deque<int> answers, std::string addPassword = "") {
        Engine().AskPasswordProc = [this, answers, addPassword](const std::string& path) mutable {
            asked.push_back(path);
            int answer = answers.empty() ? 2 : answers.front();
            if (!answers.empty())
                answers.pop_front();
            if (!addPassword.empty())
                Engine().PasswordList.push_back(std::exchange(addPassword, ""));
            return answer;
        };
    }

    void DeleteSources() {
        for (const auto& entry : files)
            deleteFile(entry.first);
    }

    std::vector<std::pair<std::string, std::string>> files;
    std::vector<std::string> asked;
};

} // namespace qm::test
