#pragma once
// Scaffolding shared by the run tests: a small source tree on C:, a job set up for one
// of the three storage modes and key sizes, the catalogue read back as records, and a
// scripted password prompt.

#include "enginetest.h"
#include "support/powercut.h"

#include "engine/driverecord.h"
#include "engine/keymanager.h"
#include "platform/fileio.h"

#include <deque>
#include <functional>
#include <map>
#include <string>

namespace qm::test {

enum class Mode { Plain, FileArchives, RunArchive };

// The mode as a test row's name.
inline std::string ModeName(Mode mode) {
    return mode == Mode::Plain          ? "plain"
           : mode == Mode::FileArchives ? "file_archives"
                                        : "run_archive";
}

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

    // A fresh job over E: for a revision restore of the newest version of each of `paths`.
    void RunNewestRestore(const std::vector<std::string>& paths) {
        TBackUpJob restore;
        restore.SetDestination('E');
        restore.SetLogSave(true);
        restore.LogFileName = job.LogFileName;
        restore.SourceFiles = paths;
        TRevisionFileList list;
        int revised = 0;
        restore.CollectRevisions(list, revised, nullptr);
        restore.RestoreRevisions(list, true);
    }

    // Backs `paths` up in `mode` with `keySize` (0: plain) and `topRevision` copies
    // kept (0: versions off).
    void BackupAs(const std::vector<std::string>& paths, Mode mode, int topRevision,
                  int keySize = 0) {
        SetUpJob(mode, keySize);
        job.SetRevision(topRevision != 0);
        job.SetTopRevision(static_cast<uint8_t>(topRevision));
        BackupPaths(paths);
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

    // What a crash stops: the program (what it wrote stays), or the power or the media
    // drive (what it had not synced is lost, see PowerCut).
    enum class Crash { Kill, PowerCut };

    // Runs Setup and Work once, counting the changes Work makes to paths that start with
    // Prefix; then, for every n below that count, Setup, Work with the file system
    // stopped after n such changes (as a crash at that moment stops it), a fresh engine
    // state, and Check(n).
    void ForEveryCrashPoint(const std::string& Prefix, const std::function<void()>& Setup,
                            const std::function<void()>& Work,
                            const std::function<void(int)>& Check, Crash How = Crash::Kill) {
        auto matches = [&Prefix](std::string_view path) {
            return path.substr(0, Prefix.size()) == Prefix;
        };
        Setup();
        int changes = 0;
        {
            ChangeGate count([&](FileChange, std::string_view path) {
                changes += matches(path) ? 1 : 0;
                return true;
            });
            Work();
        }
        ASSERT_GT(changes, 0);
        for (int n = 0; n < changes; ++n) {
            SCOPED_TRACE(::testing::Message() << "stopped after " << n << " of " << changes);
            Setup();
            {
                int allowed = n;
                PowerCut power(Prefix[0]);
                FileChangeGate stop = [&](FileChange, std::string_view path) {
                    return !matches(path) || allowed-- > 0;
                };
                ChangeGate crash(How == Crash::PowerCut ? power.Gate(stop) : stop);
                Work();
                if (How == Crash::PowerCut)
                    power.Cut();
            }
            const auto passwords = Engine().PasswordList;
            Engine().Reset();
            Engine().PasswordList = passwords;
            Check(n);
        }
    }

    // Files left in the media's staging folder (none once a run has ended).
    size_t StagedFiles() const {
        FolderListing listing = listFolder("E:\\Quillmoor\\Staging");
        return listing.entries.size();
    }

    void DeleteSources() {
        for (const auto& entry : files)
            deleteFile(entry.first);
    }

    std::vector<std::pair<std::string, std::string>> files;
    std::vector<std::string> asked;
};

} // namespace qm::test
