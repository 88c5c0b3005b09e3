#include "app/runs/enginesession.h"

#include "engine/enginestate.h"

namespace qm {

namespace {

const char* const kAskAgain =
    "Can't find a valid password for decryption. Add other password or click 'Skip'.";

} // namespace

TEngineSession::TEngineSession(TJobContext& context, Progress progress, bool askPasswordAgain)
    : context_(context) {
    TEngineState& engine = Engine();
    TJobRunnerModel& runner = context.runner;
    if (progress == Progress::Files)
        engine.ProgressProc = [&runner](int32_t files, bool list, int64_t size, int64_t fileDone,
                                        int64_t done) {
            runner.FileProgress(files, list, size, fileDone, done);
        };
    else
        engine.ProgressProc = [&runner](int32_t files, bool list, int64_t size, int64_t fileDone,
                                        int64_t done) {
            runner.DeleteProgress(files, list, size, fileDone, done);
        };
    engine.ProcessMessagesProc = [&runner] { runner.processMessages(); };
    if (askPasswordAgain)
        engine.AskPasswordProc = [&context](const std::string& path) {
            return AskPasswordAgain(context, path);
        };
}

TEngineSession::~TEngineSession() {
    TEngineState& engine = Engine();
    engine.ProgressProc = nullptr;
    engine.ProcessMessagesProc = nullptr;
    engine.AskPasswordProc = nullptr;
    // Every run closes what it opened; a run cut short may not have. Its count was
    // written by whatever changed it, so the catalogue is closed as it stands.
    engine.DriveListHandle.close();
}

int TEngineSession::AskPasswordAgain(TJobContext& context, const std::string& path) {
    if (!context.services.askPassword)
        return 2;
    TJobRunnerModel& runner = context.runner;
    return context.services.askPassword(false, kAskAgain, Engine().PasswordList, true, path,
                                        [&runner] {
                                            runner.CancelWithoutAsking = true;
                                            runner.Imr_CancelClick();
                                        });
}

} // namespace qm
