// Engine benchmark (not a test): backup and restore throughput for a tree of many small
// files and for a few large files in plain, encrypted, compressed and
// compressed+encrypted modes, each compressed mode with one archive per file and with
// one archive for the run, and once more as the engine was before it had workers (one
// thread, zlib); zlib against libdeflate on one thread; every ratio the engine is held
// to, measured in the same run: compressed backup against a single-threaded zlib
// deflate of the same data, encryption on top of compression, restore on every core
// against one zlib thread, plain backup against a straight read-write copy, the restore
// of a run archive against per-file archives; the longest time the window waited for
// its events during compressed work; a second backup of many tiny files against the
// catalogue the first one wrote; and the peak memory of compressed work with every
// worker, with one, and with none.
//
//   engine_bench [MiB [small|large|runarchive|index]]
//                         total size of each tree in MiB (default 256); "small" or
//                         "large" measures that tree alone (and, for the large one, the
//                         memory); "runarchive" the restore of 20,000 files from one run
//                         archive; "index" one file restored from a run archive of
//                         1,000,000 entries. Runs in a temporary folder ($TMPDIR, else /tmp) mapped
//                         as drives C: and E:, removed at the end.

#include "engine/archiveformat.h"
#include "engine/backupjob.h"
#include "engine/chunkcodec.h"
#include "engine/chunkpool.h"
#include "engine/enginestate.h"
#include "engine/keymanager.h"
#include "platform/drivetable.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace qm;

namespace {

using Clock = std::chrono::steady_clock;

struct Tree {
    const char* name;
    std::vector<std::string> paths; // DOS paths on C:
    int64_t bytes = 0;
};

// Half-compressible content: random bytes with runs, so deflate has work to do.
void writeContent(const fs::path& file, int64_t size, std::mt19937_64& rng) {
    std::vector<char> block(1 << 20);
    std::ofstream out(file, std::ios::binary);
    for (int64_t done = 0; done < size;) {
        int64_t n = std::min<int64_t>(size - done, static_cast<int64_t>(block.size()));
        for (size_t i = 0; i < static_cast<size_t>(n); i += 8) {
            uint64_t v = rng();
            if (v & 1)
                v = 0x2020202020202020ULL;
            std::memcpy(&block[i], &v, 8);
        }
        out.write(block.data(), n);
        done += n;
    }
}

Tree makeTree(const fs::path& hostC, const char* name, int files, int64_t fileSize) {
    Tree tree{name, {}, 0};
    std::mt19937_64 rng(42);
    for (int i = 0; i < files; ++i) {
        std::string folder = std::string(name) + "/d" + std::to_string(i / 100);
        fs::create_directories(hostC / folder);
        std::string file = folder + "/f" + std::to_string(i) + ".dat";
        writeContent(hostC / file, fileSize, rng);
        std::string dos = "C:\\" + file;
        for (char& c : dos)
            c = c == '/' ? '\\' : c;
        tree.paths.push_back(dos);
        tree.bytes += fileSize;
    }
    return tree;
}

fs::path hostPath(const fs::path& hostC, const std::string& dos) {
    std::string rel = dos.substr(3);
    for (char& c : rel)
        c = c == '\\' ? '/' : c;
    return hostC / rel;
}

double seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double mbps(int64_t bytes, double s) {
    return s > 0 ? bytes / 1048576.0 / s : 0;
}

// The longest time between two moments the window could run its events (a progress
// call or the engine's pump) from the first progress call of a compressed run to its
// last (the catalogue written after it and the plain copies are not the workers' time).
struct WindowWatch {
    Clock::time_point last;
    bool watching = false; // a compressed run is measured
    bool running = false;
    double longest = 0;
    std::string where, longestWhere; // the run measured, the run of the longest wait

    void Install() {
        Engine().ProgressProc = [this](int32_t, bool listMode, int64_t, int64_t, int64_t bytes) {
            Tick();
            running = watching && !listMode && bytes != -1;
        };
        Engine().ProcessMessagesProc = [this] { Tick(); };
    }
    void Tick() {
        const Clock::time_point now = Clock::now();
        const double waited = std::chrono::duration<double>(now - last).count();
        if (running && waited > longest) {
            longest = waited;
            longestWhere = where;
        }
        last = now;
    }
};

WindowWatch watch;

enum class Layout { FileArchives, RunArchive };

void configure(TBackUpJob& job, bool compress, bool encrypt, Layout layout) {
    job.SetDestination('E');
    job.SetCompression(compress);
    job.SetCompressionType(layout == Layout::RunArchive ? TCompressionType::ctMultipleFile
                                                        : TCompressionType::ctOnesFile);
    job.SetCompressionRate(6);
    job.SetEncryption(encrypt);
    job.SetStartTime(now());
    Engine().PasswordList = {"bench password"};
    Engine().KeySize = 256;
    PasswordToKey(Engine().PasswordList[0], Engine().KeyBuffer.data(), 256);
}

double backup(const Tree& tree, bool compress, bool encrypt, Layout layout, char media = 'E') {
    TBackUpJob job;
    configure(job, compress, encrypt, layout);
    job.SetDestination(media);
    job.SourceFiles = tree.paths;
    auto start = Clock::now();
    job.Backup();
    return seconds(start);
}

double restore(const Tree& tree, const fs::path& hostC, char media = 'E') {
    TBackUpJob job;
    job.SetDestination(media);
    job.SetRestoreType("C:\\Restored\\");
    job.LoadDriveList();
    job.SourceFiles = tree.paths;
    auto start = Clock::now();
    job.Restore();
    double s = seconds(start);
    fs::remove_all(hostC / "Restored");
    return s;
}

// The engine as it was before it had workers: one thread does every chunk with zlib.
struct OneZlibThread {
    OneZlibThread() {
        Engine().WorkerLimit = -1;
        Engine().Library = DeflateLibrary::Zlib;
    }
    ~OneZlibThread() {
        Engine().WorkerLimit = 0;
        Engine().Library = DeflateLibrary::LibDeflate;
    }
};

// One thread over the tree's data, cut into the chunks an archive stores (reading the
// files is not counted): seconds in zlib's deflate at level 6 (the baseline of the
// backup ratios), and the same chunks through libdeflate, deflating and inflating.
struct CodecTimes {
    double zlibDeflate = 0, libdeflateDeflate = 0, zlibInflate = 0, libdeflateInflate = 0;
    int64_t zlibBytes = 0, libdeflateBytes = 0;
};

CodecTimes measureCodecs(const Tree& tree, const fs::path& hostC) {
    constexpr size_t kChunk = 8 << 20;
    const auto bound = static_cast<size_t>(ChunkCodec::DeflateBound(kChunk));
    std::vector<uint8_t> in(kChunk), zlibOut(bound), ldOut(bound), plain(kChunk);
    ChunkCodec libdeflate(DeflateLibrary::LibDeflate), zlib(DeflateLibrary::Zlib);
    CodecTimes t;
    auto timed = [](double& total, auto&& work) {
        auto start = Clock::now();
        work();
        total += seconds(start);
    };
    for (const std::string& dos : tree.paths) {
        std::ifstream file(hostPath(hostC, dos), std::ios::binary);
        while (file) {
            file.read(reinterpret_cast<char*>(in.data()), static_cast<std::streamsize>(kChunk));
            const auto n = static_cast<int64_t>(file.gcount());
            if (n == 0)
                break;
            uLongf zlibLength = static_cast<uLongf>(zlibOut.size());
            timed(t.zlibDeflate, [&] {
                compress2(zlibOut.data(), &zlibLength, in.data(), static_cast<uLong>(n), 6);
            });
            int64_t ldLength = 0;
            timed(t.libdeflateDeflate, [&] {
                ldLength = libdeflate.Deflate(in.data(), n, ldOut.data(),
                                              static_cast<int64_t>(ldOut.size()), 6);
            });
            int64_t plainBytes = 0;
            timed(t.zlibInflate,
                  [&] { zlib.Inflate(ldOut.data(), ldLength, plain.data(), n, plainBytes); });
            timed(t.libdeflateInflate,
                  [&] { libdeflate.Inflate(ldOut.data(), ldLength, plain.data(), n, plainBytes); });
            t.zlibBytes += static_cast<int64_t>(zlibLength);
            t.libdeflateBytes += ldLength;
        }
    }
    return t;
}

enum class Sync { None, EachFile, OnceAtEnd };

// A straight read-write copy of the tree: without any sync (data left in the page cache),
// with a data sync per file, or with one sync of the file system at the end, which is
// what the backup does before its catalogue names the files (the same durability).
double straightCopy(const Tree& tree, const fs::path& hostC, const fs::path& hostE, Sync sync) {
    std::vector<char> buffer(8 << 20);
    auto start = Clock::now();
    for (const std::string& dos : tree.paths) {
        fs::path from = hostPath(hostC, dos);
        fs::path to = hostE / "straight" / fs::relative(from, hostC);
        fs::create_directories(to.parent_path());
        int in = ::open(from.c_str(), O_RDONLY);
        int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        for (ssize_t n; (n = ::read(in, buffer.data(), buffer.size())) > 0;)
            if (::write(out, buffer.data(), static_cast<size_t>(n)) != n)
                break;
        if (sync == Sync::EachFile)
            ::fdatasync(out);
        ::close(in);
        ::close(out);
    }
    if (sync == Sync::OnceAtEnd) {
        int folder = ::open(hostE.c_str(), O_RDONLY);
        ::syncfs(folder);
        ::close(folder);
    }
    double s = seconds(start);
    fs::remove_all(hostE / "straight");
    return s;
}

struct ModeRow {
    const char* name;
    bool compress, encrypt;
    Layout layout;
    double backup = 0, restore = 0;
    bool watched = true; // counts for the longest wait
};

void printRow(const Tree& tree, const ModeRow& row) {
    std::printf("%-6s %-38s %12.1f %12.1f\n", tree.name, row.name, mbps(tree.bytes, row.backup),
                mbps(tree.bytes, row.restore));
    std::fflush(stdout);
}

// One round of a row: its backup and restore, each kept when it is the row's best.
void runRound(const Tree& tree, const fs::path& hostC, const fs::path& hostE, ModeRow& row,
              bool first) {
    watch.watching = row.compress && row.watched;
    watch.where = std::string(tree.name) + " " + row.name + ", backup";
    const double b = backup(tree, row.compress, row.encrypt, row.layout);
    watch.where = std::string(tree.name) + " " + row.name + ", restore";
    const double r = restore(tree, hostC);
    row.backup = first ? b : std::min(row.backup, b);
    row.restore = first ? r : std::min(row.restore, r);
    fs::remove_all(hostE / "Quillmoor");
    watch.watching = false;
}

// The better of two rounds: a shared machine and the file system's own bookkeeping make
// single runs vary by 20% or more. The rows take turns, round by round, so that rows
// compared with each other share the machine's busier and quieter moments.
void runRows(const Tree& tree, const fs::path& hostC, const fs::path& hostE, ModeRow* rows,
             size_t count) {
    for (int round = 0; round < 2; ++round)
        for (size_t i = 0; i < count; ++i)
            runRound(tree, hostC, hostE, rows[i], round == 0);
    for (size_t i = 0; i < count; ++i)
        printRow(tree, rows[i]);
}

void measureTree(const Tree& tree, const fs::path& hostC, const fs::path& hostE,
                 double deflateTarget) {
    ModeRow rows[] = {
        {"plain", false, false, Layout::FileArchives},
        {"encrypted", false, true, Layout::FileArchives},
        {"compressed, file archives", true, false, Layout::FileArchives},
        {"compressed+encrypted, file archives", true, true, Layout::FileArchives},
        {"compressed, run archive", true, false, Layout::RunArchive},
        {"compressed+encrypted, run archive", true, true, Layout::RunArchive},
    };
    runRows(tree, hostC, hostE, rows, std::size(rows));
    ModeRow before{"compressed, file archives, one zlib thread", true, false, Layout::FileArchives};
    {
        // Without workers the window thread deflates each chunk itself, as it did before.
        OneZlibThread asBefore;
        before.watched = false;
        runRows(tree, hostC, hostE, &before, 1);
    }
    const ModeRow& fileArchives = rows[2];
    const ModeRow& runArchive = rows[4];

    const CodecTimes codecs = measureCodecs(tree, hostC);
    const double deflate = codecs.zlibDeflate;
    std::printf("%-6s one thread, level 6, the archive's chunks: deflate zlib %.1f MB/s, "
                "libdeflate %.1f MB/s; inflate zlib %.1f MB/s, libdeflate %.1f MB/s; deflated "
                "size zlib %.1f%%, libdeflate %.1f%%\n",
                tree.name, mbps(tree.bytes, deflate), mbps(tree.bytes, codecs.libdeflateDeflate),
                mbps(tree.bytes, codecs.zlibInflate), mbps(tree.bytes, codecs.libdeflateInflate),
                100.0 * codecs.zlibBytes / tree.bytes, 100.0 * codecs.libdeflateBytes / tree.bytes);
    std::printf("%-6s compressed backup speed / that deflate: %.2fx with file archives, %.2fx "
                "with a run archive (target >= %.0fx)\n",
                tree.name, deflate / fileArchives.backup, deflate / runArchive.backup,
                deflateTarget);
    std::printf("%-6s compressed+encrypted backup time / compressed: %.2fx with file archives, "
                "%.2fx with a run archive (target <= 1.1x)\n",
                tree.name, rows[3].backup / fileArchives.backup,
                rows[5].backup / runArchive.backup);
    std::printf("%-6s compressed restore speed / one zlib thread (the engine before workers): "
                "%.2fx (target "
                ">= 4x for large files); backup: %.2fx\n",
                tree.name, before.restore / fileArchives.restore,
                before.backup / fileArchives.backup);

    double copy = straightCopy(tree, hostC, hostE, Sync::None);
    double synced = straightCopy(tree, hostC, hostE, Sync::EachFile);
    double syncedOnce = straightCopy(tree, hostC, hostE, Sync::OnceAtEnd);
    double plain = backup(tree, false, false, Layout::FileArchives);
    // Backed up again: every copy now replaces one, so it is staged, journaled and moved.
    double again = backup(tree, false, false, Layout::FileArchives);
    fs::remove_all(hostE / "Quillmoor");
    auto ratio = [plain](double base) { return base > 0 ? plain / base : 0; };
    std::printf("%-6s plain backup / straight copy synced once at the end: %.2fx (target "
                "<= 1.3x); / unsynced copy: %.2fx; / copy with a data sync per file: %.2fx\n",
                tree.name, ratio(syncedOnce), ratio(copy), ratio(synced));
    std::printf("%-6s plain backup replacing every copy / straight copy synced once: %.2fx\n",
                tree.name, syncedOnce > 0 ? again / syncedOnce : 0);
    std::fflush(stdout);
}

// 20,000 small files restored from one run archive (on E:) and from per-file archives
// (on F:), each twice and in turns, so that neither pays alone for what the file system
// still has to do about the files the other deleted; the better time of each counts.
void runArchiveRestore(const fs::path& hostC, const fs::path& hostE, const fs::path& hostF,
                       int files) {
    Tree tree = makeTree(hostC, "many", files, 4096);
    backup(tree, true, false, Layout::RunArchive, 'E');
    backup(tree, true, false, Layout::FileArchives, 'F');
    double fromRunArchive = 1e9, fromFileArchives = 1e9;
    for (int round = 0; round < 2; ++round) {
        fromRunArchive = std::min(fromRunArchive, restore(tree, hostC, 'E'));
        fromFileArchives = std::min(fromFileArchives, restore(tree, hostC, 'F'));
    }
    fs::remove_all(hostE / "Quillmoor");
    fs::remove_all(hostF / "Quillmoor");
    fs::remove_all(hostC / "many");
    std::printf("many   %d files of 4 KiB: restore from one run archive %.2f s, from per-file "
                "archives %.2f s: %.2fx (target <= 2x)\n",
                files, fromRunArchive, fromFileArchives, fromRunArchive / fromFileArchives);
    std::fflush(stdout);
}

long peakKiB();
void resetPeak();

// One file restored from a run archive that holds `entries` more of empty files (1,000,000
// make 267 MiB): the time and the peak memory of the restore, which keeps an index of
// the entries and none of their bytes.
void oneOfManyEntries(const fs::path& hostC, const fs::path& hostE, int entries) {
    Tree one = makeTree(hostC, "one", 1, 4096);
    backup(one, true, false, Layout::RunArchive, 'E');
    fs::path archive;
    for (const auto& e : fs::recursive_directory_iterator(hostE / "Quillmoor"))
        if (e.path().extension() == ".bpa")
            archive = e.path();
    ChunkCodec codec(DeflateLibrary::LibDeflate);
    uint8_t stream[64];
    const int64_t streamLength = codec.Deflate(nullptr, 0, stream, sizeof stream, 6);
    {
        std::ofstream out(archive, std::ios::binary | std::ios::app);
        for (int i = 0; i < entries; ++i) {
            ArchiveEntryHeader header;
            header.Path = "C:\\many\\e" + std::to_string(i);
            header.ChunkCount = 1;
            const ArchiveHeaderBytes head = SerializeEntryHeader(header);
            const std::vector<uint8_t> table =
                SerializeChunkTable({static_cast<int32_t>(streamLength)});
            out.write(reinterpret_cast<const char*>(head.data()), head.size());
            out.write(reinterpret_cast<const char*>(table.data()),
                      static_cast<std::streamsize>(table.size()));
            out.write(reinterpret_cast<const char*>(stream), streamLength);
        }
    }
    const double mib = static_cast<double>(fs::file_size(archive)) / 1048576;
    resetPeak();
    const long before = peakKiB();
    const double s = restore(one, hostC);
    const long peak = peakKiB();
    std::printf("one    file of a run archive of %d more entries (%.0f MiB): restored in %.2f s, "
                "peak memory +%ld MiB\n",
                entries, mib, s, (peak - before) >> 10);
    std::fflush(stdout);
    fs::remove_all(hostE / "Quillmoor");
    fs::remove_all(hostC / "one");
}

// A tree of many tiny files backed up once, then again: the second run looks up and
// rewrites one catalogue record per file, so its time shows the cost of the lookups.
void catalogueRebackup(const fs::path& hostC, const fs::path& hostE, int files) {
    Tree tiny = makeTree(hostC, "tiny", files, 64);
    double first = backup(tiny, false, false, Layout::FileArchives);
    double again = backup(tiny, false, false, Layout::FileArchives);
    std::printf("tiny   %d files of 64 bytes: first backup %.2f s, re-backup against its "
                "catalogue %.2f s (%.0f files/s)\n",
                files, first, again, again > 0 ? files / again : 0);
    std::fflush(stdout);
    fs::remove_all(hostE / "Quillmoor");
    fs::remove_all(hostC / "tiny");
}

// Peak resident memory in KiB since the last reset (the whole process when the kernel
// cannot reset it).
long peakKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Peak memory of a compressed backup and restore of the large files.
long compressedPeakKiB(const Tree& tree, const fs::path& hostC, const fs::path& hostE) {
    resetPeak();
    backup(tree, true, false, Layout::RunArchive);
    restore(tree, hostC);
    fs::remove_all(hostE / "Quillmoor");
    return peakKiB();
}

} // namespace

int main(int argc, char** argv) {
    const int64_t mib = argc > 1 ? std::max(1L, std::atol(argv[1])) : 256;
    // "small" or "large" measures that tree alone (and, for the large one, the memory).
    const std::string only = argc > 2 ? argv[2] : "";
    const int64_t total = mib << 20;
    std::string tmpl = (fs::temp_directory_path() / "qm-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root = tmpl, hostC = root / "C", hostE = root / "E", hostF = root / "F";
    fs::create_directories(hostC);
    fs::create_directories(hostE);
    fs::create_directories(hostF);
    DriveTable::instance().map('C', hostC.string(), DriveType::Fixed);
    DriveTable::instance().map('E', hostE.string(), DriveType::Removable);
    DriveTable::instance().map('F', hostF.string(), DriveType::Removable);
    // The restores' list of temporaries goes into the temporary folder too.
    setenv("XDG_STATE_HOME", (root / "state").c_str(), 1);
    Engine().SleepProc = [](int) {}; // the pause every 1000 files is not engine work
    watch.Install();

    const long baseKiB = peakKiB();
    std::printf("engine_bench: %lld MiB per tree in %s, %d workers\n", static_cast<long long>(mib),
                tmpl.c_str(), ChunkPool::WorkersFor(0));
    const int64_t smallSize = 16 << 10;
    Tree small = makeTree(hostC, "small", static_cast<int>(std::max<int64_t>(1, total / smallSize)),
                          smallSize);
    Tree large = makeTree(hostC, "large", 4, std::max<int64_t>(1, total / 4));

    std::printf("%-6s %-38s %12s %12s\n", "tree", "mode", "backup MB/s", "restore MB/s");
    if (only.empty() || only == "small")
        measureTree(small, hostC, hostE, 5);
    if (only.empty() || only == "large")
        measureTree(large, hostC, hostE, 10);
    std::printf("longest wait without the window running its events during a compressed "
                "run: %.0f ms, in the %s (target <= 100 ms)\n",
                watch.longest * 1000, watch.longestWhere.c_str());
    if (only == "index") {
        oneOfManyEntries(hostC, hostE, 1000000);
        fs::remove_all(root);
        return 0;
    }
    if (only.empty() || only == "runarchive")
        runArchiveRestore(hostC, hostE, hostF, 20000);
    if (only.empty())
        catalogueRebackup(hostC, hostE, 20000);
    if (only == "small" || only == "runarchive") {
        fs::remove_all(root);
        return 0;
    }

    long oneThreadKiB = 0;
    {
        OneZlibThread asBefore;
        oneThreadKiB = compressedPeakKiB(large, hostC, hostE);
    }
    Engine().WorkerLimit = 1;
    const long oneWorkerKiB = compressedPeakKiB(large, hostC, hostE);
    Engine().WorkerLimit = 0;
    const long allWorkersKiB = compressedPeakKiB(large, hostC, hostE);
    std::printf("peak memory of a compressed backup and restore of the large files: %ld MiB "
                "with %d workers (target < 160 MiB), %ld MiB with one, %ld MiB with one zlib "
                "thread and no workers; %ld MiB at start\n",
                allWorkersKiB >> 10, ChunkPool::WorkersFor(0), oneWorkerKiB >> 10,
                oneThreadKiB >> 10, baseKiB >> 10);
    fs::remove_all(root);
    return 0;
}
