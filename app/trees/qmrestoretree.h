#pragma once
// TQMRestoreTree: a restore tree (object name QMRestoreTree, or QMRestoreTreeSync on the
// Sync page) over a TQMRestoreTreeModel, which holds every rule; expanding a folder
// builds the next levels from the catalogue lists. The model belongs to the page.

#include "app/trees/checktreeview.h"
#include "app/trees/qmrestoretreemodel.h"

namespace qm {

class TQMRestoreTree : public TCheckTreeView {
    Q_OBJECT
  public:
    TQMRestoreTree(TQMRestoreTreeModel& model, QWidget* parent,
                   const char* objectName = "QMRestoreTree");

    TQMRestoreTreeModel& treeModel() { return model_; }

  protected:
    void expandNode(TCheckNode* node) override { model_.expand(node); }

  private:
    TQMRestoreTreeModel& model_;
};

} // namespace qm
