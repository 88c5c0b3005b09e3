#include "engine/deleterun.h"

#include "engine/archivereader.h"
#include "engine/copytree.h"
#include "engine/enginestate.h"
#include "engine/logline.h"
#include "engine/mediajournal.h"
#include "engine/medianames.h"
#include "platform/fileio.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace qm {

bool DeleteRun::BehindLink(const DriveListRecord& Record) const {
    if (Record.InArchive != 0 && Record.Compression != 0)
        return !reachedWithoutLinks(Record.MediaPath);
    for (int k = 0; k <= Record.Revision; ++k) {
        const std::string version = VersionName(Record.MediaPath, k);
        if (!reachedWithoutLinks(version) || !reachedWithoutLinks(CheckFileName(version)))
            return true;
    }
    return false;
}

bool DeleteRun::DeleteRecord(const DriveListRecord& Record, int32_t Index, int64_t& Total) {
    if (fJob.HoldsBackupShape(Record) && BehindLink(Record)) {
        // The media's guard refuses to delete through a link: the backup stays, and so
        // does its record, which still names it.
        fJob.AddLog(logline::NotDeletedBehindLink(Record.SourcePath));
        ++Engine().ErrorCount;
        return false;
    }
    if (!fJob.HoldsBackupShape(Record)) {
        // A damaged or crafted record: its media path is no backup of its file, so
        // nothing on the media is touched; the record itself goes.
        fJob.AddLog(logline::DamagedFile(CataloguePath(fJob.Destination()),
                                         "the record of " + Record.SourcePath + " names " +
                                             Record.MediaPath +
                                             ", which is no backup of it; nothing is deleted "
                                             "from the media."));
        ++Engine().ErrorCount;
    } else if (Record.InArchive != 0 && Record.Compression != 0) {
        // The record goes just before the archive changes, and a file whose entry could
        // not be taken out gets it back: it is still there.
        bool forgotten = false;
        const ArchiveReader::Removal removal =
            ArchiveReader(fJob, Record.MediaPath).Remove(Record.SourcePath, Index, Total, [&] {
                return forgotten = Forget(Record.SourcePath);
            });
        if (removal == ArchiveReader::Removal::Failed) {
            if (forgotten)
                fJob.AppendDriveListRecord(Record);
            return false;
        }
        return forgotten || Forget(Record.SourcePath);
    } else {
        // The record goes first: a run stopped in the middle leaves files no record
        // names, never a record naming files that are gone.
        if (!Forget(Record.SourcePath))
            return false;
        const bool deleted = DeleteNames(Record);
        // Sizes come from the catalogue: a damaged one must not wrap the running total.
        if (Record.Size > 0)
            Total += std::min(Record.Size, std::numeric_limits<int64_t>::max() - Total);
        return deleted;
    }
    return Forget(Record.SourcePath);
}

bool DeleteRun::Forget(const std::string& SourcePath) {
    if (fJob.RemoveDriveListRecord(SourcePath))
        return true;
    TEngineState& engine = Engine();
    const int error = engine.DriveListHandle.error();
    const std::string why = std::string(" (") + std::strerror(error != 0 ? error : EIO) + ")";
    const std::string catalogue = CataloguePath(fJob.Destination());
    // What the catalogue holds now decides: it is read afresh, a removal cut short
    // between its two syncs mended, and what that wrote synced.
    fJob.CloseDriveListUnchanged();
    if (fJob.LoadDriveList()) {
        fJob.OpenDriveList();
        fJob.FinishInterruptedRemoval();
    }
    DriveListRecord still;
    const bool read = fJob.CatalogueUnreadable.empty() && engine.DriveListHandle &&
                      fJob.FindDriveListRecord(SourcePath, still);
    // A catalogue that could not be read again stays told (CatalogueUnreadable): the run
    // stops after this file rather than take the files after it for unrecorded.
    if (read)
        fJob.CatalogueUnreadable.clear();
    else if (fJob.CatalogueUnreadable.empty())
        fJob.CatalogueUnreadable = "can't be opened again";
    if (read && still.SourcePath != SourcePath && engine.DriveListHandle.flush()) {
        fJob.AddLog(logline::DamagedFile(catalogue, "writing it failed" + why +
                                                        " while the record of " + SourcePath +
                                                        " was removed; the record is gone, so "
                                                        "its backups are deleted too."));
        ++engine.ErrorCount;
        return true;
    }
    fJob.AddLog(logline::DamagedFile(catalogue, "can't remove the record of " + SourcePath + why +
                                                    "; nothing of it is deleted."));
    ++engine.ErrorCount;
    return false;
}

bool DeleteRun::ReadNames() {
    fNames = MediaNames::FromCatalogue(fJob.Destination(),
                                       Engine().MediaFoldsCase(MediaFolder(fJob.Destination())),
                                       Engine().DriveListHandle);
    if (!fNames && fJob.CatalogueUnreadable.empty() && Engine().DriveListHandle)
        fJob.CatalogueUnreadable = "ended short of the length it had when opened";
    return fNames.has_value();
}

bool DeleteRun::DeleteNames(const DriveListRecord& Record) {
    if (!fNames)
        return true; // never: the run reads them before it deletes anything
    // The versions the record names and their check files, none past its revision (a
    // name beyond it may be another file's copy: "a_2.txt" of a file so called), and
    // none that another record holds. A name that is not there is no error; one that
    // stays (reached only through a link, or not ours to delete) is.
    std::optional<std::string> kept;
    for (int k = 0; k <= Record.Revision; ++k) {
        const std::string version = VersionName(Record.MediaPath, k);
        for (const std::string& name : {version, CheckFileName(version)})
            if (!fNames->OtherHolder(name, Record.SourcePath) && !deleteFile(name) &&
                errno != ENOENT && errno != ENOTDIR && !kept)
                kept = name;
    }
    if (!kept)
        return true;
    fJob.AddLog(logline::CantDeleteFromMedia(*kept));
    ++Engine().ErrorCount;
    return false;
}

void TBackUpJob::DeleteFiles(const TStringList& List) {
    TEngineState& engine = Engine();
    // A file whose backup a run could not finish is left alone until one has: the
    // journal would put it back, moving its versions about, after it was deleted.
    std::vector<std::string> unfinished;
    std::string unreadable;
    if (MediaJournal::Recover(Destination(), &unfinished, &unreadable) ==
        MediaJournal::Recovery::Unreadable) {
        AddLog(unreadable);
        ++engine.ErrorCount;
        return;
    }
    // A record not read would pass for none: nothing is deleted before all are read.
    LoadDriveList();
    OpenDriveList();
    FinishInterruptedRemoval();
    DeleteRun run(*this);
    if (CatalogueUnreadable.empty())
        run.ReadNames();
    if (StopForUnreadableCatalogue()) {
        CatalogPaths.clear();
        return;
    }
    int64_t total = 0;
    for (size_t i = 0; i < List.size(); ++i) {
        const int32_t index = static_cast<int32_t>(i);
        engine.Progress(index, false, 100, 0, total);
        if (List[i].empty())
            continue;
        DriveListRecord record;
        if (!LookUpRecord(List[i], record) || record.SourcePath.empty())
            continue;
        if (std::find(unfinished.begin(), unfinished.end(), record.SourcePath) !=
            unfinished.end()) {
            AddLog(logline::UnfinishedDelete(record.SourcePath));
            ++engine.ErrorCount;
        } else if (ActingOn(record.SourcePath) && run.DeleteRecord(record, index, total))
            AddLog(logline::Deleted(record.SourcePath));
        if (!CatalogueUnreadable.empty()) {
            AddLog(logline::DamagedFile(CataloguePath(fDestination),
                                        "catalogue " + std::exchange(CatalogueUnreadable, {}) +
                                            "; the run stops here, and the files after " +
                                            record.SourcePath + " are left as they are."));
            ++engine.ErrorCount;
            CloseDriveListUnchanged();
            CatalogPaths.clear();
            return;
        }
        if (engine.CancelFlag) {
            engine.CancelFlag = false;
            CloseDriveList();
            return;
        }
        engine.Progress(index, false, 100, 100, total);
    }
    CloseDriveList();
    CatalogPaths.clear();
}

} // namespace qm
