#include "app/runs/backupoperation.h"

#include "app/runs/enginesession.h"
#include "app/runs/jobsteps.h"
#include "app/runs/runrecorder.h"
#include "engine/backupjob.h"
#include "engine/enginestate.h"
#include "engine/logline.h"
#include "platform/folderroutines.h"

namespace qm {

const char* const TBackupOperation::kWrongDrive = "Wrong Media Drive. Cannot back up any files.";
const char* const TBackupOperation::kNothingNew = "Nothing to back up. New file count : ";
const char* const TBackupOperation::kNothing =
    "Nothing to Backup. Please select files and folders.";
const char* const TBackupOperation::kNoRoom =
    "Not enough disk space on Media Drive to back up your files.";

TJobOutcome TBackupOperation::Run(TJobContext& context) {
    TJobRunnerModel& runner = context.runner;
    BeginCollection(runner);
    const char drive = MediaDriveLetter(request_.mediaCaption);
    if (drive == '\0' || CheckFreeSpace(std::string(1, drive), 0) != FreeSpace::Enough) {
        context.services.message(kMsgOk, kWrongDrive);
        return {};
    }
    TBackUpJob job;
    TJobRunnerModel::JobStopper stopper(runner, [&job] { job.SetProcessing(false); });
    if (request_.encryption && !PrepareEncryption(context, job, request_.keyBits))
        return {};
    TRunRecorder recorder(context, "Backup");
    recorder.markStart();
    SetBackupTarget(job, drive, request_.compressionType, request_.level);

    TBackupCollector::Rules rules;
    rules.excluded = request_.excluded;
    rules.fits = [&job](const std::string& path) { return job.FitsCatalogue(path); };
    TBackupCollector collector(runner, job, rules);
    if (request_.incremental) {
        job.LoadDriveList();
        std::vector<std::string> dates, sizes, paths;
        job.ListDriveFiles(nullptr, &dates, &sizes, &paths);
        collector.setCatalogue(std::move(paths), std::move(dates), std::move(sizes));
    }
    collector.collect(request_.selection);
    // Ticked files left out (names a backup path cannot carry, paths too long, folders
    // that cannot be opened) make a run of their own: each is named in its report and
    // counted, never "Nothing to back up".
    const bool leftOut = !collector.refused().empty() || !collector.unnamable().empty() ||
                         !collector.unopened().empty();
    if (request_.incremental) {
        runner.TotalCount = runner.NewCount;
        runner.TotalSize = runner.NewSize;
        if (runner.NewCount == 0 && !leftOut && !runner.CancelRequested) {
            context.services.message(kMsgOk, kNothingNew + std::to_string(runner.NewCount));
            return {};
        }
    }
    if (runner.TotalCount == 0 && !leftOut && !runner.CancelRequested) {
        context.services.message(kMsgOk, kNothing);
        return {};
    }
    // Measured against what this run will write: the changed files of an incremental
    // backup, every selected file of a full one.
    if (!runner.CancelRequested &&
        CheckFreeSpace(std::string(1, drive),
                       request_.incremental ? runner.NewSize : runner.TotalSize) !=
            FreeSpace::Enough) {
        context.services.message(kMsgOk, kNoRoom);
        return {};
    }
    runner.setRemainingCount(runner.TotalCount);
    if (CancelledAfterCollection(runner))
        return {};
    runner.setOperationText("Backup process...");
    recorder.prepareRun(job, request_.log);
    for (const std::string& path : collector.refused()) {
        job.AddLog(logline::PathTooLong(path));
        ++Engine().ErrorCount;
    }
    for (const std::string& path : collector.unnamable()) {
        job.AddLog(logline::UnnamableFile(path));
        ++Engine().ErrorCount;
    }
    for (const std::string& folder : collector.unopened()) {
        job.AddLog(logline::CantOpenFolder(folder));
        ++Engine().ErrorCount;
    }
    SetKeptVersions(job, request_.revisions);
    {
        TEngineSession session(context, TEngineSession::Progress::Files, false);
        job.Backup();
    }
    const int64_t count = request_.incremental ? runner.NewCount : runner.TotalCount;
    const int64_t size = request_.incremental ? runner.NewSize : runner.TotalSize;
    return recorder.finish(count, size, drive);
}

} // namespace qm
