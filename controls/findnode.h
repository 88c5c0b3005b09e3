#pragma once
// FindNodeByPath: finds the tree node that a backslash path names, one component per
// level ("C:\dir\file" is the node "file" under "dir" under "C:"). Texts compare
// exactly, case included; the search starts at the first top-level node.

#include <QModelIndex>
#include <string_view>

class QTreeWidget;
class QTreeWidgetItem;
class QAbstractItemModel;

namespace qm {

// `name`, when not empty, is joined to `path` first. An empty path and name give the
// first top-level node; an empty tree or an unmatched component gives null.
QTreeWidgetItem* FindNodeByPath(QTreeWidget* items, std::string_view path, std::string_view name);

// The same over any item model, comparing the display text of column 0.
QModelIndex FindNodeByPath(const QAbstractItemModel* model, std::string_view path,
                           std::string_view name);

} // namespace qm
