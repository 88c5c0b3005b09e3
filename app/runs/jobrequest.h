#pragma once
// TJobRequest: what a page hands the job launcher to start a run, the one way any run
// starts. The operation code (TJobOperationCode) and what the run is over: the Backup
// page's ticks and settings, the Restore page's ticked catalogue files (a restore or a
// delete), or the Sync page's ticked rows (the launcher adds the settings in force).
// The launcher builds the operation, runs it in a job runner window and hands back the
// outcome; a page holds only a TStartJob.

#include "app/runs/backupoperation.h"
#include "app/runs/joboperation.h"
#include "app/runs/restoreoperation.h"
#include "app/runs/syncrequest.h"

#include <functional>
#include <variant>

namespace qm {

struct TJobRequest {
    int code = kOpBackup;
    std::variant<TBackupRequest, TRestoreRequest, TSyncRequest> over;
};

// How a page starts a run: returns once the runner closed, with what the run left.
using TStartJob = std::function<TJobOutcome(TJobRequest request)>;

} // namespace qm
