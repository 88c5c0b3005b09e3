// Fuzz body for the backup run's journal: the input is E:\Quillmoor\Staging\journal, left
// (the target pretends) by a run that a crash stopped, beside two staged files and a
// catalogue of two files. The next run carries it out. Whatever the bytes, nothing
// outside the copy trees, the staging folder and the catalogue changes (a report beside
// them, the computer's files), the catalogue comes out sound with every record naming
// its own file's backup, and a second run finds nothing left to do or the same journal.

#include "fuzz/fuzzentries.h"

#include "engine/backupjob.h"
#include "engine/cataloguefile.h"
#include "engine/copytree.h"
#include "engine/enginestate.h"
#include "engine/mediajournal.h"
#include "fuzz/fuzzjob.h"
#include "fuzz/fuzzsandbox.h"
#include "platform/fileio.h"

#include <string>

namespace qm::fuzz {

namespace {

void WriteCatalogue() {
    std::string bytes;
    const auto count = SerializeDriveListCount(2);
    bytes.append(count.begin(), count.end());
    for (const char* source : {"C:\\docs\\a.txt", "C:\\docs\\b.txt"}) {
        DriveListRecord record;
        record.SourcePath = source;
        record.MediaPath = source == std::string("C:\\docs\\a.txt")
                               ? CopyPathFor('E', source)
                               : FileArchivePathFor('E', source);
        record.Compression = record.MediaPath.ends_with(".bpa") ? 1 : 0;
        record.Size = 5;
        const DriveListRecordBytes raw = SerializeDriveListRecord(record);
        bytes.append(raw.begin(), raw.end());
    }
    Require(FuzzSandbox::instance().writeFile(CataloguePath('E'), bytes),
            "the catalogue is written");
}

// One run over the media: a revision list, which first carries out the journal.
void NextRun() {
    TBackUpJob job;
    AimAtSandbox(job);
    job.SourceFiles = {"C:\\docs\\a.txt", "C:\\docs\\b.txt"};
    TRevisionFileList list;
    int revised = 0;
    job.CollectRevisions(list, revised, nullptr);
    job.CloseDriveListUnchanged();
}

void CheckCatalogue() {
    FileHandle file = FileHandle::open(CataloguePath('E'), OpenMode::Read);
    Require(static_cast<bool>(file), "the catalogue is still there");
    CatalogueFile catalogue(file);
    std::optional<CatalogueFile::Shape> shape = catalogue.Inspect();
    Require(shape && shape->sound(), "the journal leaves a sound catalogue");
    TBackUpJob job;
    AimAtSandbox(job);
    for (int32_t i = 0; i < shape->records; ++i) {
        std::optional<DriveListRecordBytes> bytes = catalogue.ReadRecord(i);
        Require(bytes.has_value(), "every record reads");
        DriveListRecord record = ParseDriveListRecord(*bytes);
        record.MediaPath[0] = 'E';
        Require(job.HoldsBackupShape(record), "every record names its own file's backup");
    }
}

} // namespace

int FuzzJournal(const uint8_t* data, size_t size) {
    FuzzSandbox& sandbox = FuzzSandbox::instance();
    sandbox.clear();
    PrepareEngine();
    WriteMediaFiles();
    WriteCatalogue();
    const std::string staging = MediaJournal::StagingFolder('E');
    Require(sandbox.writeFile(staging + "1.part", "staged one") &&
                sandbox.writeFile(staging + "1.part.mac", "12345678") &&
                sandbox.writeFile(staging + "2.part", "staged two"),
            "the staged files are written");
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Require(sandbox.writeFile(MediaJournal::JournalPath('E'), bytes), "the journal is written");
    const FileSnapshot before = Snapshot();
    NextRun();
    RequireChangesOnlyIn(
        before,
        {"E/Quillmoor/Drive_", "E/Quillmoor/Staging/", "E/Quillmoor/drive.lst", kLogHostPath},
        "a journal changes only backups, the staging folder and the catalogue");
    CheckCatalogue();
    const FileSnapshot once = Snapshot();
    NextRun();
    RequireChangesOnlyIn(once, {}, "a journal carried out is not carried out again");
    Engine().Reset();
    sandbox.clear();
    return 0;
}

} // namespace qm::fuzz
