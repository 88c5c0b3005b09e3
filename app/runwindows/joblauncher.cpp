#include "app/runwindows/joblauncher.h"

#include "app/runwindows/formpassword.h"
#include "app/runwindows/formrevision.h"
#include "app/runwindows/frmsummary.h"
#include "controls/frmselectdir.h"
#include "platform/programfolder.h"

namespace qm {

TJobLauncher::TJobLauncher(Program program, Hooks hooks)
    : program_(std::move(program)), hooks_(std::move(hooks)) {}

TJobServices TJobLauncher::services() {
    TJobServices s;
    s.message = program_.message;
    std::function<void()> bringUp = hooks_.showMainWindow;
    s.askPassword = [this, bringUp](bool single, const std::string& prompt,
                                    std::vector<std::string>& list, bool allowSkip,
                                    const std::string& file,
                                    const std::function<void()>& cancelRun) {
        return AskPassword(single, prompt, list, allowSkip, file,
                           TPasswordHooks{program_.message, cancelRun, bringUp});
    };
    s.chooseRevisions = [this, bringUp](TRevisionFileList& list) {
        program_.revisionWindowShown(true);
        const int result = TFormRevision::choose(list, bringUp);
        program_.revisionWindowShown(false);
        return result;
    };
    s.selectFolder = [](std::string& folder) { return SelectFolder(folder); };
    s.showSummary = [bringUp](const TActivityRecord& record) { ShowSummary(record, bringUp); };
    s.hideRunner = [this] {
        if (current_)
            current_->hide();
    };
    s.showRunner = [this] {
        if (current_ && !current_->hiddenByUser())
            current_->show();
    };
    s.programFolder = [] { return programFolder().value_or(std::string()); };
    return s;
}

TJobOutcome TJobLauncher::start(TJobRequest request) {
    const TJobRequest withSettings = WithSettingsInForce(std::move(request), *program_.settings);
    return run(withSettings.code(), MakeJobOperation(withSettings));
}

TStartJob TJobLauncher::starter() {
    return [this](TJobRequest request) { return start(std::move(request)); };
}

TJobOutcome TJobLauncher::run(int code, std::unique_ptr<TJobOperation> job) {
    if (current_ || program_.runActive())
        return {}; // one run at a time
    TFrmProgress::Setup setup{services(), hooks_};
    TFrmProgress runner(code, std::move(job), std::move(setup));
    current_ = &runner;
    TJobOutcome outcome = runner.execute();
    current_ = nullptr;
    return outcome;
}

} // namespace qm
