#include "app/trees/qmrestoretree.h"

namespace qm {

TQMRestoreTree::TQMRestoreTree(TQMRestoreTreeModel& model, QWidget* parent, const char* objectName)
    : TCheckTreeView(model, parent), model_(model) {
    setObjectName(QString::fromLatin1(objectName));
}

} // namespace qm
