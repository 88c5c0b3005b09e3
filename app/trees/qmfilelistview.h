#pragma once
// TQmFilelistView: the Backup page's file list (object name QmFilelistView) over a
// TQmFilelistModel: Name, Size, Type and Modified columns, a check box per file, grey
// text for hidden files, a header click sorts, a double-click or Enter opens the file.
// The model belongs to the page.

#include "app/trees/checkfilelistview.h"
#include "app/trees/qmfilelistmodel.h"

namespace qm {

class TQmFilelistView : public TCheckFileListView {
    Q_OBJECT
  public:
    TQmFilelistView(TQmFilelistModel& model, QWidget* parent);

    TQmFilelistModel& listModel() { return model_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

  private:
    TQmFilelistModel& model_;
};

} // namespace qm
