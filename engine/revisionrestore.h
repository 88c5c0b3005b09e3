#pragma once
// The versions a file has on the media and the choice of the one to restore. The
// revision restore run (TBackUpJob::RestoreRevisions) asks it which version matches the
// date the user picked; the collection (TBackUpJob::CollectRevisions) asks it for the
// dates. Borrows the job for its log; owns nothing.

#include "engine/backupjob.h"
#include "engine/driverecord.h"
#include "engine/revisionlist.h"

#include <string>

namespace qm {

class RevisionRestore {
  public:
    explicit RevisionRestore(TBackUpJob& Job) : fJob(Job) {}

    // Counts the versions 0, 1, ... of the record's media path up to the first gap (at
    // most 20) and fills Entry's count and dates.
    static void CollectVersions(const DriveListRecord& Record, TRevisionLst& Entry);
    // The version to restore for date D: the first of versions 0 .. Count - 2 dated
    // exactly D (or whose date cannot be read, which is logged), else the newest.
    int ChooseVersion(const DriveListRecord& Record, int32_t Count, TDateTime D);

  private:
    TBackUpJob& fJob;
};

} // namespace qm
