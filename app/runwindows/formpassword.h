#pragma once
// TFormPassword and AskPassword: the window that asks for one password (single mode) or
// builds up a list of passwords, optionally with Skip and Skip all. Its rules are
// TPasswordModel's; the window owns only its widgets. The caller's list is read when the
// window opens and replaced by the working list when it closes, whatever the answer.

#include "app/runwindows/passwordmodel.h"
#include "controls/skinneddialog.h"

#include <functional>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

namespace qm {

// What the password window needs from the program around it.
struct TPasswordHooks {
    MessageFn message;               // "Password already exists."
    std::function<void()> cancelRun; // Cancel: stops the job run without asking
    std::function<void()> bringUpMain;
};

class TFormPassword : public TSkinnedDialog {
    Q_OBJECT
  public:
    TFormPassword(QWidget* owner, TPasswordModel::Mode mode, const std::string& prompt,
                  TPasswordHooks hooks);

    TPasswordModel& model() { return model_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void applyHide();
    void finish(std::optional<int> result);

    TPasswordModel model_;
    TPasswordHooks hooks_;
    QLineEdit* edit_ = nullptr;
    QCheckBox* hide_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
};

// Asks with the window and returns 1 (OK), 2 (Skip or Cancel) or 3 (Skip all);
// `passwords` receives the working list. In script mode the answer to the prompt is
// the password typed and OK, or one of "[skip]", "[skip all]" and "[cancel]".
int AskPassword(bool singleMode, const std::string& message, std::vector<std::string>& passwords,
                bool allowSkip, const std::string& fileName, const TPasswordHooks& hooks);

} // namespace qm
