// A media drive whose calls fail, one at a time: every open, read, change and sync a run
// makes below E: fails in turn (a failed sync losing what had not reached the disk, as
// Linux does), in a backup with versions (plain and encrypted), one with an archive per
// file, one with a run archive, a restore, a revision restore and a delete. After the
// faulted run no copy the run was not asked to drop is gone or changed on the media;
// after the next run every file's versions are either as before or as the run was to
// leave them, and each file left as it was has its log line and its count.

#include "runtest.h"

#include "engine/copytree.h"
#include "support/rowname.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace qm::test {
namespace {

namespace fs = std::filesystem;

const std::string kA = "C:\\d\\a.txt", kB = "C:\\d\\b.txt", kC = "C:\\d\\c.txt",
                  kD = "C:\\d\\d.txt";
const std::vector<std::string> kAll = {kA, kB, kC, kD};

enum class Op { Backup, Restore, NewestRestore, Delete };

struct FaultRow {
    std::string name;
    Mode mode;
    int key; // 0: not encrypted
    Op op;
};

class FailingMedia : public RunTest, public ::testing::WithParamInterface<FaultRow> {
  protected:
    // a.txt backed up three times (its versions "a0" "a1" "a2" where the mode keeps
    // versions), b, c and d once; then a and b change.
    void Prepare() {
        const FaultRow& row = GetParam();
        for (int k = 0; k < 3; ++k) {
            sandbox.writeFile(kA, "a" + std::to_string(k));
            sandbox.setFileTime(kA, 2026, 5, 1 + k, 10, 0, 0);
            BackupAs({kA}, row.mode, 3, row.key);
        }
        for (const std::string& p : {kB, kC, kD}) {
            sandbox.writeFile(p, p.substr(5, 1) + "0");
            sandbox.setFileTime(p, 2026, 5, 9, 10, 0, 0);
        }
        BackupAs({kB, kC, kD}, row.mode, 3, row.key);
        sandbox.writeFile(kA, "a3");
        sandbox.writeFile(kB, "b1");
        ASSERT_EQ(Engine().ErrorCount, 0);
    }

    // The run the row asks for.
    void Work() {
        const FaultRow& row = GetParam();
        Engine().PasswordList = {"secret"};
        Engine().AskPasswordProc = [](const std::string&) { return 2; };
        if (row.op == Op::Backup) {
            BackupAs({kA, kB}, row.mode, 3, row.key);
        } else if (row.op == Op::Restore) {
            RunRestore(kAll);
        } else if (row.op == Op::NewestRestore) {
            RunNewestRestore(kAll);
        } else {
            TBackUpJob remover;
            remover.SetDestination('E');
            remover.SetLogSave(true);
            remover.LogFileName = job.LogFileName;
            remover.DeleteFiles({kA, kC});
        }
    }

    // What the run asks for, file by file: true once it has it.
    // (Restored: what the computer's file held right after the run.)
    bool Handled(const std::string& path, const std::vector<std::string>& versions,
                 const std::string& restored) const {
        const FaultRow& row = GetParam();
        if (row.op == Op::Restore || row.op == Op::NewestRestore)
            return restored == before.at(path).back();
        return versions == after.at(path);
    }
    bool Asked(const std::string& path) const {
        const FaultRow& row = GetParam();
        return row.op == Op::Backup   ? path == kA || path == kB
               : row.op == Op::Delete ? path == kA || path == kC
                                      : true;
    }

    // Every version of every file, oldest first, as a revision restore brings them back
    // (the run that carries out whatever the last one left); no record: none.
    std::map<std::string, std::vector<std::string>> Versions() {
        Engine().PasswordList = {"secret"};
        Engine().AskPasswordProc = [](const std::string&) { return 2; };
        std::map<std::string, std::vector<std::string>> all;
        for (const std::string& path : kAll) {
            std::vector<std::string>& versions = all[path];
            for (int k = 0;; ++k) {
                fs::remove_all(sandbox.hostOf('C') + "/restore");
                TBackUpJob restore;
                restore.SetDestination('E');
                restore.SetRestoreType("C:\\restore\\");
                restore.SourceFiles = {path};
                TRevisionFileList list;
                int revised = 0;
                restore.CollectRevisions(list, revised, nullptr);
                if (list.empty() || list[0].Path.empty() || k >= list[0].Count)
                    break;
                list[0].Dates[0] = list[0].Dates[static_cast<size_t>(k)];
                restore.RestoreRevisions(list, false);
                versions.push_back(sandbox.readFile("C:\\restore\\" + path.substr(3))
                                       .value_or("<nothing restored>"));
            }
        }
        fs::remove_all(sandbox.hostOf('C') + "/restore");
        return all;
    }

    // The bytes of every file in the media's copy tree and staging folder.
    std::set<std::string> MediaBytes() const {
        std::set<std::string> bytes;
        const std::string root = sandbox.hostOf('E') + "/Quillmoor";
        for (const char* folder : {"/Drive_C", "/Staging"}) {
            std::error_code ec;
            for (fs::recursive_directory_iterator it(root + folder, ec), end; !ec && it != end;
                 it.increment(ec)) {
                if (!it->is_regular_file())
                    continue;
                std::ifstream in(it->path(), std::ios::binary);
                bytes.insert(std::string(std::istreambuf_iterator<char>(in), {}));
            }
        }
        return bytes;
    }

    // A copy of From at To with the files' dates: the revision list reads them.
    static void CopyTree(const std::string& From, const std::string& To) {
        fs::create_directories(To);
        for (const fs::directory_entry& e : fs::recursive_directory_iterator(From)) {
            const fs::path target = To / fs::relative(e.path(), From);
            if (e.is_directory()) {
                fs::create_directories(target);
                continue;
            }
            fs::copy_file(e.path(), target);
            fs::last_write_time(target, fs::last_write_time(e.path()));
        }
    }
    void Save() {
        fs::remove_all(saved);
        for (char drive : {'C', 'E'})
            CopyTree(sandbox.hostOf(drive), saved + "/" + drive);
    }
    void Load() {
        for (char drive : {'C', 'E'}) {
            fs::remove_all(sandbox.hostOf(drive));
            CopyTree(saved + "/" + drive, sandbox.hostOf(drive));
        }
        Engine().Reset();
    }

    std::string saved;
    std::map<std::string, std::vector<std::string>> before, after;
};

TEST_P(FailingMedia, EachFailedCallLeavesEveryVersionAndTellsEveryFileLeftAsItWas) {
    saved = sandbox.root() + "/saved";
    Prepare();
    Save();
    before = Versions();
    ASSERT_EQ(before.at(kA).size(), GetParam().mode == Mode::Plain ? 3u : 1u);
    // What the run leaves when nothing fails, and how many calls it makes on E:.
    Load();
    int calls = 0;
    {
        ChangeGate count(
            [&](FileChange, std::string_view path) {
                calls += path.substr(0, 3) == "E:\\" ? 1 : 0;
                return true;
            },
            GateScope::WithOpensAndReads);
        Work();
    }
    ASSERT_EQ(Engine().ErrorCount, 0);
    // The copies a run that does all it is asked keeps: all but the oldest version of a
    // rotation, the archive a new one replaces, the versions of a file deleted.
    const std::set<std::string> left = MediaBytes();
    after = Versions();
    for (const std::string& path : kAll) {
        if (Asked(path) && GetParam().op != Op::Restore && GetParam().op != Op::NewestRestore) {
            ASSERT_NE(after.at(path), before.at(path)) << path;
        }
    }
    Load();
    std::set<std::string> kept;
    for (const std::string& bytes : MediaBytes())
        if (left.count(bytes))
            kept.insert(bytes);
    ASSERT_GT(calls, 10);

    for (int n = 0; n < calls && !HasFailure(); ++n) {
        SCOPED_TRACE(::testing::Message()
                     << GetParam().name << ": call " << n << " of " << calls << " failed");
        Load();
        deleteFile(job.LogFileName);
        bool syncFailed = false;
        std::string failed;
        {
            PowerCut power('E');
            int left = n;
            ChangeGate fail(power.Gate([&](FileChange change, std::string_view path) {
                if (path.substr(0, 3) != "E:\\" || left-- != 0)
                    return true;
                failed = std::to_string(static_cast<int>(change)) + " " + std::string(path);
                syncFailed = change == FileChange::Sync || change == FileChange::SyncFolder ||
                             change == FileChange::SyncFileSystem;
                return false;
            }),
                            GateScope::WithOpensAndReads);
            Work();
            if (syncFailed)
                power.Cut(); // what had not reached the disk is lost
        }
        const int errors = Engine().ErrorCount;
        const std::vector<std::string> lines = LogLines();
        std::string log;
        for (const std::string& line : lines)
            log += line + "\n";
        SCOPED_TRACE("the call that failed: " + failed + "; the log:\n" + log);
        std::map<std::string, std::string> restored;
        for (const std::string& path : kAll)
            restored[path] = sandbox.readFile(path).value_or("");

        // Right after it: every copy on the media the run was not asked to drop is there,
        // byte for byte, under some name of the copy tree or the staging folder.
        const std::set<std::string> now = MediaBytes();
        for (const std::string& bytes : kept)
            if (!now.count(bytes))
                ADD_FAILURE() << "a copy holding " << ::testing::PrintToString(bytes) << " is gone";

        // After the next run: each file as before, or as asked.
        Engine().Reset();
        const std::map<std::string, std::vector<std::string>> versions = Versions();
        int unhandled = 0;
        const bool stopped = std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
            return l.find("the run stops before it changes anything.") != std::string::npos;
        });
        for (const std::string& path : kAll) {
            const std::vector<std::string>& v = versions.at(path);
            EXPECT_TRUE(v == before.at(path) || v == after.at(path))
                << path << " keeps " << ::testing::PrintToString(v);
            // A file without a record leaves no copy behind that nothing would ever find,
            // unless the run said so.
            std::error_code ec;
            for (fs::directory_iterator it(sandbox.hostOf('E') + "/Quillmoor/Drive_C/d", ec), end;
                 !ec && it != end && v.empty(); it.increment(ec)) {
                const std::string name = it->path().filename().string();
                const bool told = std::any_of(lines.begin(), lines.end(), [&](const auto& l) {
                    return l.find("\\d\\" + name + " - can't delete") != std::string::npos;
                });
                EXPECT_TRUE(name[0] != path[5] || told) << name << " is left without a record";
            }
            if (!Asked(path))
                continue;
            if (Handled(path, v, restored.at(path)))
                continue;
            ++unhandled;
            // The line names the file, or its copy on the media ("a_2.txt", "a.txt.bpa").
            const std::string copy = "E:\\Quillmoor\\Drive_C\\d\\" + path.substr(5, 1);
            const bool named = std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
                return (l.find(path) != std::string::npos || l.find(copy) != std::string::npos) &&
                       l.find("successful.") == std::string::npos &&
                       l.find(" restored to ") == std::string::npos &&
                       l.find(" - deleted.") == std::string::npos;
            });
            EXPECT_TRUE(named || stopped) << path << " was left as it was without a line";
        }
        EXPECT_GE(errors, stopped ? 1 : unhandled) << "every file left as it was is counted";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, FailingMedia,
    ::testing::Values(FaultRow{"backup_plain_versions", Mode::Plain, 0, Op::Backup},
                      FaultRow{"backup_aes_versions", Mode::Plain, 128, Op::Backup},
                      FaultRow{"backup_file_archives", Mode::FileArchives, 0, Op::Backup},
                      FaultRow{"backup_run_archive", Mode::RunArchive, 0, Op::Backup},
                      FaultRow{"restore", Mode::Plain, 0, Op::Restore},
                      FaultRow{"revision_restore", Mode::Plain, 128, Op::NewestRestore},
                      FaultRow{"delete", Mode::Plain, 0, Op::Delete}),
    RowsNamedBy([](const FaultRow& row) { return row.name; }));

} // namespace
} // namespace qm::test
