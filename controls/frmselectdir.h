#pragma once
// TFrmSelectDir and SelectFolder: the skinned folder picker over the drive table (a drive
// combo `cb_Drives`, the folder list `DirListBox`, OK and Cancel). Its rules are
// TSelectDirModel's; the caller owns the window for one modal run.

#include "controls/selectdirmodel.h"
#include "controls/skinneddialog.h"

#include <functional>

namespace qm {

class TFolderLists;

class TFrmSelectDir : public TSkinnedDialog {
    Q_OBJECT
  public:
    explicit TFrmSelectDir(QWidget* owner = nullptr, TSelectDirModel model = TSelectDirModel());

    TSelectDirModel& model() { return model_; }
    // Shows the picker modally on `path`; afterwards `path` follows TSelectDirModel::finish.
    // Returns 1 (OK) or 2 (Cancel).
    int Execute(std::string& path);
    // Fills the lists; Execute does this before it shows the window.
    void prepare();

    // What the picker does on show to stand over the main window (the main program sets
    // it; without it nothing happens).
    static void setBringUpMainWindow(std::function<void()> bringUp);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    TSelectDirModel model_;
    TFolderLists* lists_ = nullptr; // a child of the folder list
};

// Asks for a folder; true when OK was chosen and the path is an existing folder. In
// script mode the line "SelectFolder=<DOS path>" answers.
bool SelectFolder(std::string& path);

} // namespace qm
