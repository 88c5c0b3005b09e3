#include "app/runs/restoreoperation.h"

#include "app/runs/enginesession.h"
#include "app/runs/jobsteps.h"
#include "app/runs/runrecorder.h"
#include "engine/backupjob.h"
#include "engine/enginestate.h"
#include "engine/logline.h"
#include "engine/restoretarget.h"

namespace qm {

const char* const TRestoreOperation::kNothing =
    "Nothing to Restore. Please select files or use other Media Drive.";
const char* const TDeleteOperation::kNothing = "Nothing to delete. Please select files.";
const char* const TDeleteOperation::kQuestion =
    "Are you sure you want to delete selected files from Media Drive?";

namespace {

// The ticked files into the job's list; with sizes, a path the catalogue does not list
// is neither counted nor sized.
void collect(TJobContext& context, const TRestoreRequest& request, TBackUpJob& job,
             bool withSizes) {
    TJobRunnerModel& runner = context.runner;
    if (!request.selection)
        return;
    request.selection([&](const std::string& path, bool) {
        if (runner.CancelRequested)
            return false;
        runner.processMessages();
        job.SourceFiles.push_back(path);
        if (!withSizes) {
            runner.setTotals(runner.TotalCount + 1, 0);
        } else if (auto size = request.catalogueSize ? request.catalogueSize(path) : std::nullopt) {
            runner.setTotals(runner.TotalCount + 1, runner.TotalSize + *size);
            runner.setRemaining(runner.TotalCount, runner.TotalSize);
        }
        runner.setRemainingCount(runner.TotalCount);
        return !runner.CancelRequested;
    });
}

// Catalogue paths come from the media: one that would not restore inside its target
// (original place or the chosen folder) is dropped with a log line and an error.
void dropUnsafeTargets(TBackUpJob& job, TRevisionFileList& revisions) {
    for (std::size_t i = job.SourceFiles.size(); i-- > 0;) {
        const std::string& path = job.SourceFiles[i];
        if (PlainRestoreTarget(job.RestoreType(), path))
            continue;
        job.AddLog(logline::CantRestoreError(path));
        ++Engine().ErrorCount;
        job.SourceFiles.erase(job.SourceFiles.begin() + static_cast<std::ptrdiff_t>(i));
        if (i < revisions.size())
            revisions.erase(revisions.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

} // namespace

TJobOutcome TRestoreOperation::Run(TJobContext& context) {
    TJobRunnerModel& runner = context.runner;
    BeginCollection(runner);
    TBackUpJob job;
    TJobRunnerModel::JobStopper stopper(runner, [&job] { job.SetProcessing(false); });
    job.SetEncryption(request_.mediaEncrypted);
    collect(context, request_, job, true);
    if (runner.TotalCount == 0 && !runner.CancelRequested) {
        context.services.message(kMsgOk, kNothing);
        return {};
    }
    if (job.Encryption() && !runner.CancelRequested &&
        !AskDecryptionPasswords(context, request_.keyBits))
        return {};
    const char drive = MediaDriveLetter(request_.mediaCaption);
    job.SetDestination(drive);
    TEngineSession session(context, TEngineSession::Progress::Files, true);
    bool sortDates = true;
    TRevisionFileList revisions;
    int revised = 0;
    runner.setOperationText("Checking date/time stamps...");
    CollectVersions(job, runner, revisions, revised);
    if (request_.selectVersions && !runner.CancelRequested) {
        sortDates = false;
        if (revised != 0 && context.services.chooseRevisions &&
            context.services.chooseRevisions(revisions) == 2)
            return {};
    }
    if (CancelledAfterCollection(runner))
        return {};
    runner.setOperationText("Restoring...");
    if (request_.toFolder) {
        std::string folder;
        if (!context.services.selectFolder || !context.services.selectFolder(folder))
            return {};
        while (!folder.empty() && folder.back() == '\\')
            folder.pop_back();
        job.SetRestoreType(folder + "\\");
    }
    TRunRecorder recorder(context, "Restore");
    recorder.markStart();
    recorder.prepareRun(job, request_.log);
    job.SetRestoreOld(request_.replaceOnlyOld);
    dropUnsafeTargets(job, revisions);
    RestoreCollected(job, revisions, sortDates);
    return recorder.finish(runner.TotalCount, runner.TotalSize, drive);
}

TJobOutcome TDeleteOperation::Run(TJobContext& context) {
    TJobRunnerModel& runner = context.runner;
    runner.hideSizes();
    BeginCollection(runner);
    TBackUpJob job;
    TJobRunnerModel::JobStopper stopper(runner, [&job] { job.SetProcessing(false); });
    TRunRecorder recorder(context, "Delete");
    recorder.markStart();
    collect(context, request_, job, false);
    if (runner.TotalCount == 0 && !runner.CancelRequested) {
        context.services.message(kMsgOk, kNothing);
        return {};
    }
    // Nothing leaves the media unless the answer is Yes.
    if (!runner.CancelRequested && context.services.message(kMsgYesNo, kQuestion) != kResultYes)
        return {};
    if (CancelledAfterCollection(runner))
        return {};
    const char drive = MediaDriveLetter(request_.mediaCaption);
    job.SetDestination(drive);
    recorder.prepareRun(job, request_.log);
    {
        TEngineSession session(context, TEngineSession::Progress::Deletions, false);
        const TStringList files = job.SourceFiles;
        job.DeleteFiles(files);
    }
    TJobOutcome outcome = recorder.finish(runner.TotalCount, runner.TotalSize, drive);
    outcome.filesDeleted = true;
    return outcome;
}

} // namespace qm
