#include "app/runs/jobsteps.h"

#include "engine/backupjob.h"
#include "engine/enginestate.h"
#include "platform/datetime.h"

namespace qm {

namespace {

// Said when the password window is left with no password, in every kind of run.
const char* const kNoPassword = "Enter Password for Encryption/Decryption.";

// The password window's own Cancel cancels the run without the runner's question.
std::function<void()> cancelFromPasswordWindow(TJobRunnerModel& runner) {
    return [&runner] {
        runner.CancelWithoutAsking = true;
        runner.Imr_CancelClick();
    };
}

bool askPasswords(TJobContext& context, bool single, const char* prompt, int bits) {
    TEngineState& engine = Engine();
    engine.PasswordList.clear();
    const int answer =
        context.services.askPassword
            ? context.services.askPassword(single, prompt, engine.PasswordList, false, {},
                                           cancelFromPasswordWindow(context.runner))
            : 2;
    if (answer == 2)
        return false;
    if (engine.PasswordList.empty()) {
        context.services.message(kMsgOk, kNoPassword);
        return false;
    }
    engine.KeySize = bits;
    return true;
}

} // namespace

char MediaDriveLetter(const std::string& caption) {
    const auto first = caption.find_first_not_of(" \t");
    return first != std::string::npos && first + 1 < caption.size() ? caption[first + 1] : '\0';
}

bool PrepareEncryption(TJobContext& context, TBackUpJob& job, int bits) {
    if (!askPasswords(context, true, "Enter Password for Encryption", bits))
        return false;
    TEngineState& engine = Engine();
    engine.KeyBuffer.fill(0);
    engine.DeriveKey(engine.RunPassword(), bits, engine.KeyBuffer.data());
    job.SetEncryption(true);
    return true;
}

bool AskDecryptionPasswords(TJobContext& context, int bits) {
    return askPasswords(context, false, "Add Password for Decryption", bits);
}

void BeginCollection(TJobRunnerModel& runner) {
    runner.processMessages();
    runner.ZeroSettings();
    runner.setOperationText("Collecting files and folders...");
}

bool CancelledAfterCollection(TJobRunnerModel& runner) {
    runner.showDoneImage();
    runner.processMessages();
    if (!runner.CancelRequested)
        return false;
    runner.showCanceled();
    return true;
}

void SetBackupTarget(TBackUpJob& job, char drive, int compressionType, int level) {
    job.SetStartTime(now());
    job.SetDestination(drive);
    job.SetCompression(compressionType > 0);
    job.SetCompressionType(compressionType == 1 ? TCompressionType::ctMultipleFile
                                                : TCompressionType::ctOnesFile);
    job.SetCompressionRate(static_cast<uint8_t>(compressionType > 0 ? level : 9));
}

void SetKeptVersions(TBackUpJob& job, int revisions) {
    if (revisions == 0)
        return;
    job.SetTopRevision(static_cast<uint8_t>(revisions));
    job.SetRevision(true);
}

void CollectVersions(TBackUpJob& job, TJobRunnerModel& runner, TRevisionFileList& versions,
                     int& revised) {
    job.CollectRevisions(versions, revised, [&runner](int64_t count, int64_t index) {
        runner.StampCheckProgress(count, index);
    });
    Engine().DriveListHandle.close();
}

void RestoreCollected(TBackUpJob& job, TRevisionFileList& versions, bool sortDates) {
    if (!versions.empty())
        job.RestoreRevisions(versions, sortDates);
    else
        job.Restore();
}

} // namespace qm
