#include "setup/installwizardmodel.h"

#include "platform/dospath.h"
#include "platform/osversion.h"

#include <cstdlib>
#include <unistd.h>

namespace qm {

TInstallWizardModel::TInstallWizardModel(Actions actions) : actions_(std::move(actions)) {}

std::string TInstallWizardModel::DefaultInstallFolder() {
    std::string host = "/opt/Quillmoor";
    if (::geteuid() != 0) {
        const char* data = std::getenv("XDG_DATA_HOME");
        const char* home = std::getenv("HOME");
        host = data && *data == '/' ? std::string(data) + "/Quillmoor"
                                    : std::string(home ? home : "") + "/.local/share/Quillmoor";
    }
    return toDosPath(host).value_or("C:\\Program Files\\Quillmoor");
}

void TInstallWizardModel::FormActivate(const std::string& defaultFolder) {
    page_ = pg1;
    installPath_ = defaultFolder;
    allUsers_ = allUsersEnabled();
    progress_ = 0;
    // Nothing is created here: the folder is made only when the user confirms it.
    if (actions_.changed)
        actions_.changed();
}

bool TInstallWizardModel::allUsersEnabled() const {
    return IsWin2000OrLater();
}

const char* TInstallWizardModel::pageName() const {
    static const char* const kNames[] = {"pg1", "pg2", "pg3", "pg4"};
    return kNames[page_];
}

void TInstallWizardModel::setPage(Page page) {
    page_ = page;
    if (actions_.changed)
        actions_.changed();
}

void TInstallWizardModel::setProgress(int step) {
    progress_ = step;
    if (actions_.changed)
        actions_.changed();
}

void TInstallWizardModel::setInstallPath(std::string path) {
    installPath_ = std::move(path);
}

void TInstallWizardModel::rb_AgreeClick() {
    agreed_ = true;
    nextEnabled_ = true;
    if (actions_.changed)
        actions_.changed();
}

void TInstallWizardModel::rb_NotAgreeClick() {
    agreed_ = false;
    nextEnabled_ = false;
    if (actions_.changed)
        actions_.changed();
}

TInstallOptions TInstallWizardModel::options() const {
    TInstallOptions options;
    options.installFolder = installPath_;
    options.autoStart = autoStart_;
    options.allUsers = allUsers_;
    return options;
}

void TInstallWizardModel::bbNextClick() {
    if (!agreed_) {
        actions_.message(0, "Please select 'I accept the agreement' to continue.");
        return;
    }
    if (page_ == pg1) {
        backEnabled_ = true;
        setPage(pg2);
        return;
    }
    if (page_ != pg2)
        return;
    if (allUsers_ && !actions_.isAdmin()) {
        actions_.message(0,
                         "Installing Quillmoor for all users not allowed for this user account.");
        return;
    }
    progress_ = 0;
    const TInstallOutcome outcome = actions_.install(options());
    if (outcome != TInstallOutcome::Installed) {
        setPage(pg2); // every refusal and failure leaves the user on the options page
        return;
    }
    done_ = true;
    nextEnabled_ = false;
    backEnabled_ = false;
    setPage(pg4);
}

void TInstallWizardModel::bbBackClick() {
    switch (page_) {
    case pg2:
        backEnabled_ = false;
        setPage(pg1);
        break;
    case pg3:
        setPage(pg2);
        break;
    case pg4:
        if (!done_) {
            nextEnabled_ = true;
            setPage(pg3);
        }
        break;
    case pg1:
        break;
    }
}

} // namespace qm
