#include "app/runwindows/joblauncher.h"

#include "app/runwindows/formpassword.h"
#include "app/runwindows/formrevision.h"
#include "app/runwindows/frmsummary.h"
#include "controls/frmselectdir.h"
#include "platform/programfolder.h"

namespace qm {

TJobLauncher::TJobLauncher(TMainWindowModel& model, Hooks hooks)
    : model_(model), hooks_(std::move(hooks)) {}

TJobServices TJobLauncher::services() {
    TJobServices s;
    s.message = model_.message();
    std::function<void()> bringUp = hooks_.showMainWindow;
    s.askPassword = [this, bringUp](bool single, const std::string& prompt,
                                    std::vector<std::string>& list, bool allowSkip,
                                    const std::string& file,
                                    const std::function<void()>& cancelRun) {
        return AskPassword(single, prompt, list, allowSkip, file,
                           TPasswordHooks{model_.message(), cancelRun, bringUp});
    };
    s.chooseRevisions = [this, bringUp](TRevisionFileList& list) {
        model_.setRevisionWindowShown(true);
        const int result = TFormRevision::choose(list, bringUp);
        model_.setRevisionWindowShown(false);
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
    const TJobRequest withSettings =
        WithSettingsInForce(std::move(request), model_.settingsInForce());
    return run(withSettings.code(), MakeJobOperation(withSettings));
}

TStartJob TJobLauncher::starter() {
    return [this](TJobRequest request) { return start(std::move(request)); };
}

TJobOutcome TJobLauncher::run(int code, std::unique_ptr<TJobOperation> job) {
    if (current_ || model_.runActive())
        return {}; // one run at a time
    TFrmProgress::Setup setup{services(), hooks_};
    TFrmProgress runner(code, std::move(job), std::move(setup));
    current_ = &runner;
    TJobOutcome outcome = runner.execute();
    current_ = nullptr;
    return outcome;
}

} // namespace qm
