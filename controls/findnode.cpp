#include "controls/findnode.h"

#include "platform/pathtools.h"

#include <QAbstractItemModel>
#include <QTreeWidget>

namespace qm {

namespace {

std::vector<std::string> componentsOf(std::string_view path, std::string_view name) {
    if (!name.empty())
        return SplitPath(JoinPath(path, name));
    return SplitPath(path);
}

// From `index` (a child of `parent`, row `row`) through its later siblings, the first
// whose text equals `text`.
QTreeWidgetItem* findSibling(QTreeWidgetItem* parent, QTreeWidget* tree, int row,
                             const QString& text) {
    const int count = parent ? parent->childCount() : tree->topLevelItemCount();
    for (int i = row; i < count; ++i) {
        QTreeWidgetItem* item = parent ? parent->child(i) : tree->topLevelItem(i);
        if (item->text(0) == text)
            return item;
    }
    return nullptr;
}

} // namespace

QTreeWidgetItem* FindNodeByPath(QTreeWidget* items, std::string_view path, std::string_view name) {
    if (!items || items->topLevelItemCount() == 0)
        return nullptr;
    const std::vector<std::string> components = componentsOf(path, name);
    QTreeWidgetItem* parent = nullptr;
    QTreeWidgetItem* node = items->topLevelItem(0);
    for (const std::string& component : components) {
        if (!node)
            return nullptr;
        node = findSibling(parent, items, 0, QString::fromStdString(component));
        if (!node)
            return nullptr;
        parent = node;
        node = node->childCount() > 0 ? node->child(0) : nullptr;
    }
    return parent ? parent : items->topLevelItem(0);
}

QModelIndex FindNodeByPath(const QAbstractItemModel* model, std::string_view path,
                           std::string_view name) {
    if (!model || model->rowCount() == 0)
        return {};
    const std::vector<std::string> components = componentsOf(path, name);
    QModelIndex parent;
    QModelIndex found;
    for (const std::string& component : components) {
        if (model->rowCount(parent) == 0)
            return {};
        const QString text = QString::fromStdString(component);
        found = {};
        for (int row = 0; row < model->rowCount(parent); ++row) {
            QModelIndex candidate = model->index(row, 0, parent);
            if (candidate.data(Qt::DisplayRole).toString() == text) {
                found = candidate;
                break;
            }
        }
        if (!found.isValid())
            return {};
        parent = found;
    }
    return components.empty() ? model->index(0, 0) : found;
}

} // namespace qm
