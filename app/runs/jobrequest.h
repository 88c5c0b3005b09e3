#pragma once
// TJobRequest: what a page hands the job launcher to start a run, the one way any run
// starts. The operation code (TJobOperationCode) and what the run is over: the Backup
// page's ticks and settings, the Restore page's ticked catalogue files (a restore or a
// delete), or the Sync page's ticked rows. The launcher copies the settings in force into
// it (WithSettingsInForce), the one place a run takes them.
// The launcher builds the operation, runs it in a job runner window and hands back the
// outcome; a page holds only a TStartJob.

#include "app/runs/backupoperation.h"
#include "app/runs/joboperation.h"
#include "app/runs/restoreoperation.h"
#include "app/runs/syncrequest.h"
#include "app/stores/settingsinforce.h"

#include <functional>
#include <variant>

namespace qm {

struct TJobRequest {
    int code = kOpBackup;
    std::variant<TBackupRequest, TRestoreRequest, TSyncRequest> over;
};

// The request with the settings in force copied in: encryption and key size, compression,
// logging and versions kept, the exception lists (a backup asks them while it runs, so
// `settings` outlives the run), "Replace only old files".
TJobRequest WithSettingsInForce(TJobRequest request, const TSettingsInForce& settings);

// How a page starts a run: returns once the runner closed, with what the run left.
using TStartJob = std::function<TJobOutcome(TJobRequest request)>;

} // namespace qm
