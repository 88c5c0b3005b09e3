#pragma once
// The rules of the install wizard TFormInstall: its four pages ("pg1" agreement, "pg2"
// options, "pg3" progress, "pg4" done), which buttons are enabled and shown, the checks
// of the Next button, and the options handed to the installation. No folder is made
// and nothing is written before the user has agreed and pressed Next on the options
// page. No widgets; the window and the tests drive it.

#include "setup/installer.h"

#include <functional>
#include <string>

namespace qm {

class TInstallWizardModel {
  public:
    enum Page { pg1 = 0, pg2 = 1, pg3 = 2, pg4 = 3 };

    struct Actions {
        std::function<int(int kind, const std::string& text)> message;
        std::function<bool()> isAdmin; // IAmAdmin
        // Runs the installation with these options; the model shows "pg3" meanwhile.
        std::function<TInstallOutcome(const TInstallOptions&)> install;
        std::function<void()> changed; // any state below changed
    };

    explicit TInstallWizardModel(Actions actions);

    // Wizard start: "pg1", the default folder, the options' defaults.
    void FormActivate(const std::string& defaultFolder);

    void bbNextClick();
    void bbBackClick();
    void rb_AgreeClick();
    void rb_NotAgreeClick();
    // The folder picker's result (empty when no line was chosen).
    void setInstallPath(std::string path);
    void setAutoStart(bool on) { autoStart_ = on; }
    void setAllUsers(bool on) { allUsers_ = on && allUsersEnabled(); }
    void setPage(Page page);

    Page page() const { return page_; }
    const char* pageName() const;
    bool agreed() const { return agreed_; }
    bool nextEnabled() const { return nextEnabled_; }
    bool backEnabled() const { return backEnabled_; }
    // imr_Back: shown on "pg2" and "pg3" only; ImageRegion2 (Next): hidden once done.
    bool backPictureVisible() const { return (page_ == pg2 || page_ == pg3) && !done_; }
    bool nextPictureVisible() const { return !done_; }
    const std::string& installPath() const { return installPath_; }
    bool autoStart() const { return autoStart_; }
    bool allUsers() const { return allUsers_; }
    bool allUsersEnabled() const;
    int progress() const { return progress_; }
    void setProgress(int step);

    static constexpr int kProgressMax = 7;
    // The folder offered first: /opt/Quillmoor for the administrator, a folder of the
    // user's own otherwise (both as DOS paths).
    static std::string DefaultInstallFolder();

    // Options for the installation, apart from the medium and the setup program.
    TInstallOptions options() const;

  private:
    Actions actions_;
    Page page_ = pg1;
    bool agreed_ = false;
    bool nextEnabled_ = true;
    bool backEnabled_ = false;
    bool done_ = false;
    std::string installPath_;
    bool autoStart_ = true;
    bool allUsers_ = false;
    int progress_ = 0;
};

} // namespace qm
