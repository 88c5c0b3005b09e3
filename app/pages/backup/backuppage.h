#pragma once
// TBackupPage: the widgets of the Backup page (TS_BackUp) over a TBackupPageModel: the
// media-drive combo (cbMediaDrive with its drop-down button imr_Dropdown_B), the
// selection tree QMFolderTree beside the file list QmFilelistView, the backup kind
// (rb_Incremental_Backup, rb_Full_Backup), the settings in force (lbl_Compr_On ...), the
// last backup's log (Memo_LogBackup) and "Backup now" (btn_BackupJob, hint "Begin Backup"). The
// page owns its model; the model's tree and list outlive the widgets that show them.

#include "app/pages/backup/backuppagemodel.h"

#include <QWidget>
#include <memory>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QRadioButton;
class QSplitter;

namespace qm {

class TImageRegion;
class TLogMemoFit;
class TQMFolderTree;
class TQmFilelistView;

class TBackupPage : public QWidget {
    Q_OBJECT
  public:
    TBackupPage(TDrivePoll& poll, const TSettingsInForce& settings, MessageFn message,
                QWidget* parent);
    ~TBackupPage() override;

    TBackupPageModel& model() { return *model_; }
    TQMFolderTree* folderTree() const { return tree_; }
    TQmFilelistView* fileList() const { return list_; }

    // The page is shown (TS_BackUpShow).
    void TS_BackUpShow();
    // Puts the model's state on the widgets.
    void refresh();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    QWidget* buildBottom();
    void pnlBackupResize();

    std::unique_ptr<TBackupPageModel> model_;
    QComboBox* combo_ = nullptr;
    QSplitter* upper_ = nullptr;
    TQMFolderTree* tree_ = nullptr;
    TQmFilelistView* list_ = nullptr;
    QRadioButton* incremental_ = nullptr;
    QRadioButton* full_ = nullptr;
    QLabel* compression_ = nullptr;
    QLabel* encryption_ = nullptr;
    QLabel* revision_ = nullptr;
    QLabel* log_ = nullptr;
    QLabel* reminder_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
    TLogMemoFit* memoFit_ = nullptr; // a child of memo_
};

} // namespace qm
