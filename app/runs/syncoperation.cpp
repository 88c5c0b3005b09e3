#include "app/runs/syncoperation.h"

#include "app/runs/backupoperation.h"
#include "app/runs/enginesession.h"
#include "app/runs/jobsteps.h"
#include "app/runs/runrecorder.h"
#include "engine/backupjob.h"
#include "engine/enginestate.h"
#include "platform/anyspelling.h"
#include "platform/fileio.h"
#include "platform/folderroutines.h"

#include <charconv>
#include <unordered_map>

namespace qm {

const char* const kChangedSinceCompare =
    "Files that changed after the comparison were left as they are. Compare again to see "
    "them.";

std::string ChangedSinceCompareText(const std::vector<std::string>& paths) {
    constexpr size_t kNamed = 10;
    std::string text = std::string(kChangedSinceCompare) + "\n";
    for (size_t i = 0; i < paths.size() && i < kNamed; ++i)
        text += "\n" + paths[i];
    if (paths.size() > kNamed)
        text += "\n... and " + std::to_string(paths.size() - kNamed) + " more";
    return text;
}

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

// The files of one run as the comparison saw them: a file gone then is still gone, a
// file that was there still has the date that was compared. The engine asks right
// before it replaces, backs up or deletes each file (TBackUpJob::MayActOn), so a file
// saved while the password window was open or while earlier files ran is left as it is
// now; the user is told which at the end and can compare again.
class ComparedFiles {
  public:
    explicit ComparedFiles(const TSyncLists& files) {
        for (size_t i = 0; i < files.paths.size() && i < files.compared.size(); ++i)
            compared_.emplace(files.paths[i], files.compared[i]);
    }

    std::function<bool(const std::string&)> check() {
        return [this](const std::string& path) {
            if (stillAsCompared(path))
                return true;
            refused_.push_back(path);
            return false;
        };
    }

    // After the run: the message naming the files left as they are, when there are any.
    void tellRefused(TJobContext& context) const {
        if (!refused_.empty() && context.services.message)
            context.services.message(kMsgOk, ChangedSinceCompareText(refused_));
    }

  private:
    bool stillAsCompared(const std::string& path) const {
        const auto found = compared_.find(path);
        if (found == compared_.end())
            return false;
        const FileStatus now = fileStatus(path);
        // Gone means gone in every spelling, as the comparison judged it.
        if (found->second == 0)
            return now.kind == FileStatus::Kind::Missing && !findFileAnyCase(path);
        return now.kind == FileStatus::Kind::Present && now.dosDateTime == found->second;
    }

    std::unordered_map<std::string, uint32_t> compared_;
    std::vector<std::string> refused_;
};

// A run that follows another in the same runner (the second half of a two-way
// synchronisation) shows the window the first one hid for its summary.
void showRunner(TJobContext& context) {
    if (context.services.showRunner)
        context.services.showRunner();
}

} // namespace

TJobOutcome TSyncDeleteOperation::Run(TJobContext& context) {
    TJobRunnerModel& runner = context.runner;
    runner.hideSizes();
    BeginCollection(runner);
    const char drive = MediaDriveLetter(request_.mediaCaption);
    if (drive == '\0')
        return {};
    // An empty list runs too: its report says that nothing was deleted.
    const TSyncLists& files = request_.deletions;
    TBackUpJob job;
    TJobRunnerModel::JobStopper stopper(runner, [&job] { job.SetProcessing(false); });
    ComparedFiles compared(files);
    TRunRecorder recorder(context, "Synchronize");
    recorder.recordWithoutSummaryOrSize();
    recorder.markStart();
    runner.setTotals(static_cast<int64_t>(files.paths.size()), 0);
    runner.setRemainingCount(runner.TotalCount);
    job.SetDestination(drive);
    if (CancelledAfterCollection(runner))
        return {};
    runner.setOperationText("Deleting selected files...");
    recorder.prepareRun(job, false);
    job.MayActOn = compared.check();
    {
        TEngineSession session(context, TEngineSession::Progress::Deletions, false);
        job.DeleteFiles(files.paths);
    }
    TJobOutcome outcome = recorder.finish(runner.TotalCount, runner.TotalSize, drive);
    outcome.filesDeleted = true;
    compared.tellRefused(context);
    return outcome;
}

TJobOutcome TMediaToHardDriveOperation::Run(TJobContext& context) {
    TJobRunnerModel& runner = context.runner;
    const char drive = MediaDriveLetter(request_.mediaCaption);
    const TSyncLists& files = request_.mediaToHardDrive;
    if (files.empty() || drive == '\0')
        return {};
    showRunner(context);
    BeginCollection(runner);
    TBackUpJob job;
    TJobRunnerModel::JobStopper stopper(runner, [&job] { job.SetProcessing(false); });
    job.SetDestination(drive);
    // The passwords are asked when the compared drive's catalogue holds encrypted copies.
    if (job.HasEncryptedFiles() && !AskDecryptionPasswords(context, request_.keyBits))
        return {};
    ComparedFiles compared(files);
    TRunRecorder recorder(context, "Synchronize");
    recorder.markStart();
    runner.setTotals(static_cast<int64_t>(files.paths.size()), listedBytes(files));
    runner.setRemaining(runner.TotalCount, runner.TotalSize);
    job.SourceFiles = files.paths;
    if (CancelledAfterCollection(runner))
        return {};
    runner.setOperationText("Backup process...");
    job.LoadDriveList();
    job.SetRestoreType({}); // every file goes back to its own path
    // Logged like a restore, so a file left as it is has its line in the report.
    recorder.prepareRun(job, request_.log);
    job.SetRestoreOld(request_.replaceOnlyOld);
    // A user's file is replaced only while it is the one the comparison offered.
    job.MayActOn = compared.check();
    {
        TEngineSession session(context, TEngineSession::Progress::Files, true);
        TRevisionFileList revisions;
        int revised = 0;
        CollectVersions(job, runner, revisions, revised);
        RestoreCollected(job, revisions, true);
    }
    TJobOutcome outcome = recorder.finish(runner.FinishedCount, runner.TotalSize, drive);
    compared.tellRefused(context);
    return outcome;
}

TJobOutcome THardDriveToMediaOperation::Run(TJobContext& context) {
    TJobRunnerModel& runner = context.runner;
    const TSyncLists& files = request_.hardDriveToMedia;
    if (files.empty())
        return {};
    showRunner(context);
    BeginCollection(runner);
    // The copies go to the drive that was compared, and only when it is there and has
    // room for the files as they are now.
    const char drive = MediaDriveLetter(request_.mediaCaption);
    const std::string letter(1, drive);
    if (drive == '\0' || CheckFreeSpace(letter, 0) != FreeSpace::Enough) {
        context.services.message(kMsgOk, TBackupOperation::kWrongDrive);
        return {};
    }
    const int64_t bytes = currentBytes(files);
    if (CheckFreeSpace(letter, bytes) != FreeSpace::Enough) {
        context.services.message(kMsgOk, TBackupOperation::kNoRoom);
        return {};
    }
    TBackUpJob job;
    TJobRunnerModel::JobStopper stopper(runner, [&job] { job.SetProcessing(false); });
    if (request_.encryption && !PrepareEncryption(context, job, request_.keyBits))
        return {};
    TRunRecorder recorder(context, "Synchronize");
    recorder.markStart();
    if (CancelledAfterCollection(runner))
        return {};
    runner.setOperationText("Updating with newer files...");
    runner.setTotals(static_cast<int64_t>(files.paths.size()), bytes);
    runner.setRemaining(runner.TotalCount, runner.TotalSize);
    job.SourceFiles = files.paths;
    SetBackupTarget(job, drive, request_.compressionType, request_.level);
    // A fresh Log.txt: the report holds this run's lines only.
    recorder.prepareRun(job, request_.log);
    SetKeptVersions(job, request_.revisions);
    // A media copy is replaced only by the file the comparison found newer.
    ComparedFiles compared(files);
    job.MayActOn = compared.check();
    {
        TEngineSession session(context, TEngineSession::Progress::Files, false);
        job.Backup();
    }
    TJobOutcome outcome = recorder.finish(runner.FinishedCount, runner.TotalSize, drive);
    compared.tellRefused(context);
    return outcome;
}

int SyncOperationCode(TSyncRun run) {
    switch (run) {
    case TSyncRun::Deletions:
        return kOpSyncDeletions;
    case TSyncRun::BothWays:
        return kOpSyncBothWays;
    case TSyncRun::MediaToHardDrive:
        return kOpMediaToHardDrive;
    case TSyncRun::HardDriveToMedia:
        return kOpHardDriveToMedia;
    }
    return kOpSyncDeletions;
}

std::unique_ptr<TJobOperation> MakeSyncOperation(const TSyncRequest& request) {
    switch (request.run) {
    case TSyncRun::BothWays: {
        std::vector<std::unique_ptr<TJobOperation>> steps;
        steps.push_back(std::make_unique<TMediaToHardDriveOperation>(request));
        steps.push_back(std::make_unique<THardDriveToMediaOperation>(request));
        return std::make_unique<TJobSequence>("Synchronize", std::move(steps));
    }
    case TSyncRun::MediaToHardDrive:
        return std::make_unique<TMediaToHardDriveOperation>(request);
    case TSyncRun::HardDriveToMedia:
        return std::make_unique<THardDriveToMediaOperation>(request);
    case TSyncRun::Deletions:
        break;
    }
    return std::make_unique<TSyncDeleteOperation>(request);
}

} // namespace qm
