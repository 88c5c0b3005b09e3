// Archive runs give the same media, progress calls, log lines and error count whether
// their chunks are deflated and inflated by several workers, by one, or by the window
// thread alone; and what they write is plain zlib, chunk by chunk.

#include "engine/chunkpool.h"

#include "runtest.h"

#include "engine/aesstream.h"
#include "platform/dospath.h"
#include "support/rowname.h"

#include <zlib.h>

#include <filesystem>
#include <tuple>

namespace qm::test {
namespace {

constexpr int kManyWorkers = 4;
constexpr int kNoWorkers = -1; // the window thread does every chunk itself

using Call = std::tuple<int32_t, bool, int64_t, int64_t, int64_t>;

// Everything a run leaves that a user or a later run can see. Archives are compared by
// what their entries hold once decrypted and inflated with plain zlib, so that any
// conforming deflate encoder passes.
struct Outcome {
    std::map<std::string, std::string> media;
    std::vector<Call> progress;
    std::vector<std::string> log;
    int errors = 0;
    bool operator==(const Outcome&) const = default;
};

// What differs, for the failure message.
std::ostream& operator<<(std::ostream& out, const Outcome& o) {
    out << o.errors << " errors, " << o.progress.size() << " progress calls, files:";
    for (const auto& [name, bytes] : o.media)
        out << " " << name << " (" << bytes.size() << " bytes)";
    for (const std::string& line : o.log)
        out << "\n  " << line;
    for (const auto& [name, bytes] : o.media)
        out << "\n  " << name << ": " << ::testing::PrintToString(bytes);
    for (const Call& call : o.progress)
        out << "\n  " << ::testing::PrintToString(call);
    return out;
}

uint64_t Le(const std::string& bytes, size_t at, int width) {
    uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
    return value;
}

// Entries as "path|size|chunk bytes..." with every chunk decrypted (when Key is given)
// and inflated by zlib itself; a chunk zlib refuses fails the test.
std::string InflatedEntries(const std::string& bytes, const uint8_t* key, int keySize) {
    std::string entries;
    for (size_t pos = 0; pos < bytes.size();) {
        const std::string path = bytes.substr(pos + 1, static_cast<uint8_t>(bytes[pos]));
        const auto size = static_cast<int64_t>(Le(bytes, pos + 251, 8));
        const size_t count = Le(bytes, pos + 267, 2);
        size_t at = pos + 269 + 4 * count;
        std::string stream = bytes.substr(pos + 259, 8);
        std::vector<size_t> lengths;
        for (size_t k = 0; k < count; ++k) {
            lengths.push_back(Le(bytes, pos + 269 + 4 * k, 4));
            stream += bytes.substr(at, lengths.back());
            at += lengths.back();
        }
        if (key) {
            TAESStream cipher;
            cipher.SetKey(key, keySize);
            uint8_t iv[16] = {};
            cipher.SetIV(iv);
            cipher.Decrypt(reinterpret_cast<uint8_t*>(stream.data()), stream.size());
        }
        entries += path + "|" + std::to_string(size) + "|" + stream.substr(0, 8);
        size_t from = 8;
        for (size_t k = 0; k < count; ++k) {
            const int64_t plainLength = k + 1 < count ? 8388608 : size % 8388608;
            std::string plain(static_cast<size_t>(plainLength) + 1, '\0');
            uLongf length = static_cast<uLongf>(plain.size());
            EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(plain.data()), &length,
                                 reinterpret_cast<const Bytef*>(stream.data() + from), lengths[k]),
                      Z_OK)
                << path << " chunk " << k;
            EXPECT_EQ(static_cast<int64_t>(length), plainLength) << path << " chunk " << k;
            entries += "|" + plain.substr(0, length);
            from += lengths[k];
        }
        entries += "\n";
        pos = at;
    }
    return entries;
}

class ChunkPoolTest : public RunTest {
  protected:
    // Two files of two chunks (one ending in an empty chunk) among small files of every
    // size from empty up, so chunks of one file and files of one run are in flight at once.
    void MakeWideTree() {
        std::string text;
        for (int64_t i = 0; text.size() < 8388608 + 5000; ++i)
            text += "line " + std::to_string(i * 7919 % 100003) + " of the wide tree\n";
        files = {{"C:\\wide\\big.txt", text.substr(0, 8388608 + 5000)},
                 {"C:\\wide\\exact.txt", text.substr(17, 8388608)}};
        for (int i = 0; i < 24; ++i)
            files.push_back(
                {"C:\\wide\\s" + std::to_string(i) + ".txt",
                 text.substr(static_cast<size_t>(i) * 31, static_cast<size_t>(i) * 997)});
        for (const auto& [path, content] : files)
            sandbox.writeFile(path, content);
    }
    std::vector<std::string> Paths() const {
        std::vector<std::string> paths;
        for (const auto& entry : files)
            paths.push_back(entry.first);
        return paths;
    }

    // Starts a run afresh: no log, no calls recorded, the engine's counters at zero.
    void Fresh(int workers) {
        deleteFile(job.LogFileName);
        progress.clear();
        Engine().ErrorCount = 0;
        Engine().CancelFlag = false;
        Engine().FileBytesDone = 0; // a cancelled run leaves it

        Engine().WorkerLimit = workers;
    }
    // Cancels the run at progress call CancelAt (0 = never).
    void RecordProgress(size_t cancelAt) {
        Engine().ProgressProc = [this, cancelAt](int32_t f, bool l, int64_t s, int64_t fb,
                                                 int64_t b) {
            progress.push_back({f, l, s, fb, b});
            if (progress.size() == cancelAt)
                Engine().CancelFlag = true;
        };
    }

    Outcome Observe(const std::string& drive, int keySize) {
        Outcome outcome;
        const std::filesystem::path root = *toHostPath(drive + ":\\");
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
            if (!entry.is_regular_file())
                continue;
            const std::string name = std::filesystem::relative(entry.path(), root).string();
            if (name == "Program/Log.txt")
                continue;
            std::string bytes = sandbox.readFile(*toDosPath(entry.path().string())).value_or("");
            if (entry.path().extension() == ".bpa")
                bytes =
                    InflatedEntries(bytes, keySize ? Engine().KeyBuffer.data() : nullptr, keySize);
            outcome.media[name] = bytes;
        }
        for (const ProgressCall& p : progress)
            outcome.progress.emplace_back(p.filesDone, p.listMode, p.fileSize, p.fileBytesDone,
                                          p.bytesDone);
        outcome.log = LogLines();
        outcome.errors = Engine().ErrorCount;
        return outcome;
    }

    Outcome Backup(int workers, Mode mode, int keySize, size_t cancelAt = 0) {
        createFolderChain("E:\\Quillmoor");
        std::filesystem::remove_all(*toHostPath("E:\\Quillmoor"));
        Fresh(workers);
        RecordProgress(cancelAt);
        SetUpJob(mode, keySize);
        job.SetCompressionRate(1);
        BackupPaths(Paths());
        return Observe("E", keySize);
    }

    Outcome Restore(int workers, const std::vector<std::string>& paths, int keySize) {
        std::filesystem::remove_all(*toHostPath("C:\\Restore"));
        Fresh(workers);
        RecordProgress(0);
        RunRestore(paths, "C:\\Restore\\");
        Outcome outcome = Observe("C", keySize);
        std::erase_if(outcome.media,
                      [](const auto& file) { return file.first.rfind("wide", 0) == 0; });
        return outcome;
    }
};

struct WideCase {
    Mode mode;
    int keySize;
};

class SameWithManyWorkers : public ChunkPoolTest, public ::testing::WithParamInterface<WideCase> {};

TEST_P(SameWithManyWorkers, BackupAndRestoreLeaveWhatOneWorkerAndNoneLeave) {
    const auto [mode, keySize] = GetParam();
    MakeWideTree();
    const Outcome none = Backup(kNoWorkers, mode, keySize);
    const Outcome one = Backup(1, mode, keySize);
    const Outcome many = Backup(kManyWorkers, mode, keySize);
    EXPECT_EQ(one.errors, 0);
    EXPECT_EQ(one.log.size(), files.size());
    EXPECT_EQ(none, one);
    EXPECT_EQ(one, many);

    const Outcome restoredByNone = Restore(kNoWorkers, Paths(), keySize);
    const Outcome restoredByOne = Restore(1, Paths(), keySize);
    const Outcome restoredByMany = Restore(kManyWorkers, Paths(), keySize);
    EXPECT_EQ(restoredByOne.errors, 0);
    for (const auto& [path, content] : files)
        EXPECT_EQ(restoredByOne.media.at("Restore/wide/" + extractFileName(path)), content) << path;
    EXPECT_EQ(restoredByNone, restoredByOne);
    EXPECT_EQ(restoredByOne, restoredByMany);
}

INSTANTIATE_TEST_SUITE_P(Modes, SameWithManyWorkers,
                         ::testing::Values(WideCase{Mode::RunArchive, 256},
                                           WideCase{Mode::FileArchives, 0}),
                         qm::test::RowsNamedBy([](const WideCase& row) {
                             return ModeName(row.mode) + "_key_" + std::to_string(row.keySize);
                         }));

struct CancelCase {
    Mode mode;
    size_t cancelAt; // progress call that sets the cancel flag
};

class CancelWithManyWorkers : public ChunkPoolTest,
                              public ::testing::WithParamInterface<CancelCase> {};

TEST_P(CancelWithManyWorkers, LeavesWhatItLeavesWithOneWorker) {
    const auto [mode, cancelAt] = GetParam();
    MakeWideTree();
    const Outcome one = Backup(1, mode, 128, cancelAt);
    const Outcome many = Backup(kManyWorkers, mode, 128, cancelAt);
    EXPECT_LT(one.log.size(), files.size()) << "the run was cancelled";
    EXPECT_EQ(one, many);
}

// Calls 2 and 3 fall inside the first file's two chunks; call 11 after a few small files.
INSTANTIATE_TEST_SUITE_P(
    Points, CancelWithManyWorkers,
    ::testing::Values(CancelCase{Mode::RunArchive, 2}, CancelCase{Mode::RunArchive, 11},
                      CancelCase{Mode::FileArchives, 3}, CancelCase{Mode::FileArchives, 11}),
    qm::test::RowsNamedBy([](const CancelCase& row) {
        return ModeName(row.mode) + "_cancel_at_" + std::to_string(row.cancelAt);
    }));

TEST_F(ChunkPoolTest, EntriesReadAheadFollowAPasswordChangedMidRun) {
    // Each entry is encrypted under the password its run has when the entry is written,
    // also when its chunks were read and encrypted ahead under the one before: after
    // call 3 the next entry has two chunks, after call 6 one.
    MakeWideTree();
    for (const size_t changeAt : {3, 6}) {
        std::string archives[2];
        const int workers[2] = {1, kManyWorkers};
        for (int i = 0; i < 2; ++i) {
            std::filesystem::remove_all(*toHostPath("E:\\Quillmoor"));
            Fresh(workers[i]);
            Engine().ProgressProc = [this, changeAt](int32_t f, bool l, int64_t s, int64_t fb,
                                                     int64_t b) {
                progress.push_back({f, l, s, fb, b});
                if (progress.size() == changeAt)
                    Engine().PasswordList = {"second"};
            };
            SetUpJob(Mode::RunArchive, 128);
            const int derivedBefore = Engine().KeyDerivations;
            BackupPaths(Paths());
            archives[i] = *sandbox.readFile("E:\\Quillmoor\\Drive_C\\12_7_2026 11_15_22 PM.bpa");
            // The key of each password is derived once, however many entries use it.
            EXPECT_EQ(Engine().KeyDerivations - derivedBefore, 2) << "change at call " << changeAt;
        }
        EXPECT_TRUE(archives[0] == archives[1]) << "change at call " << changeAt;
        Engine().PasswordList = {"secret", "second"};
        const Outcome restored = Restore(kManyWorkers, Paths(), 0);
        EXPECT_EQ(restored.errors, 0) << "change at call " << changeAt;
        for (const auto& [path, content] : files)
            EXPECT_TRUE(restored.media.at("Restore/wide/" + extractFileName(path)) == content)
                << path << ", change at call " << changeAt;
        EXPECT_TRUE(asked.empty());
    }
}

TEST_F(ChunkPoolTest, RecordOfAFileReadAheadCarriesTheDateOfTheBytesStored) {
    // The second file changes while the first is written, after the feed may have read
    // it: its record must carry the date of the bytes its archive holds (the old date
    // with the old bytes), never a newer date over older bytes, which the next run would
    // take for backed up.
    sandbox.writeFile("C:\\wide\\first.txt", std::string(8388608 + 1, 'f'));
    sandbox.writeFile("C:\\wide\\second.txt", "old bytes");
    sandbox.setFileTime("C:\\wide\\second.txt", 2026, 5, 1, 10, 0, 0);
    const uint32_t oldDate = *fileDosDateTime("C:\\wide\\second.txt");
    Fresh(kManyWorkers);
    Engine().ProgressProc = [this](int32_t, bool l, int64_t, int64_t fileBytes, int64_t) {
        if (l || fileBytes != 8388608)
            return;
        sandbox.writeFile("C:\\wide\\second.txt", "new bytes");
        sandbox.setFileTime("C:\\wide\\second.txt", 2026, 6, 1, 10, 0, 0);
    };
    SetUpJob(Mode::FileArchives, 0);
    BackupPaths({"C:\\wide\\first.txt", "C:\\wide\\second.txt"});
    Engine().ProgressProc = nullptr;
    const DriveListRecord record = Records()["C:\\wide\\second.txt"];
    RunRestore({"C:\\wide\\second.txt"}, "C:\\Restore\\");
    const std::string stored = *sandbox.readFile("C:\\Restore\\wide\\second.txt");
    if (stored == "old bytes")
        EXPECT_EQ(dateTimeToDos(record.Date), oldDate);
    else
        EXPECT_EQ(dateTimeToDos(record.Date), *fileDosDateTime("C:\\wide\\second.txt"));
}

TEST_F(ChunkPoolTest, DamagedChunkInTheMiddleOfAFileFailsOnlyThatFile) {
    std::string text;
    for (int i = 0; text.size() < 2 * 8388608 + 10; ++i)
        text += std::to_string(i) + " ";
    files = {{"C:\\wide\\three.txt", text.substr(0, 2 * 8388608 + 10)},
             {"C:\\wide\\after.txt", "the file after it"}};
    for (const auto& [path, content] : files)
        sandbox.writeFile(path, content);
    Backup(kManyWorkers, Mode::RunArchive, 0);
    // Spoil the middle of chunk 1 of the first entry.
    const std::string archive = "E:\\Quillmoor\\Drive_C\\12_7_2026 11_15_22 PM.bpa";
    std::string bytes = *sandbox.readFile(archive);
    const size_t chunk1 = 269 + 3 * 4 + Le(bytes, 269, 4);
    for (size_t i = 0; i < 16; ++i)
        bytes[chunk1 + Le(bytes, 273, 4) / 2 + i] ^= 0x5A;
    sandbox.writeFile(archive, bytes);
    sandbox.writeFile("C:\\Restore\\wide\\three.txt", "the old file");

    Outcome outcomes[2];
    int workers[2] = {1, kManyWorkers};
    for (int i = 0; i < 2; ++i) {
        sandbox.writeFile("C:\\Restore\\wide\\three.txt", "the old file");
        deleteFile("C:\\Restore\\wide\\after.txt");
        Fresh(workers[i]);
        RecordProgress(0);
        RunRestore(Paths(), "C:\\Restore\\");
        outcomes[i] = Observe("C", 0);
    }
    EXPECT_EQ(outcomes[0], outcomes[1]);
    EXPECT_EQ(outcomes[0].errors, 1);
    EXPECT_EQ(outcomes[0].log,
              (std::vector<std::string>{
                  "*** ERROR *** " + std::string(kNow) +
                      " C:\\Restore\\\\wide\\three.txt - can't restore.",
                  std::string(kNow) + " C:\\Restore\\\\wide\\after.txt restored to new \"Selected "
                                      "Destination Path\"."}));
    EXPECT_EQ(outcomes[0].media.at("Restore/wide/three.txt"), "the old file");
    EXPECT_EQ(outcomes[0].media.at("Restore/wide/after.txt"), "the file after it");
}

} // namespace
} // namespace qm::test
