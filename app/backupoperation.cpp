#include "app/backupoperation.h"

#include "app/backuppagemodel.h"
#include "app/enginesession.h"
#include "app/runrecorder.h"
#include "app/settingspagemodel.h"
#include "engine/backupjob.h"
#include "engine/enginestate.h"
#include "engine/keymanager.h"
#include "engine/logline.h"
#include "platform/folderroutines.h"

namespace qm {

const char* const TBackupOperation::kWrongDrive = "Wrong Media Drive. Cannot back up any files.";
const char* const TBackupOperation::kNoPassword = "Enter Password for Encryption/Decryption.";
const char* const TBackupOperation::kNothingNew = "Nothing to back up. New file count : ";
const char* const TBackupOperation::kNothing =
    "Nothing to Backup. Please select files and folders.";
const char* const TBackupOperation::kNoRoom =
    "Not enough disk space on Media Drive to back up your files.";

namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace

bool PrepareEncryptionKey(TJobContext& context, int bits) {
    TEngineState& engine = Engine();
    engine.PasswordList.clear();
    TJobRunnerModel& runner = context.runner;
    const int answer = context.services.askPassword
                           ? context.services.askPassword(true, "Enter Password for Encryption",
                                                          engine.PasswordList, false, {},
                                                          [&runner] {
                                                              runner.CancelWithoutAsking = true;
                                                              runner.Imr_CancelClick();
                                                          })
                           : 2;
    if (answer == 2)
        return false;
    if (engine.PasswordList.empty()) {
        context.services.message(kMsgOk, TBackupOperation::kNoPassword);
        return false;
    }
    engine.KeySize = bits;
    std::string password = engine.PasswordList.front();
    if (password.size() > 255)
        password.resize(255);
    engine.KeyBuffer.fill(0);
    PasswordToKey(password, engine.KeyBuffer.data(), bits);
    return true;
}

TBackupRequest BackupRequestFrom(TBackupPageModel& page) {
    const TSettingsPageModel& settings = page.settings();
    TBackupRequest r;
    r.mediaCaption = page.mediaDriveText();
    r.encryption = settings.encryption();
    r.keyBits = settings.keySizeBits();
    r.incremental = page.incremental();
    const std::vector<TBackupPageModel::TSelectionItem> items = page.checkedSelection();
    r.selection = [items](const TSelectionVisit& visit) {
        for (const auto& item : items)
            if (!visit(item.path, item.wholeFolder))
                return;
    };
    const TExceptionListsModel* exceptions = &settings.exceptions();
    r.excluded = [exceptions](const std::string& name) { return exceptions->excludes(name); };
    r.compressionType = settings.compressionType();
    r.level = settings.level();
    r.log = settings.log();
    r.revisions = settings.revision() ? settings.revisions() : 0;
    return r;
}

void TBackupOperation::Run(TJobContext& context) {
    TJobRunnerModel& runner = context.runner;
    runner.processMessages();
    runner.ZeroSettings();
    runner.setOperationText("Collecting files and folders...");
    const std::string caption = trimmed(request_.mediaCaption);
    if (caption.size() < 2 || CheckFreeSpace(caption.substr(1, 1), 0) >= 2) {
        context.services.message(kMsgOk, kWrongDrive);
        runner.JobRunning = 0;
        return;
    }
    const char drive = caption[1];
    TBackUpJob job;
    TJobRunnerModel::JobStopper stopper(runner, [&job] { job.SetProcessing(false); });
    if (request_.encryption) {
        if (!PrepareEncryptionKey(context, request_.keyBits)) {
            runner.JobRunning = 0;
            return;
        }
        job.SetEncryption(true);
    }
    TRunRecorder recorder(context, "Backup");
    recorder.markStart();
    job.SetStartTime(now());
    job.SetDestination(drive);
    job.SetCompression(request_.compressionType > 0);
    job.SetCompressionType(request_.compressionType == 1 ? TCompressionType::ctMultipleFile
                                                         : TCompressionType::ctOnesFile);
    job.SetCompressionRate(static_cast<uint8_t>(request_.compressionType > 0 ? request_.level : 9));

    TBackupCollector::Rules rules;
    rules.excluded = request_.excluded;
    rules.fits = [&job](const std::string& path) { return job.FitsCatalogue(path); };
    TBackupCollector collector(runner, job, rules);
    if (request_.incremental) {
        job.LoadDriveList();
        std::vector<std::string> dates, paths;
        job.ListDriveFiles(nullptr, &dates, nullptr, &paths);
        collector.setCatalogue(std::move(paths), std::move(dates));
    }
    collector.collect(request_.selection);
    if (request_.incremental) {
        runner.TotalCount = runner.NewCount;
        runner.TotalSize = runner.NewSize;
        if (runner.NewCount == 0 && !runner.CancelRequested) {
            context.services.message(kMsgOk, kNothingNew + std::to_string(runner.NewCount));
            runner.JobRunning = 0;
            return;
        }
    }
    if (runner.TotalCount == 0 && !runner.CancelRequested) {
        context.services.message(kMsgOk, kNothing);
        runner.JobRunning = 0;
        return;
    }
    // Measured against what this run will write: the changed files of an incremental
    // backup, every selected file of a full one.
    if (!runner.CancelRequested &&
        CheckFreeSpace(std::string(1, drive),
                       request_.incremental ? runner.NewSize : runner.TotalSize) >= 2) {
        context.services.message(kMsgOk, kNoRoom);
        runner.JobRunning = 0;
        return;
    }
    runner.setRemainingCount(runner.TotalCount);
    runner.showDoneImage();
    runner.processMessages();
    if (runner.CancelRequested) {
        runner.showCanceled();
        return;
    }
    runner.setOperationText("Backup process...");
    recorder.prepareRun(job, request_.log);
    for (const std::string& path : collector.refused()) {
        job.AddLog(logline::PathTooLong(path));
        ++Engine().ErrorCount;
    }
    if (request_.revisions != 0) {
        job.SetTopRevision(static_cast<uint8_t>(request_.revisions));
        job.SetRevision(true);
    }
    {
        TEngineSession session(context, TEngineSession::Progress::Files, false);
        job.Backup();
    }
    const int64_t count = request_.incremental ? runner.NewCount : runner.TotalCount;
    const int64_t size = request_.incremental ? runner.NewSize : runner.TotalSize;
    recorder.finish(count, size, drive);
}

} // namespace qm
