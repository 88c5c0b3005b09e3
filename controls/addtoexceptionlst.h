#pragma once
// TaddToExceptionLst: the skinned one-line input dialog of the exception lists (a prompt,
// the edit `edt_Data`, an optional browse button). Its rules are TAddToExceptionModel's;
// the caller creates it for one modal run and reads the text on result 1.

#include "controls/inputdialogmodel.h"
#include "controls/skinneddialog.h"

class QLineEdit;

namespace qm {

class TImageRegion;

class TaddToExceptionLst : public TSkinnedDialog {
    Q_OBJECT
  public:
    TaddToExceptionLst(QWidget* owner, const std::string& prompt, const std::string& text,
                       bool showBrowse);

    TAddToExceptionModel& model() { return model_; }
    std::string text() const;

    // Runs the dialog modally (or asks the answer script, whose line "<prompt>=<text>"
    // answers OK with that text); on OK `text` receives the entry. Returns 1 or 2.
    static int ask(QWidget* owner, const std::string& prompt, std::string& text, bool showBrowse);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void imr_BrowseClick();

    TAddToExceptionModel model_;
    QLineEdit* edit_ = nullptr;
};

} // namespace qm
