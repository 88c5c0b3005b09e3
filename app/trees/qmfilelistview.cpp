#include "app/trees/qmfilelistview.h"

#include <QKeyEvent>

namespace qm {

TQmFilelistView::TQmFilelistView(TQmFilelistModel& model, QWidget* parent)
    : TCheckFileListView(model,
                         {{"Name", 165, Qt::AlignLeft},
                          {"Size", 75, Qt::AlignRight},
                          {"Type", 95, Qt::AlignLeft},
                          {"Modified", 115, Qt::AlignLeft, true}},
                         parent),
      model_(model) {
    setObjectName(QStringLiteral("QmFilelistView"));
    setToolTip(QStringLiteral("Files to back up"));
    connect(this, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        if (model_.DblClickToOpen && index.isValid())
            model_.open(index.row());
    });
}

void TQmFilelistView::keyPressEvent(QKeyEvent* event) {
    const QModelIndex current = currentIndex();
    if (current.isValid() && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        model_.open(current.row());
        return;
    }
    TCheckFileListView::keyPressEvent(event);
}

void TQmFilelistView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    TCheckFileListView::currentChanged(current, previous);
    if (current.isValid())
        model_.click(current.row());
}

} // namespace qm
