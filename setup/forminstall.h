#pragma once
// TFormInstall: the install wizard window. It builds the layout's widgets under their
// names (the page stack `Notebook` with "pg1" to "pg4", the picture buttons `imr_Back`,
// `ImageRegion2` and `ImageRegion3`, the hidden plain buttons `bbNext`, `bbBack` and
// `bbExit`) and passes every event to TInstallWizardModel, which runs TInstaller on the
// medium when the options page is confirmed. Owns its widgets and model.

#include "setup/installwizardmodel.h"

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTextBrowser;

namespace qm {

class TImageRegion;

class TFormInstall : public QWidget {
    Q_OBJECT
  public:
    // `mediumFolder`: the DOS folder holding License.htm and Install\; `setupProgram`:
    // the DOS path of the running setup (copied as the uninstaller).
    TFormInstall(std::string mediumFolder, std::string setupProgram, QWidget* parent = nullptr);

    TInstallWizardModel& model() { return model_; }
    // Shows the window; the first showing sets the wizard up (FormActivate).
    void FormShow();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void buildPages(QWidget* notebook);
    void syncFromModel();
    TInstallOutcome runInstall(const TInstallOptions& chosen);
    void sbSelectInPathClick();

    std::string medium_;
    std::string setupProgram_;
    TInstallWizardModel model_;
    bool activated_ = false;
    QStackedWidget* notebook_ = nullptr;
    QTextBrowser* licence_ = nullptr;
    QRadioButton* agree_ = nullptr;
    QRadioButton* notAgree_ = nullptr;
    QLineEdit* path_ = nullptr;
    QCheckBox* autoStart_ = nullptr;
    QCheckBox* allUsers_ = nullptr;
    QProgressBar* progress_ = nullptr;
    TImageRegion* back_ = nullptr;
    TImageRegion* next_ = nullptr;
    QPushButton* bbNext_ = nullptr;
    QPushButton* bbBack_ = nullptr;
};

} // namespace qm
