#include "engine/archiveindex.h"

#include "runtest.h"

#include "engine/chunkcodec.h"
#include "platform/dospath.h"

#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

// An address-space limit means nothing where the sanitizers reserve terabytes of shadow
// memory at start: those builds leave the limited runs out.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QM_SANITIZED_BUILD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) ||                         \
    __has_feature(memory_sanitizer)
#define QM_SANITIZED_BUILD 1
#endif
#endif

namespace qm::test {
namespace {

constexpr int kTinyEntries = 150000;

// The process's address space now, in bytes.
int64_t addressSpaceBytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmSize:", 0) == 0)
            return std::atoll(line.c_str() + 7) * 1024;
    return -1;
}

// Runs Work in a child process whose address space may grow by at most Extra bytes
// beyond what it holds at the fork (its heap's free memory given back first); Work's
// answer is the child's exit code, 98 when an exception left Work, -1 when the child
// ended any other way (a crash, an abort).
int inChildWithin(int64_t Extra, const std::function<int()>& Work) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        malloc_trim(0); // what the heap holds free is no room to count on
        const int64_t limit = addressSpaceBytes() + Extra;
        const rlimit space{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
        if (limit <= Extra || setrlimit(RLIMIT_AS, &space) != 0)
            _exit(90);
        int code = 98; // an exception left the run: the program would have ended there
        try {
            code = Work();
        } catch (...) {
        }
        std::fflush(nullptr);
        _exit(code);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

class ArchiveIndexTest : public RunTest {
  protected:
    // Appends Count entries of empty files (C:\many\e0, C:\many\e1, ...) to Archive, as
    // a run archive of that many files would hold them.
    void AppendEmptyEntries(const std::string& Archive, int Count) {
        ChunkCodec codec(DeflateLibrary::LibDeflate);
        uint8_t stream[64];
        const int64_t streamLength = codec.Deflate(nullptr, 0, stream, sizeof stream, 6);
        ASSERT_GT(streamLength, 0);
        std::string bytes;
        for (int i = 0; i < Count; ++i) {
            ArchiveEntryHeader header;
            header.Path = "C:\\many\\e" + std::to_string(i);
            header.ChunkCount = 1;
            const ArchiveHeaderBytes head = SerializeEntryHeader(header);
            const std::vector<uint8_t> table =
                SerializeChunkTable({static_cast<int32_t>(streamLength)});
            bytes.append(head.begin(), head.end());
            bytes.append(table.begin(), table.end());
            bytes.append(reinterpret_cast<const char*>(stream), static_cast<size_t>(streamLength));
        }
        std::ofstream out(*toHostPath(Archive), std::ios::binary | std::ios::app);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(out.good());
    }
};

// One file restored from a run archive of many entries keeps in memory a small index of
// its entries, never their bytes: of 150,000 entries (40 MiB) the one wanted comes back
// within 24 MiB more address space (8 MiB do), where an index of the entries' headers
// needed more than 80 MiB. Where memory runs out all the same, the run ends with a line
// that says so and one error; the program goes on.
TEST_F(ArchiveIndexTest, ARunArchiveOfManyEntriesIsRestoredInLittleMemoryOrStopsWithAnError) {
#ifdef QM_SANITIZED_BUILD
    GTEST_SKIP() << "an address-space limit is meaningless under the sanitizers";
#endif
    // No threads, before the fork too: the heaps of their arenas would be room the limit
    // does not see.
    Engine().WorkerLimit = -1;
    const std::string wanted = "C:\\many\\wanted.txt";
    sandbox.writeFile(wanted, "the one file wanted");
    SetUpJob(Mode::RunArchive, 0);
    BackupPaths({wanted});
    const std::string archive = Records()[wanted].MediaPath;
    AppendEmptyEntries(archive, kTinyEntries);

    struct Row {
        int64_t extra;
        const char* logEnd; // how the run's only log line ends
        int errors;
        const char* restored;
    };
    const std::vector<Row> rows = {
        {int64_t{24} << 20, "restored to its \"Original Location\".", 0, "the one file wanted"},
        {int64_t{1} << 20, " - not enough memory; the run stops here.", 1, "<missing>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "extra address space " << (row.extra >> 10) << " KiB");
        deleteFile(wanted);
        deleteFile(job.LogFileName);
        const int code = inChildWithin(row.extra, [&] {
            RunRestore({wanted});
            const std::vector<std::string> lines = LogLines();
            const std::string& line = lines.empty() ? std::string() : lines.back();
            const std::string end = row.logEnd;
            const bool logged = lines.size() == 1 && line.size() > end.size() &&
                                line.compare(line.size() - end.size(), end.size(), end) == 0 &&
                                line.find(wanted) != std::string::npos;
            if (!logged)
                std::fprintf(stderr, "log: %s\n", line.c_str());
            const bool restored = sandbox.readFile(wanted).value_or("<missing>") == row.restored;
            return (logged ? 0 : 1) | (Engine().ErrorCount == row.errors ? 0 : 2) |
                   (restored ? 0 : 4);
        });
        EXPECT_EQ(code, 0)
            << "98: out of memory escaped the run; -1: the child crashed; else bits: 1 "
               "log line, 2 error count, 4 file";
    }
}

} // namespace
} // namespace qm::test
