#include "app/trees/qmfoldertree.h"

namespace qm {

TQMFolderTree::TQMFolderTree(TQMFolderTreeModel& model, QWidget* parent)
    : TCheckTreeView(model, parent), model_(model) {
    setObjectName(QStringLiteral("QMFolderTree"));
    setToolTip(QStringLiteral("Folders to back up"));
}

} // namespace qm
