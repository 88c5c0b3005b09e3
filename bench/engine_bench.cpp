// Engine benchmark (not a test): backup and restore throughput for a tree of many small
// files and for a few large files in plain, encrypted, compressed and
// compressed+encrypted modes; plain backup against a straight read-write copy of the
// same tree; a second backup of many tiny files against the catalogue the first one
// wrote (catalogue lookups); and the peak memory of a large backup.
//
//   engine_bench [MiB]    total size of each tree in MiB (default 256; 1024 for the
//                         1 GiB memory figure). Runs in a temporary folder mapped as
//                         drives C: and E:, removed at the end.

#include "engine/backupjob.h"
#include "engine/enginestate.h"
#include "engine/keymanager.h"
#include "platform/drivetable.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

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

double seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double mbps(int64_t bytes, double s) {
    return s > 0 ? bytes / 1048576.0 / s : 0;
}

void configure(TBackUpJob& job, bool compress, bool encrypt) {
    job.SetDestination('E');
    job.SetCompression(compress);
    job.SetCompressionType(TCompressionType::ctOnesFile);
    job.SetCompressionRate(6);
    job.SetEncryption(encrypt);
    job.SetStartTime(now());
    Engine().PasswordList = {"bench password"};
    Engine().KeySize = 256;
    PasswordToKey(Engine().PasswordList[0], Engine().KeyBuffer.data(), 256);
}

double backup(const Tree& tree, bool compress, bool encrypt) {
    TBackUpJob job;
    configure(job, compress, encrypt);
    job.SourceFiles = tree.paths;
    auto start = Clock::now();
    job.Backup();
    return seconds(start);
}

double restore(const Tree& tree, const fs::path& hostC) {
    TBackUpJob job;
    job.SetDestination('E');
    job.SetRestoreType("C:\\Restored\\");
    job.LoadDriveList();
    job.SourceFiles = tree.paths;
    auto start = Clock::now();
    job.Restore();
    double s = seconds(start);
    fs::remove_all(hostC / "Restored");
    return s;
}

enum class Sync { None, EachFile, OnceAtEnd };

// A straight read-write copy of the tree: without any sync (data left in the page cache),
// with a data sync per file, or with one sync of the file system at the end, which is
// what the backup does before its catalogue names the files (the same durability).
double straightCopy(const Tree& tree, const fs::path& hostC, const fs::path& hostE, Sync sync) {
    std::vector<char> buffer(8 << 20);
    auto start = Clock::now();
    for (const std::string& dos : tree.paths) {
        std::string rel = dos.substr(3);
        for (char& c : rel)
            c = c == '\\' ? '/' : c;
        fs::path to = hostE / "straight" / rel;
        fs::create_directories(to.parent_path());
        int in = ::open((hostC / rel).c_str(), O_RDONLY);
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

// A tree of many tiny files backed up once, then again: the second run looks up and
// rewrites one catalogue record per file, so its time shows the cost of the lookups.
void catalogueRebackup(const fs::path& hostC, const fs::path& hostE, int files) {
    Tree tiny = makeTree(hostC, "tiny", files, 64);
    double first = backup(tiny, false, false);
    double again = backup(tiny, false, false);
    std::printf("tiny   %d files of 64 bytes: first backup %.2f s, re-backup against its "
                "catalogue %.2f s (%.0f files/s)\n",
                files, first, again, again > 0 ? files / again : 0);
    std::fflush(stdout);
    fs::remove_all(hostE / "Quillmoor");
    fs::remove_all(hostC / "tiny");
}

long peakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    const int64_t mib = argc > 1 ? std::max(1L, std::atol(argv[1])) : 256;
    const int64_t total = mib << 20;
    std::string tmpl = (fs::temp_directory_path() / "qm-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root = tmpl, hostC = root / "C", hostE = root / "E";
    fs::create_directories(hostC);
    fs::create_directories(hostE);
    DriveTable::instance().map('C', hostC.string(), DriveType::Fixed);
    DriveTable::instance().map('E', hostE.string(), DriveType::Removable);
    Engine().SleepProc = [](int) {}; // the pause every 1000 files is not engine work

    const long baseKiB = peakKiB();
    std::printf("engine_bench: %lld MiB per tree in %s\n", static_cast<long long>(mib),
                tmpl.c_str());
    const int64_t smallSize = 16 << 10;
    std::vector<Tree> trees = {makeTree(hostC, "small",
                                        static_cast<int>(std::max<int64_t>(1, total / smallSize)),
                                        smallSize),
                               makeTree(hostC, "large", 4, std::max<int64_t>(1, total / 4))};

    struct ModeRow {
        const char* name;
        bool compress, encrypt;
    } modes[] = {{"plain", false, false},
                 {"encrypted", false, true},
                 {"compressed", true, false},
                 {"compressed+encrypted", true, true}};

    std::printf("%-6s %-22s %12s %12s\n", "tree", "mode", "backup MB/s", "restore MB/s");
    for (const Tree& tree : trees) {
        for (const ModeRow& mode : modes) {
            double b = backup(tree, mode.compress, mode.encrypt);
            double r = restore(tree, hostC);
            std::printf("%-6s %-22s %12.1f %12.1f\n", tree.name, mode.name, mbps(tree.bytes, b),
                        mbps(tree.bytes, r));
            std::fflush(stdout);
            fs::remove_all(hostE / "Quillmoor");
        }
        double copy = straightCopy(tree, hostC, hostE, Sync::None);
        double synced = straightCopy(tree, hostC, hostE, Sync::EachFile);
        double syncedOnce = straightCopy(tree, hostC, hostE, Sync::OnceAtEnd);
        double plain = backup(tree, false, false);
        fs::remove_all(hostE / "Quillmoor");
        auto ratio = [plain](double base) { return base > 0 ? plain / base : 0; };
        std::printf("%-6s plain backup / straight copy synced once at the end: %.2fx (target "
                    "<= 1.2x); / unsynced copy: %.2fx; / copy with a data sync per file: "
                    "%.2fx\n",
                    tree.name, ratio(syncedOnce), ratio(copy), ratio(synced));
        std::fflush(stdout);
    }
    catalogueRebackup(hostC, hostE, 20000);
    std::printf("peak memory: %ld KiB at start, %ld KiB after every run (%lld MiB trees; the "
                "engine's buffers are made once, so this does not grow with file size)\n",
                baseKiB, peakKiB(), static_cast<long long>(mib));
    fs::remove_all(root);
    return 0;
}
