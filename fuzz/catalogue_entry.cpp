// Fuzz body for the media catalogue: the input is E:\Quillmoor\drive.lst. A job reads
// it into its lists, lists it for the windows, looks every listed path up in the open
// catalogue, restores what it names into a chosen folder, and removes a path's records.
// Whatever the bytes, the lists agree with the whole records the file holds, nothing is
// written outside the restore folder, and a removal leaves a catalogue whose count
// matches its length.

#include "fuzz/fuzzentries.h"

#include "engine/backupjob.h"
#include "engine/cataloguefile.h"
#include "engine/copytree.h"
#include "engine/enginestate.h"
#include "fuzz/fuzzjob.h"
#include "fuzz/fuzzsandbox.h"
#include "platform/fileio.h"

#include <algorithm>
#include <string>

namespace qm::fuzz {

namespace {

namespace L = DriveListLayout;

// Lookups and restores are capped so that one input stays fast.
constexpr size_t kMaxLookups = 16;

int64_t WholeRecords(size_t size) {
    if (size <= L::kFirstRecord)
        return 0;
    return static_cast<int64_t>((size - L::kFirstRecord) / L::kRecordSize);
}

void CheckLists(TBackUpJob& job, int64_t records) {
    job.ReadDriveList();
    Require(static_cast<int64_t>(job.CatalogPaths.size()) == records,
            "ReadDriveList lists every whole record");
    Require(job.CatalogMediaPaths.size() == job.CatalogPaths.size() &&
                job.CatalogRevisions.size() == job.CatalogPaths.size(),
            "the three catalogue lists have one line per record");
    TStringList index, dates, sizes, paths;
    job.ListDriveFiles(&index, &dates, &sizes, &paths);
    Require(static_cast<int64_t>(index.size()) == records && dates.size() == index.size() &&
                sizes.size() == index.size() && paths.size() == index.size(),
            "ListDriveFiles lists every whole record");
}

void CheckLookups(TBackUpJob& job) {
    job.ReadDriveList();
    job.OpenDriveList();
    size_t n = std::min(job.CatalogPaths.size(), kMaxLookups);
    for (size_t i = 0; i < n; ++i) {
        DriveListRecord record;
        job.FindDriveListRecord(job.CatalogPaths[i], record);
        // A record may store an empty source path; every other listed path is found.
        Require(record.SourcePath.empty() == job.CatalogPaths[i].empty(),
                "a listed path has a record");
        Require(record.MediaPath.empty() || record.MediaPath[0] == 'E',
                "a found record names the current media drive");
    }
    job.CloseDriveListUnchanged();
}

void CheckRestore(TBackUpJob& job) {
    job.ReadDriveList();
    const TStringList wanted(job.CatalogPaths.begin(),
                             job.CatalogPaths.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                            job.CatalogPaths.size(), kMaxLookups)));
    job.SourceFiles = wanted;
    job.SetRestoreType(kRestoreFolder);
    const FileSnapshot before = Snapshot();
    job.Restore();
    job.CloseDriveListUnchanged();
    RequireChangesOnlyIn(before, {kRestoreHostPrefix, kLogHostPath, kRestoreLedgerHostPath},
                         "a restore writes only into its folder and the log");
}

void CheckRemoval(TBackUpJob& job, int64_t records) {
    job.ReadDriveList();
    if (job.CatalogPaths.empty())
        return;
    job.OpenDriveList();
    const std::string first = job.CatalogPaths[0]; // a copy: the removal moves lines
    // Every record of the path goes (a catalogue may list a path twice).
    const int64_t removed = std::count(job.CatalogPaths.begin(), job.CatalogPaths.end(), first);
    job.RemoveDriveListRecord(first);
    job.CloseDriveList();
    const std::string path = CataloguePath('E');
    if (records == removed) {
        Require(!fileExists(path), "removing the last records deletes the catalogue");
        return;
    }
    FileHandle file = FileHandle::open(path, OpenMode::Read);
    Require(static_cast<bool>(file), "the catalogue is still there after a removal");
    std::optional<CatalogueFile::Shape> shape = CatalogueFile(file).Inspect();
    Require(shape && shape->sound() && shape->records == records - removed,
            "a removal leaves a sound catalogue without the path's records");
}

// Deleting the listed files may remove backups on the media drive only: files of the copy
// trees, the staging folder and the catalogue itself, never anything else there.
void CheckDelete(TBackUpJob& job) {
    job.ReadDriveList();
    const TStringList wanted(job.CatalogPaths.begin(),
                             job.CatalogPaths.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                            job.CatalogPaths.size(), kMaxLookups)));
    const FileSnapshot before = Snapshot();
    job.DeleteFiles(wanted);
    job.CloseDriveList();
    RequireChangesOnlyIn(
        before,
        {"E/Quillmoor/Drive_", "E/Quillmoor/Staging/", "E/Quillmoor/drive.lst", kLogHostPath},
        "a deletion changes only backups, the catalogue and the log");
}

} // namespace

int FuzzCatalogue(const uint8_t* data, size_t size) {
    FuzzSandbox& sandbox = FuzzSandbox::instance();
    sandbox.clear();
    PrepareEngine();
    WriteMediaFiles();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Require(sandbox.writeFile(CataloguePath('E'), bytes), "the catalogue is written");
    const int64_t records = WholeRecords(size);
    {
        TBackUpJob job;
        AimAtSandbox(job);
        CheckLists(job, records);
        job.HasEncryptedFiles();
        CheckLookups(job);
        CheckRestore(job);
    }
    // The restore may have written through the catalogue; start again from the input.
    Require(sandbox.writeFile(CataloguePath('E'), bytes), "the catalogue is written again");
    {
        TBackUpJob job;
        AimAtSandbox(job);
        CheckRemoval(job, records);
    }
    WriteMediaFiles();
    Require(sandbox.writeFile(CataloguePath('E'), bytes), "the catalogue is written again");
    {
        TBackUpJob job;
        AimAtSandbox(job);
        CheckDelete(job);
    }
    Engine().Reset();
    sandbox.clear();
    return 0;
}

} // namespace qm::fuzz
