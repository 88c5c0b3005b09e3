#pragma once
// TJobRequest: what a page hands the job launcher to start a run, the one way any run
// starts: what the run is over, which is also which operation it is (code()): the Backup
// page's ticks, the Restore page's ticked catalogue files to restore or to delete, or the
// Sync page's ticked rows with the synchronisation they are for. The launcher copies the
// settings in force into it (WithSettingsInForce), the one place a run takes them, builds
// the operation (MakeJobOperation), runs it in a job runner window and hands back the
// outcome; a page holds only a TStartJob.

#include "app/runs/backupoperation.h"
#include "app/runs/joboperation.h"
#include "app/runs/restoreoperation.h"
#include "app/runs/syncrequest.h"
#include "app/stores/settingsinforce.h"

#include <functional>
#include <memory>
#include <variant>

namespace qm {

// Operation 6: the Restore page's ticked catalogue files leave the media.
struct TDeleteRequest {
    TRestoreRequest files;
};

struct TJobRequest {
    std::variant<TBackupRequest, TRestoreRequest, TDeleteRequest, TSyncRequest> over;

    // The operation the request is for (TJobOperationCode).
    int code() const;
};

// The request with the settings in force copied in: encryption and key size, compression,
// logging and versions kept, the exception lists (a backup asks them while it runs, so
// `settings` outlives the run), "Replace only old files".
TJobRequest WithSettingsInForce(TJobRequest request, const TSettingsInForce& settings);

// The operation that runs the request.
std::unique_ptr<TJobOperation> MakeJobOperation(const TJobRequest& request);

// How a page starts a run: returns once the runner closed, with what the run left.
using TStartJob = std::function<TJobOutcome(TJobRequest request)>;

} // namespace qm
