#include "fuzz/fuzzjob.h"

#include "engine/archiveformat.h"
#include "engine/copytree.h"
#include "engine/enginestate.h"
#include "fuzz/fuzzsandbox.h"

#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace qm::fuzz {

namespace {

std::string ArchiveOf(const std::string& path, const std::string& content) {
    ArchiveEntryHeader header;
    header.Path = path;
    header.Size = static_cast<int64_t>(content.size());
    header.CheckValue = CheckValue;
    header.ChunkCount = 1;
    uLongf packedLength = compressBound(static_cast<uLong>(content.size()));
    std::string packed(packedLength, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &packedLength,
             reinterpret_cast<const Bytef*>(content.data()), static_cast<uLong>(content.size()));
    packed.resize(packedLength);
    ArchiveHeaderBytes head = SerializeEntryHeader(header);
    std::vector<uint8_t> table = SerializeChunkTable({static_cast<int32_t>(packed.size())});
    return std::string(head.begin(), head.end()) + std::string(table.begin(), table.end()) + packed;
}

bool Allowed(const std::string& path, std::initializer_list<std::string_view> prefixes) {
    for (std::string_view prefix : prefixes)
        if (std::string_view(path).starts_with(prefix))
            return true;
    return false;
}

} // namespace

void PrepareEngine() {
    TEngineState& engine = Engine();
    engine.Reset();
    engine.ProgressProc = nullptr;
    engine.AskPasswordProc = nullptr; // every prompt answers "skip"
    engine.ProcessMessagesProc = nullptr;
    engine.SleepProc = [](int) {};
    engine.PasswordList = {kPassword};
}

void AimAtSandbox(TBackUpJob& job) {
    job.SetDestination('E');
    job.SetLogSave(true);
    job.LogFileName = kLogFile;
}

void WriteMediaFiles() {
    const FuzzSandbox& sandbox = FuzzSandbox::instance();
    Require(sandbox.writeFile(CopyPathFor('E', "C:\\docs\\a.txt"), "alpha"),
            "the plain copy is written");
    Require(sandbox.writeFile(FileArchivePathFor('E', "C:\\docs\\b.txt"),
                              ArchiveOf("C:\\docs\\b.txt", "bravo")),
            "the archive is written");
    // Not a backup: nothing a catalogue says may delete it.
    Require(sandbox.writeFile("E:\\Quillmoor\\Reports\\Report.dat", "report"),
            "the report is written");
}

FileSnapshot Snapshot() {
    FileSnapshot files;
    const std::string& root = FuzzSandbox::instance().root();
    for (const std::string& path : FuzzSandbox::instance().files()) {
        std::ifstream in(root + "/" + path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        files[path] = bytes.str();
    }
    return files;
}

void RequireChangesOnlyIn(const FileSnapshot& before,
                          std::initializer_list<std::string_view> allowedPrefixes,
                          const char* what) {
    FileSnapshot after = Snapshot();
    for (const auto& [path, bytes] : after) {
        auto old = before.find(path);
        if ((old == before.end() || old->second != bytes) && !Allowed(path, allowedPrefixes)) {
            std::fprintf(stderr, "changed: %s\n", path.c_str());
            Require(false, what);
        }
    }
    for (const auto& [path, bytes] : before) {
        if (!after.count(path) && !Allowed(path, allowedPrefixes)) {
            std::fprintf(stderr, "removed: %s\n", path.c_str());
            Require(false, what);
        }
    }
}

} // namespace qm::fuzz
