// Fuzz body for the ".bpa" archive walk: the input is an archive on the media drive. It
// is walked entry by entry through ReadEntryAt, restored into a chosen folder (once as
// plain and once as encrypted entries), and the entry of its first stored path is cut
// out. Whatever the bytes, a walk moves forward and stays inside the file, a restore
// writes nothing outside its folder and the log, and a removal changes only the archive,
// by exactly the entry the walk found.

#include "fuzz/fuzzentries.h"

#include "engine/archiveformat.h"
#include "engine/archivereader.h"
#include "engine/backupjob.h"
#include "engine/enginestate.h"
#include "fuzz/fuzzjob.h"
#include "fuzz/fuzzsandbox.h"
#include "platform/fileio.h"

#include <optional>
#include <string>

namespace qm::fuzz {

namespace {

constexpr const char* kArchive = "E:\\Quillmoor\\Drive_C\\fuzz.bpa";
constexpr const char* kArchiveHostPath = "E/Quillmoor/Drive_C/fuzz.bpa";

// The path stored in the first entry's header, so that the restore and the removal
// look for an entry the archive may really hold.
std::string FirstStoredPath(const std::string& bytes) {
    if (bytes.empty())
        return "C:\\docs\\a.txt";
    size_t length = static_cast<uint8_t>(bytes[0]);
    return bytes.substr(1, std::min(length, ArchiveLayout::kMaxPathLength));
}

// The entry of `source` that a removal cuts out: its start and length, or none when the
// walk ends first.
struct Found {
    int64_t start = 0;
    int64_t length = 0;
};

std::optional<Found> Walk(const std::string& source, int64_t size) {
    FileHandle archive = FileHandle::open(kArchive, OpenMode::Read);
    Require(static_cast<bool>(archive), "the archive opens");
    std::optional<Found> found;
    int64_t pos = 0;
    while (pos < size) {
        std::optional<ParsedEntry> entry =
            ReadEntryAt(archive, pos, size, static_cast<int64_t>(kInputBufferSize));
        if (!entry)
            break;
        Require(entry->length >= static_cast<int64_t>(ArchiveLayout::kHeaderSize),
                "an entry is at least its header long");
        Require(entry->length <= size - pos, "an entry ends inside the archive");
        if (!found && entry->header.Path == source)
            found = Found{pos, entry->length};
        pos += entry->length;
    }
    int64_t complete = ArchiveReader::CompleteLength(kArchive, nullptr);
    Require(complete >= 0 && complete <= pos, "the complete prefix ends where the walk ends");
    return found;
}

void CheckRestore(const std::string& source, bool encrypted) {
    TBackUpJob job;
    AimAtSandbox(job);
    job.SetRestoreType(kRestoreFolder);
    Engine().ArchiveEncrypted = encrypted;
    const FileSnapshot before = Snapshot();
    job.RestoreFromArchive(source, kArchive, kRestoreFolder, std::nullopt);
    Engine().ArchiveEncrypted = false;
    RequireChangesOnlyIn(before, {kRestoreHostPrefix, kLogHostPath, kRestoreLedgerHostPath},
                         "a restore writes only into its folder and the log");
}

void CheckRemoval(const std::string& source, const std::string& bytes,
                  const std::optional<Found>& found) {
    TBackUpJob job;
    AimAtSandbox(job);
    const FileSnapshot before = Snapshot();
    job.RemoveFromArchive(source, kArchive, 0, 0);
    RequireChangesOnlyIn(before, {kArchiveHostPath, kLogHostPath},
                         "a removal changes only the archive and the log");
    const FileSnapshot after = Snapshot();
    auto archive = after.find(kArchiveHostPath);
    Require(archive != after.end(), "the archive is still there after a removal");
    std::string expected = bytes;
    if (found)
        expected.erase(static_cast<size_t>(found->start), static_cast<size_t>(found->length));
    Require(archive->second == expected, "a removal cuts out exactly the entry found");
}

} // namespace

int FuzzArchive(const uint8_t* data, size_t size) {
    FuzzSandbox& sandbox = FuzzSandbox::instance();
    sandbox.clear();
    PrepareEngine();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Require(sandbox.writeFile(kArchive, bytes), "the archive is written");
    const std::string source = FirstStoredPath(bytes);
    const std::optional<Found> found = Walk(source, static_cast<int64_t>(size));
    CheckRestore(source, false);
    CheckRestore(source, true);
    CheckRemoval(source, bytes, found);
    Engine().Reset();
    sandbox.clear();
    return 0;
}

} // namespace qm::fuzz
