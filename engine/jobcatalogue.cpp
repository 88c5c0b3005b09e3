// The job's operations on the catalogue "drive.lst" of its media drive: opening and
// closing, reading it into the job's lists, listing it for the windows, finding, saving
// and removing records.

#include "engine/backupjob.h"

#include "engine/cataloguefile.h"
#include "engine/copytree.h"
#include "engine/enginestate.h"
#include "engine/indexline.h"
#include "engine/logline.h"
#include "engine/restorerun.h"
#include "platform/casefold.h"
#include "platform/dospath.h"
#include "platform/fileio.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <functional>
#include <utility>

namespace qm {

namespace {

uint8_t ParseRevisionText(const std::string& text) {
    unsigned value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value > 255)
        return 0;
    return static_cast<uint8_t>(value);
}

// Why the catalogue behind File could not be read whole: the system's reason for a
// failed call, or, when every call worked, a read that ended short of the length the
// file had when it was opened (it shrank under the run).
std::string ReadFailure(const FileHandle& File) {
    if (File.error() != 0)
        return std::string("can't be read (") + std::strerror(File.error()) + ")";
    return "ended short of the length it had when opened";
}

// Hands Each the first Count records of File in file order, many records to a read: one
// read per record made listing a catalogue of 200,000 records take seconds. Each answers
// false to stop. False when a read fails; the records before it were handed over.
bool EachRecord(FileHandle& File, int32_t Count,
                const std::function<bool(int32_t, const DriveListRecordBytes&)>& Each) {
    constexpr int32_t kRecordsPerRead = 1024;
    constexpr size_t kRecordSize = DriveListLayout::kRecordSize;
    std::vector<uint8_t> block(kRecordsPerRead * kRecordSize);
    DriveListRecordBytes bytes;
    for (int32_t first = 0; first < Count; first += kRecordsPerRead) {
        const int32_t n = std::min(kRecordsPerRead, Count - first);
        const int64_t offset = DriveListLayout::recordOffset(first);
        if (File.seek(offset) != offset ||
            !File.readExact(block.data(), static_cast<int64_t>(n) * kRecordSize))
            return false;
        for (int32_t i = 0; i < n; ++i) {
            std::copy_n(block.data() + static_cast<size_t>(i) * kRecordSize, kRecordSize,
                        bytes.begin());
            if (!Each(first + i, bytes))
                return true;
        }
    }
    return true;
}

// Reads every whole record of the catalogue at `Path` without changing it, in file
// order; the damage it finds goes to `Problem`. Returns why the file could not be read
// whole (a missing file is an empty catalogue); empty when it was.
std::string ReadAllRecords(const std::string& Path, std::string& Problem,
                           const std::function<void(int32_t, const DriveListRecord&)>& Each) {
    FileHandle file = FileHandle::open(Path, OpenMode::Read);
    if (!file.isOpen()) {
        if (errno == ENOENT)
            return {};
        return std::string("can't be opened (") + std::strerror(errno) + ")";
    }
    CatalogueFile catalogue(file);
    std::optional<CatalogueFile::Shape> shape = catalogue.Inspect();
    if (!shape)
        return ReadFailure(file);
    Problem = shape->problem();
    if (!EachRecord(file, shape->records, [&Each](int32_t i, const DriveListRecordBytes& bytes) {
            Each(i, ParseDriveListRecord(bytes));
            return true;
        }))
        return ReadFailure(file);
    return {};
}

} // namespace

void TBackUpJob::OpenDriveList() {
    TEngineState& engine = Engine();
    if (engine.DriveListHandle.isOpen())
        CloseDriveList();
    std::string path = CataloguePath(fDestination);
    // A drive whose root is gone (a medium pulled a moment ago) gets no folder: making one
    // would make the root, and a catalogue, on the file system below it.
    if (folderExists(MediaFolder(fDestination).substr(0, 3)))
        createFolderChain(MediaFolder(fDestination));
    // The list read just before usually reported the same damage already.
    std::string reported = std::move(CatalogueProblem);
    CatalogueProblem.clear();
    engine.DriveListCount = 0;
    const bool made = !fileExists(path);
    engine.DriveListHandle =
        made ? FileHandle::create(path) : FileHandle::open(path, OpenMode::ReadWrite);
    if (!engine.DriveListHandle.isOpen()) {
        CatalogueUnreadable = std::string(made ? "can't be made (" : "can't be opened (") +
                              std::strerror(errno) + ")";
    } else if (made) {
        if (!CatalogueFile(engine.DriveListHandle).WriteCount(0))
            CatalogueUnreadable = std::string("can't be made (") +
                                  std::strerror(engine.DriveListHandle.error()) + ")";
    } else if (std::optional<CatalogueFile::Shape> shape =
                   CatalogueFile(engine.DriveListHandle).Inspect()) {
        engine.DriveListCount = shape->records;
        CatalogueProblem = shape->problem();
    }
    if (!engine.DriveListHandle) {
        if (CatalogueUnreadable.empty())
            CatalogueUnreadable = ReadFailure(engine.DriveListHandle);
        engine.DriveListHandle.close();
        engine.DriveListCount = 0;
        return;
    }
    if (!CatalogueProblem.empty() && CatalogueProblem != reported)
        AddLog(logline::DamagedFile(path, CatalogueProblem));
    engine.DriveListHandle.seek(DriveListLayout::kFirstRecord);
}

bool TBackUpJob::StopForUnreadableCatalogue() {
    const FileHandle& catalogue = Engine().DriveListHandle;
    // A read that failed since (mending an interrupted removal, reading the names the
    // records hold) leaves the handle refusing every call.
    if (CatalogueUnreadable.empty() && catalogue.isOpen() && !catalogue)
        CatalogueUnreadable = ReadFailure(catalogue);
    if (CatalogueUnreadable.empty())
        return false;
    AddLog(logline::DamagedFile(CataloguePath(fDestination),
                                "catalogue " + std::exchange(CatalogueUnreadable, {}) +
                                    "; the run stops before it changes anything."));
    ++Engine().ErrorCount;
    CloseDriveListUnchanged();
    return true;
}

bool TBackUpJob::CloseDriveList() {
    TEngineState& engine = Engine();
    if (!engine.DriveListHandle.isOpen())
        return false;
    bool ok = CatalogueFile(engine.DriveListHandle).WriteCount(engine.DriveListCount);
    ok = engine.DriveListHandle.flush() && ok;
    return engine.DriveListHandle.close() && ok;
}

void TBackUpJob::CloseDriveListUnchanged() {
    Engine().DriveListHandle.close();
}

bool TBackUpJob::ReadDriveList() {
    CatalogMediaPaths.clear();
    CatalogRevisions.clear();
    CatalogueUnreadable.clear();
    std::string path = CataloguePath(fDestination);
    if (!fileExists(path))
        return true;
    CatalogPaths.clear();
    if (Engine().DriveListHandle.isOpen())
        CloseDriveList();
    CatalogueUnreadable =
        ReadAllRecords(path, CatalogueProblem, [this](int32_t, const DriveListRecord& record) {
            CatalogPaths.push_back(record.SourcePath);
            CatalogMediaPaths.push_back(record.MediaPath);
            CatalogRevisions.push_back(std::to_string(record.Revision));
        });
    if (!CatalogueUnreadable.empty()) {
        // Part of a catalogue is no catalogue: nothing is found in it.
        CatalogPaths.clear();
        CatalogMediaPaths.clear();
        CatalogRevisions.clear();
        return false;
    }
    if (!CatalogueProblem.empty())
        AddLog(logline::DamagedFile(path, CatalogueProblem));
    return true;
}

namespace {

// The record as the media holds it now: its media path still carries the letter the
// drive had at backup.
DriveListRecord OnMedia(DriveListRecord Record, char Destination) {
    if (!Record.MediaPath.empty())
        Record.MediaPath[0] = Destination;
    return Record;
}

} // namespace

void TBackUpJob::ListDriveFiles(TStringList* IndexList, TStringList* DateList,
                                TStringList* SizeList, TStringList* PathList) {
    std::string path = CataloguePath(fDestination);
    if (!fileExists(path))
        return;
    CatalogPaths.clear();
    // Read-only: listing never changes the catalogue.
    CatalogueUnreadable =
        ReadAllRecords(path, CatalogueProblem, [&](int32_t i, const DriveListRecord& record) {
            if (IndexList)
                IndexList->push_back(MakeIndexLine(record.SourcePath, static_cast<std::size_t>(i)));
            if (PathList)
                PathList->push_back(record.SourcePath);
            if (DateList)
                DateList->push_back(floatToStrGeneral(record.Date));
            if (SizeList)
                // Every size as it is, large files too; a file that was unreadable shows "0".
                SizeList->push_back(UnreadableOnMedia(record) ? std::string("0")
                                                              : std::to_string(record.Size));
        });
}

bool TBackUpJob::UnreadableOnMedia(const DriveListRecord& Record) const {
    if (!IsUnreadableSourceSize(Record.Size))
        return false;
    // Only a record that names a backup of its own file has its copy looked at: a damaged
    // one is shown as unreadable.
    const DriveListRecord onMedia = OnMedia(Record, fDestination);
    return !HoldsBackupShape(onMedia) || UnreadableAtBackup(onMedia);
}

bool TBackUpJob::FindDriveListRecord(const std::string& SourcePath, DriveListRecord& Record) {
    TEngineState& engine = Engine();
    Record.SourcePath.clear();
    std::optional<size_t> line = CatalogPaths.Find(SourcePath);
    if (line) {
        std::optional<DriveListRecordBytes> bytes;
        if (*line < static_cast<size_t>(engine.DriveListCount))
            bytes = CatalogueFile(engine.DriveListHandle).ReadRecord(static_cast<int32_t>(*line));
        if (!bytes) {
            CatalogueUnreadable = *line < static_cast<size_t>(engine.DriveListCount)
                                      ? ReadFailure(engine.DriveListHandle)
                                      : "holds fewer records than were read from it";
            return false;
        }
        Record = ParseDriveListRecord(*bytes);
        // The slot must hold the record the index says it does: a catalogue changed
        // under the run would hand another file's record over.
        if (!sameTextFolded(Record.SourcePath, SourcePath)) {
            CatalogueUnreadable = "record " + std::to_string(*line) + " names " +
                                  Record.SourcePath + ", not " + SourcePath;
            Record.SourcePath.clear();
            return false;
        }
    }
    // The media drive may carry another letter now than at backup.
    if (!Record.MediaPath.empty())
        Record.MediaPath[0] = fDestination;
    return true;
}

bool TBackUpJob::LookUpRecord(const std::string& SourcePath, DriveListRecord& Record) {
    if (FindDriveListRecord(SourcePath, Record))
        return true;
    AddLog(logline::DamagedFile(CataloguePath(fDestination),
                                "can't read the record of " + SourcePath + ": the catalogue " +
                                    std::exchange(CatalogueUnreadable, {}) +
                                    "; it is left as it is."));
    ++Engine().ErrorCount;
    return false;
}

void TBackUpJob::SaveDriveListRecords(bool InArchive, const std::string& ArchiveFileName) {
    TEngineState& engine = Engine();
    if (!engine.DriveListHandle.isOpen())
        return;
    CatalogueFile catalogue(engine.DriveListHandle);
    for (size_t i = 0; i < SourceFiles.size(); ++i) {
        const std::string& source = SourceFiles[i];
        if (source.empty())
            continue;
        DriveListRecord record;
        record.SourcePath = source.substr(0, DriveListLayout::kMaxTextLength);
        record.MediaPath = InArchive ? ArchiveFileName : CopyPath(source);
        if (fCompression && !InArchive)
            record.MediaPath += ".bpa";
        record.Compression = fCompression;
        record.Encryption = fEncryption;
        record.InArchive = InArchive;
        // Only the record of this very path is replaced: one that differs in case is
        // another file's on this computer.
        std::optional<size_t> line = CatalogPaths.Find(record.SourcePath);
        bool overwrite = line && *line < static_cast<size_t>(engine.DriveListCount) &&
                         CatalogPaths[*line] == record.SourcePath;
        if (overwrite && *line < CatalogRevisions.size())
            record.Revision = ParseRevisionText(CatalogRevisions[*line]);

        if (i < StoredSources.size() && StoredSources[i]) {
            record.Date = dosToDateTime(StoredSources[i]->DosDate);
            record.Size = StoredSources[i]->Size;
        } else {
            FileHandle file = FileHandle::open(source, OpenMode::Read);
            std::optional<uint32_t> dos = file ? file.dosDateTime() : std::nullopt;
            record.Date = dos ? dosToDateTime(*dos) : now();
            if (!dos) {
                AddLog(logline::SourceDateUnreadable(record.SourcePath));
                ++engine.ErrorCount;
            }
            int64_t size = file ? file.size() : -1;
            record.Size = size >= 0 ? size : kUnreadableSourceSize;
        }

        int32_t index = overwrite ? static_cast<int32_t>(*line) : engine.DriveListCount;
        if (!catalogue.WriteRecord(index, SerializeDriveListRecord(record))) {
            AddLog(logline::DamagedFile(CataloguePath(fDestination),
                                        "can't save the record of " + record.SourcePath + "."));
            ++engine.ErrorCount;
            // Told once: the lines left are the records written.
            SourceFiles[i].clear();
        } else if (!overwrite) {
            ++engine.DriveListCount;
        }
        engine.Progress(static_cast<int32_t>(i), true, 0, 0, 0);
    }
}

bool TBackUpJob::RemoveDriveListRecord(const std::string& SourcePath) {
    TEngineState& engine = Engine();
    if (!engine.DriveListHandle.isOpen())
        return false;
    CatalogueFile catalogue(engine.DriveListHandle);
    int32_t count = engine.DriveListCount;
    bool removed = false;
    // Every record of the path goes (a catalogue may hold one twice), each filled by
    // the last record, which is then looked at in its new place.
    for (int32_t i = 0; i < count;) {
        std::optional<DriveListRecordBytes> bytes = catalogue.ReadRecord(i);
        if (!bytes)
            return removed;
        if (ParseDriveListRecord(*bytes).SourcePath != SourcePath) {
            ++i;
            continue;
        }
        if (!catalogue.RemoveRecord(i, count))
            return removed;
        engine.DriveListCount = --count;
        CatalogPaths.ReplaceWithLast(static_cast<size_t>(i));
        removed = true;
    }
    if (!removed || count > 0)
        return removed;
    // No empty catalogue is left behind.
    engine.DriveListHandle.close();
    deleteFile(CataloguePath(fDestination));
    return true;
}

void TBackUpJob::FinishInterruptedRemoval() {
    TEngineState& engine = Engine();
    const int32_t count = engine.DriveListCount;
    if (count < 2 || CatalogPaths.size() != static_cast<size_t>(count))
        return;
    // A removal stopped between filling the hole with the last record and cutting the
    // last one off leaves that record twice: the second goes now.
    const std::string& last = CatalogPaths[static_cast<size_t>(count - 1)];
    std::optional<size_t> first = CatalogPaths.Find(last);
    if (!first || *first + 1 == static_cast<size_t>(count) || CatalogPaths[*first] != last)
        return;
    CatalogueFile catalogue(engine.DriveListHandle);
    std::optional<DriveListRecordBytes> a = catalogue.ReadRecord(static_cast<int32_t>(*first));
    std::optional<DriveListRecordBytes> b = catalogue.ReadRecord(count - 1);
    if (!a || !b || *a != *b || !catalogue.RemoveRecord(count - 1, count))
        return;
    engine.DriveListCount = count - 1;
    CatalogPaths.ReplaceWithLast(static_cast<size_t>(count - 1));
    if (CatalogMediaPaths.size() == static_cast<size_t>(count))
        CatalogMediaPaths.pop_back();
    if (CatalogRevisions.size() == static_cast<size_t>(count))
        CatalogRevisions.pop_back();
}

bool TBackUpJob::AppendDriveListRecord(const DriveListRecord& Record) {
    TEngineState& engine = Engine();
    if (!engine.DriveListHandle.isOpen())
        OpenDriveList();
    CatalogueFile catalogue(engine.DriveListHandle);
    if (!engine.DriveListHandle.isOpen() ||
        !catalogue.WriteRecord(engine.DriveListCount, SerializeDriveListRecord(Record)))
        return false;
    ++engine.DriveListCount;
    CatalogPaths.push_back(Record.SourcePath);
    return catalogue.WriteCount(engine.DriveListCount);
}

bool TBackUpJob::HasEncryptedFiles() {
    OpenDriveList();
    TEngineState& engine = Engine();
    bool found = false;
    EachRecord(engine.DriveListHandle, engine.DriveListCount,
               [&found](int32_t, const DriveListRecordBytes& bytes) {
                   found = bytes[DriveListLayout::kEncryption] != 0;
                   return !found;
               });
    CloseDriveListUnchanged();
    return found;
}

} // namespace qm
