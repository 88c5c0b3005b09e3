#pragma once
// TCheckTreeItemModel: shows a TCheckTree to a Qt view. Each index points at its node;
// the tree tells the model of every insert, removal and change, so views never hold a
// node the tree has freed. A tick or Space on an item runs the tree's click rule. The
// tree is the caller's and must outlive the model.

#include "app/trees/checktree.h"

#include <QAbstractItemModel>
#include <QIcon>

namespace qm {

class TCheckTreeItemModel : public QAbstractItemModel, public TCheckTreeObserver {
  public:
    TCheckTreeItemModel(TCheckTree& tree, QObject* parent);
    ~TCheckTreeItemModel() override;

    TCheckNode* nodeOf(const QModelIndex& index) const;
    // True between the start and the end of an insert, removal or reset.
    bool changing() const { return changing_ > 0; }
    QModelIndex indexOf(const TCheckNode* node) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void beginInsert(TCheckNode* parent, int row) override;
    void endInsert() override;
    void beginRemove(TCheckNode* node) override;
    void endRemove() override;
    void beginReset() override;
    void endReset() override;
    void nodeChanged(TCheckNode* node) override;

  private:
    TCheckTree& tree_;
    int changing_ = 0;
    QIcon driveIcon_;
    QIcon folderIcon_;
};

} // namespace qm
