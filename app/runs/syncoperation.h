#pragma once
// The synchronisation operations of the job runner, over the rows the Sync page hands
// over (TSyncRequest): operation 2 deletes the listed files from the media, 4 restores
// the listed media copies over the hard-drive files (through the engine's restore, which
// writes beside a file and renames, so a file is replaced whole or not at all), 5 backs
// the listed hard-drive files up to the media, and 3 runs 4 and then 5 in one runner.
// Each run works on the media drive that was compared and records its own report.

#include "app/runs/joboperation.h"
#include "app/runs/syncrequest.h"

#include <memory>
#include <string>
#include <vector>

namespace qm {

// Operation 2: the ticked "red" rows leave the media (copies, versions, records).
class TSyncDeleteOperation : public TJobOperation {
  public:
    explicit TSyncDeleteOperation(TSyncRequest request) : request_(std::move(request)) {}
    const char* title() const override { return "Synchronize"; }
    TJobOutcome Run(TJobContext& context) override;

  private:
    TSyncRequest request_;
};

// Operation 4, and the first half of 3: media copies restored over the hard drive.
class TMediaToHardDriveOperation : public TJobOperation {
  public:
    explicit TMediaToHardDriveOperation(TSyncRequest request) : request_(std::move(request)) {}
    const char* title() const override { return "Synchronize"; }
    TJobOutcome Run(TJobContext& context) override;

  private:
    TSyncRequest request_;
};

// Operation 5, and the second half of 3: hard-drive files backed up to the media.
class THardDriveToMediaOperation : public TJobOperation {
  public:
    explicit THardDriveToMediaOperation(TSyncRequest request) : request_(std::move(request)) {}
    const char* title() const override { return "Synchronize"; }
    TJobOutcome Run(TJobContext& context) override;

  private:
    TSyncRequest request_;
};

// Told after a run that left files as they are because they no longer matched their
// rows: kChangedSinceCompare, then the files (the first ten, and how many more).
extern const char* const kChangedSinceCompare;
std::string ChangedSinceCompareText(const std::vector<std::string>& paths);

// The operation code of a synchronisation (TJobOperationCode).
int SyncOperationCode(TSyncRun run);
// The operation of the request's synchronisation.
std::unique_ptr<TJobOperation> MakeSyncOperation(const TSyncRequest& request);

} // namespace qm
