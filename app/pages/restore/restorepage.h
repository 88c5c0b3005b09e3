#pragma once
// TRestorePage: the widgets of the Restore page (TS_Restore) over a TRestorePageModel:
// the media-drive combo cbSourceDrive with its drop-down button, the restore tree
// QMRestoreTree beside the file list QMRestoreFileList, the restore options, the settings
// in force (memos s and Memo_RstSettingsValues), the last restore's log Memo_LogRestore,
// and the Restore and Delete buttons. The page owns its model; the model's tree and list
// outlive the views that show them.

#include "app/pages/restore/restorepagemodel.h"

#include <QWidget>
#include <memory>

class QComboBox;
class QPlainTextEdit;
class QRadioButton;
class QSplitter;

namespace qm {

class TLogMemoFit;
class TQMRestoreFileList;
class TQMRestoreTree;

class TRestorePage : public QWidget {
    Q_OBJECT
  public:
    TRestorePage(TDrivePoll& poll, const TSettingsInForce& settings, MessageFn message,
                 TStartJob startJob, QWidget* parent);
    ~TRestorePage() override;

    TRestorePageModel& model() { return *model_; }
    TQMRestoreTree* restoreTree() const { return tree_; }

    void refresh();

  private:
    QWidget* buildBottom();

    std::unique_ptr<TRestorePageModel> model_;
    QComboBox* combo_ = nullptr;
    QSplitter* upper_ = nullptr;
    TQMRestoreTree* tree_ = nullptr;
    TQMRestoreFileList* list_ = nullptr;
    QRadioButton* original_ = nullptr;
    QRadioButton* destination_ = nullptr;
    QRadioButton* newest_ = nullptr;
    QRadioButton* versions_ = nullptr;
    QPlainTextEdit* values_ = nullptr;
    QPlainTextEdit* log_ = nullptr;
    TLogMemoFit* logFit_ = nullptr; // a child of log_
};

} // namespace qm
