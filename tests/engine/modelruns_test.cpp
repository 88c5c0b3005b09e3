// Random sequences of runs against a small model of what the media must give back.
// Sources whose media names meet (a.txt and a_1.txt, a.txt.mac, a.txt.bpa, a run
// archive's name at a drive's root, names differing in case) are changed, backed up in
// every storage mode with and without encryption and versions, deleted and restored, all
// in one second or not; runs are cut short by a crash (of the program, or of the power,
// losing what was not synced) at a random file change, a full
// media drive or a cancel, and the next run of any kind follows. After each check every
// catalogued file's newest version must restore to a content the model allows, its
// versions to contents the file had, oldest first, and a file whose backup failed must
// keep the one it had. QM_MODEL_SEEDS and QM_MODEL_FIRST_SEED run more or other
// sequences (scripts/model-runs.sh).

#include "runtest.h"

#include "engine/copytree.h"
#include "platform/casefold.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <sstream>

namespace qm::test {
namespace {

const std::vector<std::string> kPool = {
    "C:\\d\\a.txt",        "C:\\d\\a_1.txt",        "C:\\d\\A.TXT",
    "C:\\d\\a.txt.mac",    "C:\\d\\a.txt.bpa",      "C:\\d\\a",
    "C:\\d\\a_1",          "C:\\e\\big.bin",        "C:\\12_7_2026 11_15_22 PM.bpa",
    "C:\\d\\\xC3\xA9.txt", "C:\\d\\\xC3\x89_1.txt", "C:\\d\\\xC3\x89.TXT", // é.txt É_1.txt É.TXT
};
const std::string kNone = "<no record>";

int EnvInt(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value ? std::atoi(value) : fallback;
}

class ModelRuns : public RunTest {
  protected:
    // How a file's record stores it: its mode and encryption (no record: none).
    struct Stored {
        bool recorded = false;
        Mode mode = Mode::Plain;
        bool encrypted = false;
        bool operator==(const Stored&) const = default;
    };
    struct File {
        std::optional<std::string> content;   // the source now; none when it is gone
        std::vector<std::string> history;     // every content it had, oldest first
        std::set<std::string> allowed{kNone}; // what its newest version may restore to
        // The versions exactly, oldest first, and how they are stored, while a run's
        // outcome leaves no doubt (after a crash, until the next check).
        std::optional<std::vector<std::string>> chain = std::vector<std::string>{};
        std::optional<Stored> stored = Stored{};
    };
    enum class Upset { None, Crash, FullMedia, Cancel, Count, CrashAfterJournal };
    struct BackupOp {
        std::vector<std::string> paths;
        Mode mode = Mode::Plain;
        int key = 0; // 0: not encrypted
        std::string password = "secret";
        int top = 0; // copies kept; 0: versions off
    };

    void Run(unsigned seed, int ops) {
        rng.seed(seed);
        files.clear();
        for (const std::string& path : kPool)
            model[path] = File{};
        Engine().MediaFoldsCaseProc = [fold = seed % 3 == 0](const std::string&) { return fold; };
        for (int op = 0; op < ops && !HasFailure(); ++op) {
            const int kind = Pick(100);
            if (kind < 30)
                Change();
            else if (kind < 70)
                Backup();
            else if (kind < 82)
                Delete();
            else if (kind < 88)
                UpsetRestore();
            else
                Check();
            if (Pick(4) == 0)
                clock += 1.0 / 86400; // else the next run starts in the same second
            if (checkEach)
                Check();
        }
        if (!HasFailure())
            Check();
        if (HasFailure())
            ADD_FAILURE() << "seed " << seed << ":\n" << trace.str();
    }

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    void Say(const std::string& line) { trace << line << "\n"; }
    // The run's log lines go into the trace too.
    void SayLines(const std::vector<std::string>& lines) {
        for (const std::string& line : lines)
            trace << "    | " << line.substr(0, 160) << "\n";
    }

    void Change() {
        const std::string& path = kPool[static_cast<size_t>(Pick(static_cast<int>(kPool.size())))];
        if (Pick(8) == 0) {
            deleteFile(path);
            model[path].content.reset();
            Say("remove " + path);
            return;
        }
        WriteSource(path,
                    path.find("big") != std::string::npos || Pick(6) == 0 ? 70000 + Pick(9000) : 0);
    }

    // Gives the source a new content (Padding bytes more than its name and a counter) and
    // a date of its own: versions are told apart by date.
    void WriteSource(const std::string& path, int Padding) {
        File& file = model[path];
        std::string content = path + " #" + std::to_string(++written);
        content += std::string(static_cast<size_t>(Padding), static_cast<char>('a' + written % 26));
        sandbox.writeFile(path, content);
        const TDateTime date = encodeDateTime({2026, 1, 1, 0, 0, 0, 0}) + written * 2.0 / 86400;
        setFileDosDateTime(path, dateTimeToDos(date));
        dates[content] = dosToDateTime(dateTimeToDos(date));
        file.content = content;
        file.history.push_back(content);
        Say("write " + path + " #" + std::to_string(written));
    }

    Upset PickUpset() {
        switch (Pick(10)) {
        case 0:
        case 1:
            return Upset::Crash;
        case 2:
            return Upset::FullMedia;
        case 3:
            return Upset::Cancel;
        default:
            return Upset::None;
        }
    }

    // Runs Work with the media stopped after `after` changes (a crash), filled after
    // `after` writes, or the cancel clicked at progress call `after`; Count counts the
    // changes Work makes to the media into `counted`.
    void Disturbed(Upset upset, int after, const std::function<void()>& Work) {
        std::string what = upset == Upset::Crash       ? "crash after " + std::to_string(after)
                           : upset == Upset::FullMedia ? "full after " + std::to_string(after)
                           : upset == Upset::Cancel    ? "cancel at " + std::to_string(after)
                                                       : std::string("");
        if (!what.empty())
            Say("  " + what);
        if (upset == Upset::None) {
            Work();
            return;
        }
        if (upset == Upset::CrashAfterJournal) {
            bool journaled = false; // the crash comes right after the first journal line
            ChangeGate gate([&](FileChange change, std::string_view path) {
                if (path.substr(0, 2) != "E:")
                    return true;
                if (journaled)
                    return false;
                journaled = change == FileChange::Write && path.ends_with("\\Staging\\journal");
                return true;
            });
            Work();
            return;
        }
        if (upset == Upset::Count) {
            counted = 0;
            ChangeGate count([&](FileChange, std::string_view path) {
                counted += path.substr(0, 2) == "E:" ? 1 : 0;
                return true;
            });
            Work();
            return;
        }
        if (upset == Upset::Cancel) {
            int calls = 0;
            Engine().ProgressProc = [&](int32_t, bool, int64_t, int64_t, int64_t) {
                if (++calls == after + 1)
                    Engine().CancelFlag = true;
            };
            Work();
            Engine().ProgressProc = nullptr;
            Engine().CancelFlag = false;
            return;
        }
        int allowed = after;
        // Every other crash cuts the power: what was not synced is lost too.
        const bool powerCut = upset == Upset::Crash && after % 2 == 1;
        if (powerCut)
            Say("  (a power cut)");
        PowerCut power('E');
        FileChangeGate stop = [&](FileChange change, std::string_view path) {
            if (path.substr(0, 2) != "E:")
                return true;
            if (upset == Upset::FullMedia && change != FileChange::Write &&
                change != FileChange::Create && change != FileChange::MakeFolder)
                return true;
            return allowed-- > 0;
        };
        {
            ChangeGate gate(powerCut ? power.Gate(stop) : stop);
            Work();
        }
        if (powerCut)
            power.Cut();
    }

    std::vector<std::string> NewLines(size_t from) {
        std::vector<std::string> lines = LogLines();
        return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(from),
                                        lines.end());
    }

    // The last line a run wrote about Source, as a source of the line.
    static std::optional<std::string> LastLineAbout(const std::vector<std::string>& lines,
                                                    const std::string& source) {
        for (auto it = lines.rbegin(); it != lines.rend(); ++it)
            if (it->find(" " + source + " - ") != std::string::npos)
                return *it;
        return std::nullopt;
    }

    void Backup() {
        BackupOp op;
        for (int n = 1 + Pick(4); n > 0; --n)
            op.paths.push_back(kPool[static_cast<size_t>(Pick(static_cast<int>(kPool.size())))]);
        if (Pick(8) == 0)
            op.paths.push_back(op.paths.front()); // listed twice
        op.mode = static_cast<Mode>(Pick(3));
        op.key = std::array<int, 4>{0, 0, 128, 256}[static_cast<size_t>(Pick(4))];
        op.password = Pick(3) == 0 ? "second" : "secret";
        op.top = Pick(5);
        const Upset upset = PickUpset();
        BackupWith(op, upset, Pick(40));
    }

    void BackupWith(const BackupOp& op, Upset upset, int after) {
        const std::vector<std::string>& paths = op.paths;
        const Mode mode = op.mode;
        const int key = op.key, top = op.top;
        const std::string& password = op.password;
        std::ostringstream say;
        say << "backup mode " << static_cast<int>(mode) << " key " << key << " top " << top;
        for (const std::string& p : paths)
            say << " " << p;
        Say(say.str());
        std::map<std::string, std::optional<std::string>> before;
        for (const std::string& p : paths)
            before[p] = model[p].content;
        const size_t logged = LogLines().size();
        Disturbed(upset, after, [&] {
            TBackUpJob backup;
            backup.SetDestination('E');
            backup.SetLogSave(true);
            backup.LogFileName = job.LogFileName;
            backup.SetCompression(mode != Mode::Plain);
            backup.SetCompressionType(mode == Mode::RunArchive ? TCompressionType::ctMultipleFile
                                                               : TCompressionType::ctOnesFile);
            backup.SetCompressionRate(6);
            backup.SetEncryption(key != 0);
            backup.SetRevision(top != 0);
            backup.SetTopRevision(static_cast<uint8_t>(top));
            backup.SetStartTime(now());
            Engine().PasswordList = {password};
            Engine().KeySize = key != 0 ? key : 128;
            PasswordToKey(password, Engine().KeyBuffer.data(), Engine().KeySize);
            backup.SourceFiles = paths;
            backup.Backup();
        });
        const std::vector<std::string> lines = NewLines(logged);
        SayLines(lines);
        for (const auto& [path, content] : before) {
            File& file = model[path];
            if (upset == Upset::Crash || upset == Upset::FullMedia ||
                upset == Upset::CrashAfterJournal) {
                if (content)
                    file.allowed.insert(*content);
                file.chain.reset();
                file.stored.reset();
                continue;
            }
            std::optional<std::string> line = LastLineAbout(lines, path);
            if (line && line->find(" - Backup with ") != std::string::npos) {
                if (!content) {
                    ADD_FAILURE() << "a missing file was backed up: " << path;
                    continue;
                }
                file.allowed = {*content};
                Versioned(file, *content, Stored{true, mode, key != 0}, top);
            }
        }
        if (upset == Upset::None || upset == Upset::Cancel) {
            EXPECT_EQ(StagedFiles(), 0u) << "staging left after a backup";
        }
    }

    // The versions after a backup of Content stored as New with Top copies kept: a new
    // version (the oldest dropped once Top are there), the newest replaced with versions
    // off, or versions afresh when the file was stored another way.
    static void Versioned(File& file, const std::string& Content, const Stored& New, int Top) {
        const bool sameWay = file.stored && *file.stored == New && New.mode == Mode::Plain;
        if (!sameWay) {
            // Afresh; unless the way it was stored is not known (it may be this way).
            file.chain = file.stored || New.mode != Mode::Plain
                             ? std::optional<std::vector<std::string>>({Content})
                             : std::nullopt;
        } else if (!file.chain) {
            // Versions not known before: not known after.
        } else if (file.chain->empty()) {
            file.chain = std::vector<std::string>{Content};
        } else if (Top == 0) {
            file.chain->back() = Content;
        } else {
            if (file.chain->size() >= static_cast<size_t>(Top))
                file.chain->erase(file.chain->begin());
            file.chain->push_back(Content);
        }
        file.stored = New;
    }

    void Delete() {
        std::vector<std::string> paths;
        for (int n = 1 + Pick(2); n > 0; --n) {
            std::string p = kPool[static_cast<size_t>(Pick(static_cast<int>(kPool.size())))];
            if (Pick(5) == 0)
                p[3] = static_cast<char>(std::toupper(static_cast<unsigned char>(p[3])));
            paths.push_back(p);
        }
        const Upset upset = Pick(3) == 0   ? Upset::Crash
                            : Pick(4) == 0 ? Upset::Cancel
                                           : Upset::None;
        DeleteWith(paths, upset, Pick(40));
    }

    void DeleteWith(const std::vector<std::string>& paths, Upset upset, int after) {
        std::ostringstream say;
        say << "delete";
        for (const std::string& p : paths)
            say << " " << p;
        Say(say.str());
        const size_t logged = LogLines().size();
        Disturbed(upset, after, [&] {
            TBackUpJob remove;
            remove.SetDestination('E');
            remove.SetLogSave(true);
            remove.LogFileName = job.LogFileName;
            remove.DeleteFiles(paths);
        });
        SayLines(NewLines(logged));
        if (upset == Upset::Crash || upset == Upset::FullMedia) {
            for (const std::string& p : paths)
                for (auto& [path, file] : model)
                    if (sameTextFolded(path, p)) {
                        file.allowed.insert(kNone);
                        file.chain.reset();
                        file.stored.reset();
                    }
            return;
        }
        for (const std::string& line : NewLines(logged)) {
            for (auto& [path, file] : model) {
                const std::string said = " " + path + " - deleted.";
                if (line.size() >= said.size() &&
                    line.compare(line.size() - said.size(), said.size(), said) == 0) {
                    file.allowed = {kNone};
                    file.chain = std::vector<std::string>{};
                    file.stored = Stored{};
                }
            }
        }
    }

    // A restore stopped at a random change of the media (which may stop the completion
    // of a crashed backup): the next run must still find everything.
    void UpsetRestore() {
        const Upset upset = Pick(2) == 0 ? Upset::Crash : Upset::None;
        RestoreWith(upset, Pick(40));
    }

    void RestoreWith(Upset upset, int after) {
        Say("restore");
        Disturbed(upset, after, [&] {
            TBackUpJob restore;
            restore.SetDestination('E');
            restore.SetRestoreType("C:\\restore\\");
            restore.SourceFiles = kPool;
            TRevisionFileList list;
            int revised = 0;
            restore.CollectRevisions(list, revised, nullptr);
            restore.RestoreRevisions(list, true);
        });
        std::filesystem::remove_all(sandbox.hostOf('C') + "/restore");
    }

    // Restores version Version of Path (the newest when none) into C:\restore; none when
    // nothing came back.
    std::optional<std::string> RestoreVersion(const std::string& path, std::optional<int> version,
                                              int* count, TDateTime* date) {
        std::filesystem::remove_all(sandbox.hostOf('C') + "/restore");
        TBackUpJob restore;
        restore.SetDestination('E');
        restore.SetLogSave(true);
        restore.LogFileName = job.LogFileName;
        restore.SetRestoreType("C:\\restore\\");
        restore.SourceFiles = {path};
        TRevisionFileList list;
        int revised = 0;
        restore.CollectRevisions(list, revised, nullptr);
        if (list.empty())
            return std::nullopt;
        *count = list[0].Count;
        if (version && *version < list[0].Count)
            list[0].Dates[0] = list[0].Dates[static_cast<size_t>(*version)];
        *date = list[0].Count > 0 ? list[0].Dates[static_cast<size_t>(list[0].Count - 1)] : 0;
        const int errors = Engine().ErrorCount;
        restore.RestoreRevisions(list, !version);
        if (Engine().ErrorCount != errors)
            ADD_FAILURE() << path << " version " << version.value_or(-1) << " failed to restore";
        return sandbox.readFile("C:\\restore\\" + path.substr(3));
    }

    static std::string Short(const std::string& content) {
        return content.substr(0, std::min<size_t>(content.size(), 40));
    }

    void Check() {
        Say("check");
        Engine().PasswordList = {"secret", "second"};
        Engine().AskPasswordProc = [](const std::string&) { return 2; };
        {
            TBackUpJob recover; // the next run: finishes whatever a crash left
            recover.SetDestination('E');
            TRevisionFileList none;
            int revised = 0;
            recover.CollectRevisions(none, revised, nullptr);
            recover.CloseDriveListUnchanged();
        }
        const std::map<std::string, DriveListRecord> records = Records();
        // One record per file (a removal cut short by a crash leaves its last record
        // twice, the same bytes, until the next run that writes the catalogue).
        const std::string list = sandbox.readFile(CataloguePath('E')).value_or("");
        std::map<std::string, std::string> listed;
        for (size_t at = 4; at + 536 <= list.size(); at += 536) {
            const std::string bytes = list.substr(at, 536);
            auto [it, added] =
                listed.emplace(bytes.substr(1, static_cast<uint8_t>(bytes[0])), bytes);
            if (!added && (it->second != bytes || at + 536 != list.size()))
                ADD_FAILURE() << "two records of " << it->first;
        }
        for (auto& [path, file] : model) {
            auto record = records.find(path);
            if (record == records.end()) {
                EXPECT_TRUE(file.allowed.count(kNone)) << path << " lost its record";
                file.allowed = {kNone};
                file.chain = std::vector<std::string>{};
                file.stored = Stored{};
                continue;
            }
            int count = 0;
            TDateTime date = 0;
            std::optional<std::string> newest = RestoreVersion(path, std::nullopt, &count, &date);
            if (!newest) {
                ADD_FAILURE() << path << " is catalogued but nothing restores";
                continue;
            }
            if (!file.allowed.count(*newest)) {
                std::string allowed;
                for (const std::string& a : file.allowed)
                    allowed += "[" + Short(a) + "] ";
                ADD_FAILURE() << path << " restores [" << Short(*newest) << "], allowed "
                              << allowed;
            }
            auto dated = dates.find(*newest);
            if (dated != dates.end()) {
                EXPECT_LE(record->second.Date, dated->second + 1e-9)
                    << path << ": the record is dated after the content it holds";
            }
            // Every version is a content of this file, oldest first, and exactly the ones
            // the runs since the last check must have left.
            size_t last = 0;
            std::vector<std::string> versions;
            for (int k = 0; k < count; ++k) {
                int ignored = 0;
                TDateTime when = 0;
                std::optional<std::string> got = RestoreVersion(path, k, &ignored, &when);
                auto at = got ? std::find(file.history.begin(), file.history.end(), *got)
                              : file.history.end();
                if (at == file.history.end()) {
                    ADD_FAILURE() << path << " version " << k << " is not a content it had";
                    continue;
                }
                versions.push_back(*got);
                const size_t index = static_cast<size_t>(at - file.history.begin());
                EXPECT_GE(index, last) << path << " version " << k << " is out of order";
                last = index;
            }
            if (file.chain && versions != *file.chain) {
                std::string want, kept;
                for (const std::string& v : *file.chain)
                    want += "[" + Short(v) + "] ";
                for (const std::string& v : versions)
                    kept += "[" + Short(v) + "] ";
                ADD_FAILURE() << path << " keeps " << kept << "; the runs left " << want;
            }
            const DriveListRecord& r = record->second;
            const Mode mode = r.Compression == 0 ? Mode::Plain
                              : r.InArchive != 0 ? Mode::RunArchive
                                                 : Mode::FileArchives;
            file.chain = versions;
            file.stored = Stored{true, mode, r.Encryption != 0};
            file.allowed = {*newest};
        }
        for (const auto& [path, record] : records)
            EXPECT_TRUE(model.count(path)) << "a record of a file never backed up: " << path;
        std::filesystem::remove_all(sandbox.hostOf('C') + "/restore");
        Engine().ErrorCount = 0;
    }

    // The media (dates included: versions are told apart by date) and the model.
    struct State {
        std::map<std::string, File> model;
        TDateTime clock = 0;
    };
    State Save(const std::string& folder) {
        namespace fs = std::filesystem;
        const fs::path media = fs::path(sandbox.hostOf('E')) / "Quillmoor";
        fs::remove_all(folder);
        fs::copy(media, folder, fs::copy_options::recursive);
        for (const auto& e : fs::recursive_directory_iterator(media))
            fs::last_write_time(fs::path(folder) / fs::relative(e.path(), media),
                                fs::last_write_time(e.path()));
        return State{model, clock};
    }
    void Load(const std::string& folder, const State& state) {
        namespace fs = std::filesystem;
        const fs::path media = fs::path(sandbox.hostOf('E')) / "Quillmoor";
        fs::remove_all(media);
        fs::copy(folder, media, fs::copy_options::recursive);
        for (const auto& e : fs::recursive_directory_iterator(folder))
            fs::last_write_time(media / fs::relative(e.path(), folder),
                                fs::last_write_time(e.path()));
        model = state.model;
        clock = state.clock;
    }

    bool checkEach = EnvInt("QM_MODEL_CHECK_EACH", 0) != 0; // to find the op at fault
    int counted = 0;
    std::mt19937 rng;
    std::map<std::string, File> model;
    std::map<std::string, TDateTime> dates;
    int written = 0;
    TDateTime clock = encodeDateTime({2026, 12, 7, 23, 15, 22, 0});
    std::ostringstream trace;
};

TEST_F(ModelRuns, EveryBackedUpFileRestoresThroughRandomRunsCrashesAndFullMedia) {
    setClock([this] { return clock; });
    const int seeds = EnvInt("QM_MODEL_SEEDS", 6);
    const int first = EnvInt("QM_MODEL_FIRST_SEED", 1);
    const int ops = EnvInt("QM_MODEL_OPS", 40);
    for (int seed = first; seed < first + seeds && !HasFailure(); ++seed) {
        std::filesystem::remove_all(sandbox.hostOf('E') + "/Quillmoor");
        std::filesystem::remove_all(sandbox.hostOf('C') + "/d");
        std::filesystem::remove_all(sandbox.hostOf('C') + "/e");
        deleteFile("C:\\12_7_2026 11_15_22 PM.bpa");
        trace.str("");
        model.clear();
        Run(static_cast<unsigned>(seed), ops);
    }
}

// Every kind of run stopped at every change it makes to the media (a crash), and every
// backup and delete meeting a full media drive after every number of writes, then a run
// of another kind: every catalogued file restores, each version to a content it had, in
// order. The kind of the next run turns with the change stopped at.
TEST_F(ModelRuns, EveryRunStoppedAtAnyChangeThenAnyRunKeepsEveryVersion) {
    setClock([this] { return clock; });
    for (const std::string& path : kPool)
        model[path] = File{};
    const std::string a = "C:\\d\\a.txt", sibling = "C:\\d\\a_1.txt", own = "C:\\d\\a.txt.bpa",
                      x = "C:\\d\\a", y = "C:\\e\\big.bin", z = "C:\\d\\a_1";
    // a.txt in three encrypted versions beside a_1.txt's copy, a and big.bin in a run
    // archive, a.txt.bpa in an archive of its own; then a.txt, a.txt.bpa and big.bin change.
    for (int k = 0; k < 3; ++k) {
        WriteSource(a, k == 1 ? 70000 : 0);
        BackupWith({{a}, Mode::Plain, 128, "secret", 3}, Upset::None, 0);
    }
    for (const std::string& p : {sibling, own, x, y, z})
        WriteSource(p, p == y ? 75000 : 0);
    BackupWith({{sibling}, Mode::Plain, 0, "secret", 0}, Upset::None, 0);
    BackupWith({{own}, Mode::FileArchives, 256, "second", 0}, Upset::None, 0);
    BackupWith({{x, y}, Mode::RunArchive, 0, "secret", 0}, Upset::None, 0);
    for (const std::string& p : {a, own, y})
        WriteSource(p, 0);
    const std::string saved = sandbox.root() + "/saved";
    const State before = Save(saved);
    // Also a media whose journal a crash left with a rotation of a.txt to finish: the
    // next run's completion of it is the run stopped then.
    BackupWith({{a, own}, Mode::Plain, 128, "secret", 3}, Upset::CrashAfterJournal, 0);
    const std::string journaled = sandbox.root() + "/journaled";
    const State pending = Save(journaled);

    auto backup = [this](BackupOp op) {
        return [this, op](Upset upset, int after) { BackupWith(op, upset, after); };
    };
    const std::vector<std::function<void(Upset, int)>> crashing = {
        backup({{a}, Mode::Plain, 128, "secret", 3}),           // a rotation
        backup({{a}, Mode::Plain, 0, "secret", 3}),             // versions dropped
        backup({{a, own}, Mode::FileArchives, 0, "secret", 0}), // a chain released
        backup({{a, y, z}, Mode::RunArchive, 256, "secret", 0}),
        backup({{own, a}, Mode::Plain, 0, "secret", 0}),
        [this](Upset upset, int after) { RestoreWith(upset, after); }, // on `pending`
        [this, a](Upset upset, int after) { DeleteWith({a}, upset, after); },
        [this, own](Upset upset, int after) { DeleteWith({own}, upset, after); },
        [this, x](Upset upset, int after) { DeleteWith({x}, upset, after); },
    };
    const std::vector<std::function<void()>> next = {
        [] {},
        [&] {
            BackupWith({{a, own}, Mode::Plain, 256, "second", 3}, Upset::None, 0);
        },
        [&] {
            BackupWith({{a, z}, Mode::RunArchive, 0, "secret", 0}, Upset::None, 0);
        },
        [&] {
            BackupWith({{y, x}, Mode::FileArchives, 128, "secret", 0}, Upset::None, 0);
        },
        [&] { DeleteWith({own}, Upset::None, 0); },
    };
    const size_t restore = 5;
    for (size_t run = 0; run < crashing.size() && !HasFailure(); ++run) {
        auto load = [&] { run == restore ? Load(journaled, pending) : Load(saved, before); };
        load();
        crashing[run](Upset::Count, 0);
        const int changes = counted;
        EXPECT_GT(changes, 0) << "run " << run;
        // Backups and deletes also meet a media drive that fills up after every number
        // of writes.
        for (Upset upset : {Upset::Crash, Upset::FullMedia}) {
            if (upset == Upset::FullMedia && run == restore)
                break;
            for (int n = 0; n < changes && !HasFailure(); ++n) {
                trace.str("");
                load();
                Say("run " + std::to_string(run) + " stopped after " + std::to_string(n) + " of " +
                    std::to_string(changes));
                crashing[run](upset, n);
                clock += 1.0 / 86400;
                next[static_cast<size_t>(n) % next.size()]();
                Check();
            }
        }
    }
    if (HasFailure())
        ADD_FAILURE() << trace.str();
}

} // namespace
} // namespace qm::test
