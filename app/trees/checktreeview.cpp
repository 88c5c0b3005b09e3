#include "app/trees/checktreeview.h"

#include "app/trees/checktreeitemmodel.h"
#include "app/trees/eventpump.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTimer>

namespace qm {

TCheckTreeView::TCheckTreeView(TCheckTree& tree, QWidget* parent) : QTreeView(parent), tree_(tree) {
    items_ = new TCheckTreeItemModel(tree_, this);
    setModel(items_);
    setHeaderHidden(true);
    setIndentation(19);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    tree_.servePending = makeEventPump();
    tree_.walks().setScheduler(
        [this](std::function<void()> task) { QTimer::singleShot(0, this, std::move(task)); });
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (TCheckNode* node = nodeAt(index))
            expandNode(node);
    });
}

TCheckTreeView::~TCheckTreeView() {
    tree_.servePending = nullptr;
    tree_.onSelect = nullptr;
    tree_.setScheduler(nullptr);
}

QModelIndex TCheckTreeView::indexOf(const TCheckNode* node) const {
    return items_->indexOf(node);
}

TCheckNode* TCheckTreeView::nodeAt(const QModelIndex& index) const {
    return items_->nodeOf(index);
}

void TCheckTreeView::mousePressEvent(QMouseEvent* event) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QTreeView::mousePressEvent(event);
    QApplication::restoreOverrideCursor();
}

void TCheckTreeView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && currentIndex().isValid()) {
        tree_.click(nodeAt(currentIndex())); // the selected node's tick, directly
        return;
    }
    QTreeView::keyPressEvent(event);
}

void TCheckTreeView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    if (items_->changing()) {
        // The view moves its current row while rows go: the tree follows once they have.
        QTimer::singleShot(0, this, [this] { tree_.select(nodeAt(currentIndex())); });
        return;
    }
    tree_.select(nodeAt(current));
}

} // namespace qm
