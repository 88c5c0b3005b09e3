#include "app/trees/checktreeitemmodel.h"

#include <QColor>
#include <QFileIconProvider>
#include <QFont>

namespace qm {

namespace {

const std::vector<std::unique_ptr<TCheckNode>>& childList(const TCheckTree& tree,
                                                          const TCheckNode* node) {
    return node ? node->children : tree.roots();
}

} // namespace

TCheckTreeItemModel::TCheckTreeItemModel(TCheckTree& tree, QObject* parent)
    : QAbstractItemModel(parent), tree_(tree) {
    QFileIconProvider icons;
    driveIcon_ = icons.icon(QFileIconProvider::Drive);
    folderIcon_ = icons.icon(QFileIconProvider::Folder);
    tree_.setObserver(this);
}

TCheckTreeItemModel::~TCheckTreeItemModel() {
    tree_.setObserver(nullptr);
}

TCheckNode* TCheckTreeItemModel::nodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<TCheckNode*>(index.internalPointer()) : nullptr;
}

QModelIndex TCheckTreeItemModel::indexOf(const TCheckNode* node) const {
    return node ? createIndex(node->row, 0, const_cast<TCheckNode*>(node)) : QModelIndex();
}

QModelIndex TCheckTreeItemModel::index(int row, int column, const QModelIndex& parent) const {
    const auto& list = childList(tree_, nodeOf(parent));
    if (column != 0 || row < 0 || row >= static_cast<int>(list.size()))
        return {};
    return createIndex(row, 0, list[row].get());
}

QModelIndex TCheckTreeItemModel::parent(const QModelIndex& child) const {
    const TCheckNode* node = nodeOf(child);
    return node ? indexOf(node->parent) : QModelIndex();
}

int TCheckTreeItemModel::rowCount(const QModelIndex& parent) const {
    return static_cast<int>(childList(tree_, nodeOf(parent)).size());
}

int TCheckTreeItemModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool TCheckTreeItemModel::hasChildren(const QModelIndex& parent) const {
    const TCheckNode* node = nodeOf(parent);
    return node ? node->showsButton() : !tree_.roots().empty();
}

QVariant TCheckTreeItemModel::data(const QModelIndex& index, int role) const {
    const TCheckNode* node = nodeOf(index);
    if (!node)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(node->text);
    case Qt::CheckStateRole:
        return node->state == TCheckTree::kChecked ? Qt::Checked
               : node->state == TCheckTree::kGrey  ? Qt::PartiallyChecked
                                                   : Qt::Unchecked;
    case Qt::FontRole:
        if (node->bold) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    case Qt::ForegroundRole:
        return node->hidden ? QVariant(QColor(150, 150, 150)) : QVariant();
    case Qt::DecorationRole:
        return node->kind == TCheckNode::Kind::Drive ? driveIcon_ : folderIcon_;
    default:
        return {};
    }
}

bool TCheckTreeItemModel::setData(const QModelIndex& index, const QVariant&, int role) {
    // A tick or Space runs the tree's own cycle, whatever state the view proposes.
    return role == Qt::CheckStateRole && tree_.click(nodeOf(index));
}

Qt::ItemFlags TCheckTreeItemModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
}

void TCheckTreeItemModel::beginInsert(TCheckNode* parent, int row) {
    ++changing_;
    beginInsertRows(indexOf(parent), row, row);
}

void TCheckTreeItemModel::endInsert() {
    endInsertRows();
    --changing_;
}

void TCheckTreeItemModel::beginRemove(TCheckNode* node) {
    ++changing_;
    beginRemoveRows(indexOf(node->parent), node->row, node->row);
}

void TCheckTreeItemModel::endRemove() {
    endRemoveRows();
    --changing_;
}

void TCheckTreeItemModel::beginReset() {
    ++changing_;
    beginResetModel();
}

void TCheckTreeItemModel::endReset() {
    endResetModel();
    --changing_;
}

void TCheckTreeItemModel::nodeChanged(TCheckNode* node) {
    const QModelIndex index = indexOf(node);
    emit dataChanged(index, index);
}

} // namespace qm
