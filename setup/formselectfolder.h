#pragma once
// TFormSelectFolder: the installer's folder picker "Select Installation Folder" (a drive
// combo `dcbDrive` over the folder list `dilFolders`, `imr_Ok_` and `imr_Cancel_`). OK
// with a line of the list selected gives the list's current folder; OK without one
// gives an empty folder, which the installation refuses. The folder rules are
// TSelectDirModel's. The caller owns the window for one modal run.

#include "controls/selectdirmodel.h"
#include "controls/skinneddialog.h"

#include <string>

namespace qm {

class TFolderLists;

class TFormSelectFolder : public TSkinnedDialog {
    Q_OBJECT
  public:
    explicit TFormSelectFolder(QWidget* owner = nullptr, TSelectDirModel model = TSelectDirModel());

    TSelectDirModel& model() { return model_; }
    // Fills the lists (Execute does it before showing the window).
    void prepare();
    // Shows the picker modally; returns 1 (OK) or 2 (Cancel) and, for OK, the folder.
    int Execute(std::string& folder);
    // OK's result folder for the current state.
    std::string resultFolder() const;

    // In script mode the line "Select Installation Folder=<DOS path>" answers.
    static bool Choose(std::string& folder);

  private:
    TSelectDirModel model_;
    TFolderLists* lists_ = nullptr; // a child of the folder list
};

} // namespace qm
