#pragma once
// TCheckTreeView: the tree control shared by the selection tree and the restore tree: a
// tree view over a TCheckTree with tri-state check boxes, bold and grey labels, the
// tree's expanding handler and its selection change. A click on a check box or Space
// runs the tree's click rule directly. The tree is the caller's; the view gives it the
// event pump and posts what the tree holds back to the event loop.

#include "app/trees/checktree.h"

#include <QTreeView>

namespace qm {

class TCheckTreeItemModel;

class TCheckTreeView : public QTreeView {
    Q_OBJECT
  public:
    TCheckTreeView(TCheckTree& tree, QWidget* parent);
    ~TCheckTreeView() override;

    TCheckTreeItemModel* itemModel() const { return items_; }
    QModelIndex indexOf(const TCheckNode* node) const;
    TCheckNode* nodeAt(const QModelIndex& index) const;

  protected:
    // The tree's expanding handler for a node about to show its children.
    virtual void expandNode(TCheckNode* node) = 0;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

  private:
    TCheckTree& tree_;
    TCheckTreeItemModel* items_ = nullptr; // child QObject
};

} // namespace qm
