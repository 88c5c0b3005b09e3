#include "app/syncoperation.h"

#include "app/backupoperation.h"
#include "app/enginesession.h"
#include "app/jobsteps.h"
#include "app/runrecorder.h"
#include "app/settingspagemodel.h"
#include "engine/backupjob.h"
#include "engine/enginestate.h"
#include "platform/anyspelling.h"
#include "platform/fileio.h"
#include "platform/folderroutines.h"

#include <charconv>

namespace qm {

const char* const kChangedSinceCompare =
    "Files that changed after the comparison were left as they are. Compare again to see "
    "them.";

namespace {

int64_t sizeOf(const std::string& text) {
    int64_t size = 0;
    const char* last = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), last, size);
    return ec == std::errc() && ptr == last && size > 0 ? size : 0;
}

int64_t listedBytes(const TSyncLists& lists) {
    int64_t total = 0;
    for (const std::string& size : lists.sizes)
        total += sizeOf(size);
    return total;
}

// What a backup of the files will write: their sizes now, the listed size for a file
// that cannot be examined.
int64_t currentBytes(const TSyncLists& lists) {
    int64_t total = 0;
    for (size_t i = 0; i < lists.paths.size(); ++i) {
        const int64_t now = fileSize(lists.paths[i]);
        total += now >= 0 ? now : i < lists.sizes.size() ? sizeOf(lists.sizes[i]) : 0;
    }
    return total;
}

// The rows whose files are still as the comparison saw them: a file gone then is still
// gone, a file that was there still has the date that was compared. Whatever changed since
// was not what the user was offered, so it is neither deleted from the media nor
// overwritten; the user is told and can compare again.
TSyncLists stillAsCompared(const TSyncLists& files, TJobContext& context) {
    TSyncLists kept;
    for (size_t i = 0; i < files.paths.size(); ++i) {
        const FileStatus now = fileStatus(files.paths[i]);
        const uint32_t compared = i < files.compared.size() ? files.compared[i] : 0;
        // Gone means gone in every spelling, as the comparison judged it.
        const bool same =
            compared == 0
                ? now.kind == FileStatus::Kind::Missing && !findFileAnyCase(files.paths[i])
                : now.kind == FileStatus::Kind::Present && now.dosDateTime == compared;
        if (!same || i >= files.compared.size())
            continue;
        kept.paths.push_back(files.paths[i]);
        kept.sizes.push_back(i < files.sizes.size() ? files.sizes[i] : std::string());
        kept.compared.push_back(compared);
    }
    if (kept.paths.size() != files.paths.size())
        context.services.message(kMsgOk, kChangedSinceCompare);
    return kept;
}

// A run that follows another in the same runner (the second half of a two-way
// synchronisation) shows the window the first one hid for its summary.
void showRunner(TJobContext& context) {
    if (context.services.showRunner)
        context.services.showRunner();
}

} // namespace

void TSyncDeleteOperation::Run(TJobContext& context) {
    TJobRunnerModel& runner = context.runner;
    runner.hideSizes();
    BeginCollection(runner);
    const char drive = MediaDriveLetter(request_.mediaCaption);
    const TSyncLists files = stillAsCompared(request_.deletions, context);
    // Nothing to delete starts no run and leaves no report.
    if (files.empty() || drive == '\0') {
        runner.JobRunning = 0;
        return;
    }
    TBackUpJob job;
    TJobRunnerModel::JobStopper stopper(runner, [&job] { job.SetProcessing(false); });
    TRunRecorder recorder(context, "Synchronize");
    recorder.recordWithoutSummaryOrSize();
    recorder.markStart();
    runner.setTotals(static_cast<int64_t>(files.paths.size()), 0);
    runner.setRemainingCount(runner.TotalCount);
    job.SetDestination(drive);
    if (CancelledAfterCollection(runner))
        return;
    runner.setOperationText("Deleting selected files...");
    recorder.prepareRun(job, false);
    {
        TEngineSession session(context, TEngineSession::Progress::Deletions, false);
        job.DeleteFiles(files.paths);
    }
    context.outcome.filesDeleted = true;
    recorder.finish(runner.TotalCount, runner.TotalSize, drive);
}

void TMediaToHardDriveOperation::Run(TJobContext& context) {
    TJobRunnerModel& runner = context.runner;
    const char drive = MediaDriveLetter(request_.mediaCaption);
    if (request_.mediaToHardDrive.empty() || drive == '\0') {
        runner.JobRunning = 0;
        return;
    }
    // A user's file is replaced only while it is the one the comparison offered.
    const TSyncLists files = stillAsCompared(request_.mediaToHardDrive, context);
    if (files.empty()) {
        runner.JobRunning = 0;
        return;
    }
    showRunner(context);
    BeginCollection(runner);
    TBackUpJob job;
    TJobRunnerModel::JobStopper stopper(runner, [&job] { job.SetProcessing(false); });
    job.SetDestination(drive);
    // The passwords are asked when the compared drive's catalogue holds encrypted copies.
    if (job.HasEncryptedFiles() && !AskDecryptionPasswords(context, request_.keyBits)) {
        runner.JobRunning = runner.CancelRequested ? runner.JobRunning : 0;
        return;
    }
    TRunRecorder recorder(context, "Synchronize");
    recorder.markStart();
    runner.setTotals(static_cast<int64_t>(files.paths.size()), listedBytes(files));
    runner.setRemaining(runner.TotalCount, runner.TotalSize);
    job.SourceFiles = files.paths;
    if (CancelledAfterCollection(runner))
        return;
    runner.setOperationText("Backup process...");
    job.LoadDriveList();
    job.SetRestoreType({}); // every file goes back to its own path
    recorder.prepareRun(job, false);
    job.SetRestoreOld(request_.replaceOnlyOld);
    {
        TEngineSession session(context, TEngineSession::Progress::Files, true);
        TRevisionFileList revisions;
        int revised = 0;
        CollectVersions(job, runner, revisions, revised);
        RestoreCollected(job, revisions, true);
    }
    recorder.finish(runner.FinishedCount, runner.TotalSize, drive);
}

void THardDriveToMediaOperation::Run(TJobContext& context) {
    TJobRunnerModel& runner = context.runner;
    const TSyncLists& files = request_.hardDriveToMedia;
    if (files.empty()) {
        runner.JobRunning = 0;
        return;
    }
    showRunner(context);
    BeginCollection(runner);
    // The copies go to the drive that was compared, and only when it is there and has
    // room for the files as they are now.
    const char drive = MediaDriveLetter(request_.mediaCaption);
    const std::string letter(1, drive);
    if (drive == '\0' || CheckFreeSpace(letter, 0) >= 2) {
        context.services.message(kMsgOk, TBackupOperation::kWrongDrive);
        runner.JobRunning = 0;
        return;
    }
    const int64_t bytes = currentBytes(files);
    if (CheckFreeSpace(letter, bytes) >= 2) {
        context.services.message(kMsgOk, TBackupOperation::kNoRoom);
        runner.JobRunning = 0;
        return;
    }
    TBackUpJob job;
    TJobRunnerModel::JobStopper stopper(runner, [&job] { job.SetProcessing(false); });
    if (request_.encryption) {
        if (!PrepareEncryptionKey(context, request_.keyBits)) {
            runner.JobRunning = runner.CancelRequested ? runner.JobRunning : 0;
            return;
        }
        job.SetEncryption(true);
    }
    TRunRecorder recorder(context, "Synchronize");
    recorder.markStart();
    if (CancelledAfterCollection(runner))
        return;
    runner.setOperationText("Updating with newer files...");
    runner.setTotals(static_cast<int64_t>(files.paths.size()), bytes);
    runner.setRemaining(runner.TotalCount, runner.TotalSize);
    job.SourceFiles = files.paths;
    SetBackupTarget(job, drive, request_.compressionType, request_.level);
    // A fresh Log.txt: the report holds this run's lines only.
    recorder.prepareRun(job, request_.log);
    SetKeptVersions(job, request_.revisions);
    {
        TEngineSession session(context, TEngineSession::Progress::Files, false);
        job.Backup();
    }
    recorder.finish(runner.FinishedCount, runner.TotalSize, drive);
}

TSyncRequest SyncRequestWithSettings(TSyncRequest request, const TSettingsPageModel& settings) {
    request.encryption = settings.encryption();
    request.keyBits = settings.keySizeBits();
    request.compressionType = settings.compressionType();
    request.level = settings.level();
    request.log = settings.log();
    request.revisions = settings.revision() ? settings.revisions() : 0;
    request.replaceOnlyOld = settings.restoring() == 1;
    return request;
}

std::unique_ptr<TJobOperation> MakeSyncOperation(int code, const TSyncRequest& request) {
    switch (code) {
    case kOpSyncDeletions:
        return std::make_unique<TSyncDeleteOperation>(request);
    case kOpSyncBothWays: {
        std::vector<std::unique_ptr<TJobOperation>> steps;
        steps.push_back(std::make_unique<TMediaToHardDriveOperation>(request));
        steps.push_back(std::make_unique<THardDriveToMediaOperation>(request));
        return std::make_unique<TJobSequence>("Synchronize", std::move(steps));
    }
    case kOpMediaToHardDrive:
        return std::make_unique<TMediaToHardDriveOperation>(request);
    case kOpHardDriveToMedia:
        return std::make_unique<THardDriveToMediaOperation>(request);
    default:
        return nullptr;
    }
}

} // namespace qm
