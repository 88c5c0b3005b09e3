#pragma once
// TfrmMessage and ShowMessageForm: the skinned message box of all three programs
// (kinds 0 OK, 1 OK/Cancel, 2 Yes/No; results 1, 2, 6, 7). The rules are
// TMessageFormModel's; the answer script (platform/answerscript.h) is asked first, so a
// headless run never opens the window. The caller owns the box for one modal run.

#include "controls/messageformmodel.h"
#include "controls/skinneddialog.h"

#include <string>

class QScrollArea;
class QStackedWidget;

namespace qm {

class TImageRegion;
class TWrapLabel;

class TfrmMessage : public TSkinnedDialog {
    Q_OBJECT
  public:
    TfrmMessage(QWidget* owner, const std::string& text, int kind,
                const TMessageStyle& style = TMessageStyle::mainProgram());

    const TMessageFormModel& model() const { return model_; }

  public slots:
    void reject() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void buildPages();
    void fitText();

    TMessageFormModel model_;
    TMessageStyle style_;
    TWrapLabel* message_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QStackedWidget* pages_ = nullptr;
};

// Shows a message box of `kind` with `text` and returns its result. In script mode the
// script answers and no window opens.
int ShowMessageForm(int kind, const std::string& text,
                    const TMessageStyle& style = TMessageStyle::mainProgram());

} // namespace qm
