#pragma once
// The delete run's work on one catalogue record: takes the file's data off the media
// (its plain copy or per-file archive with check file and versions, or its entry in a
// run archive) and removes the record. TBackUpJob::DeleteFiles drives it line by line.
// Borrows the job; owns nothing.

#include "engine/backupjob.h"
#include "engine/driverecord.h"
#include "engine/medianames.h"

#include <cstdint>
#include <optional>

namespace qm {

class DeleteRun {
  public:
    explicit DeleteRun(TBackUpJob& Job) : fJob(Job) {}

    // Removes what the media holds for Record and the record itself. Index is the
    // file's line, reported as its progress number; Total the bytes deleted so far,
    // which grows by the record's size unless the file was an archive entry. False when
    // the file's entry could not be taken out of its run archive, or its backup sits
    // behind a link (logged and counted; it keeps its record), or a name of its copy
    // could not be deleted (logged; the record is gone).
    bool DeleteRecord(const DriveListRecord& Record, int32_t Index, int64_t& Total);

    // Reads the names the catalogue's records hold, before anything is deleted; false
    // when a record could not be read (the run then stops).
    bool ReadNames();

  private:
    // Whether a name the record's backup holds on the media is reached through a
    // symbolic link (which the media's guard never deletes through).
    bool BehindLink(const DriveListRecord& Record) const;
    // Removes SourcePath's record; false (logged, counted) when the catalogue keeps it.
    // A removal that failed part way (a write, the cut or a sync of the catalogue) is
    // judged by the catalogue read afresh: the record still there keeps its files; one
    // gone lets its files go too, so no copy is left that no record names. Either way
    // the line says which, and one error is counted.
    bool Forget(const std::string& SourcePath);
    // Deletes the names a plain copy's or per-file archive's record holds; false (the
    // first name that stays logged, counted once) when one is there and stays.
    bool DeleteNames(const DriveListRecord& Record);

    TBackUpJob& fJob;
    // The names the catalogue's records hold, read before the first deletion.
    std::optional<MediaNames> fNames;
};

} // namespace qm
