#pragma once
// TQMFolderTree: the Backup page's selection tree (object name QMFolderTree) over a
// TQMFolderTreeModel, which holds every rule; expanding a folder reads its subfolders.
// The model belongs to the page.

#include "app/trees/checktreeview.h"
#include "app/trees/qmfoldertreemodel.h"

namespace qm {

class TQMFolderTree : public TCheckTreeView {
    Q_OBJECT
  public:
    TQMFolderTree(TQMFolderTreeModel& model, QWidget* parent);

    TQMFolderTreeModel& treeModel() { return model_; }

  protected:
    void expandNode(TCheckNode* node) override { model_.expand(node); }

  private:
    TQMFolderTreeModel& model_;
};

} // namespace qm
