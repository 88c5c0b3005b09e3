#pragma once
// TQMRestoreFileList: the restore file list (object name QMRestoreFileList, or
// QMRestoreFileListSync on the Sync page) over a TQMRestoreFileListModel: Name, Modified
// and Size columns from the catalogue, a check box per file, a header click sorts. The
// model belongs to the page.

#include "app/trees/checkfilelistview.h"
#include "app/trees/qmrestorefilelistmodel.h"

namespace qm {

class TQMRestoreFileList : public TCheckFileListView {
    Q_OBJECT
  public:
    TQMRestoreFileList(TQMRestoreFileListModel& model, QWidget* parent,
                       const char* objectName = "QMRestoreFileList");

    TQMRestoreFileListModel& listModel() { return model_; }

  private:
    TQMRestoreFileListModel& model_;
};

} // namespace qm
