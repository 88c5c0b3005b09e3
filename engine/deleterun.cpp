#include "engine/deleterun.h"

#include "engine/archivereader.h"
#include "engine/copytree.h"
#include "engine/enginestate.h"
#include "engine/logline.h"
#include "engine/mediajournal.h"
#include "platform/fileio.h"

#include <algorithm>
#include <limits>

namespace qm {

bool DeleteRun::DeleteRecord(const DriveListRecord& Record, int32_t Index, int64_t& Total) {
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
        // A file whose entry could not be taken out keeps its record: it is still there.
        if (ArchiveReader(fJob, Record.MediaPath).Remove(Record.SourcePath, Index, Total) ==
            ArchiveReader::Removal::Failed)
            return false;
    } else {
        deleteFile(Record.MediaPath);
        deleteFile(CheckFileName(Record.MediaPath));
        for (int k = 1; Record.Revision != 0; ++k) {
            std::string version = VersionName(Record.MediaPath, k);
            if (!fileExists(version))
                break;
            deleteFile(version);
            deleteFile(CheckFileName(version));
        }
        // Sizes come from the catalogue: a damaged one must not wrap the running total.
        if (Record.Size > 0)
            Total += std::min(Record.Size, std::numeric_limits<int64_t>::max() - Total);
    }
    fJob.RemoveDriveListRecord(Record.SourcePath);
    return true;
}

void TBackUpJob::DeleteFiles(const TStringList& List) {
    TEngineState& engine = Engine();
    MediaJournal::Recover(Destination());
    LoadDriveList();
    OpenDriveList();
    DeleteRun run(*this);
    int64_t total = 0;
    for (size_t i = 0; i < List.size(); ++i) {
        const int32_t index = static_cast<int32_t>(i);
        engine.Progress(index, false, 100, 0, total);
        if (List[i].empty())
            continue;
        DriveListRecord record;
        FindDriveListRecord(List[i], record);
        if (record.SourcePath.empty())
            continue;
        if (run.DeleteRecord(record, index, total))
            AddLog(logline::Deleted(record.SourcePath));
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
