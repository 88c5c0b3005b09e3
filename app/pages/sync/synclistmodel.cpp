#include "app/pages/sync/synclistmodel.h"

namespace qm {

const char* const TSyncListModel::kDeleted = "Deleted";
const char* const TSyncListModel::kUnreadable = "Unreadable";

namespace {

struct Column {
    const char* title;
    int width;
};

constexpr Column kColumnTable[TSyncListModel::kColumns] = {
    {"File Name", 200},
    {"Date &Time on Media Drive", 150},
    {"Date & Time on Hard Drive", 150},
    {"", 0},
    {"Path", 0},
    {"", 0},
    {"DateOnMD", 0},
    {"DateonHD", 0},
};

} // namespace

const char* TSyncListModel::columnTitle(int column) {
    return column >= 0 && column < kColumns ? kColumnTable[column].title : "";
}

int TSyncListModel::columnWidth(int column) {
    return column >= 0 && column < kColumns ? kColumnTable[column].width : 0;
}

const char* TSyncListModel::kindText(TSyncKind kind) {
    switch (kind) {
    case TSyncKind::Red:
        return "red";
    case TSyncKind::Green:
        return "green";
    case TSyncKind::Blue:
        return "blue";
    case TSyncKind::Unreadable:
        break;
    }
    return "grey";
}

TSyncListModel::Colour TSyncListModel::colour(TSyncKind kind) {
    switch (kind) {
    case TSyncKind::Red:
        return {255, 200, 200};
    case TSyncKind::Green:
        return {200, 255, 200};
    case TSyncKind::Blue:
        return {200, 200, 255};
    case TSyncKind::Unreadable:
        break;
    }
    return {222, 222, 222};
}

std::string TSyncListModel::text(int row, int column) const {
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return {};
    const TSyncRow& r = rows_[static_cast<size_t>(row)];
    switch (column) {
    case 0:
        return r.name;
    case 1:
        return r.mediaText;
    case 2:
        return r.hardText;
    case 3:
        return kindText(r.kind);
    case 4:
        return r.path;
    case 5:
        return r.sizeText;
    case 6:
        return r.mediaTime && r.hardTime ? floatToStrGeneral(*r.mediaTime) : std::string();
    case 7:
        return r.hardTime ? floatToStrGeneral(*r.hardTime) : std::string();
    default:
        return {};
    }
}

void TSyncListModel::clear() {
    rows_.clear();
    if (onReset)
        onReset();
}

void TSyncListModel::add(TSyncRow row) {
    if (!checkable(row.kind))
        row.checked = false;
    if (onRowAdding)
        onRowAdding(static_cast<int>(rows_.size()));
    rows_.push_back(std::move(row));
    if (onRowAdded)
        onRowAdded();
}

void TSyncListModel::setChecked(int row, bool checked) {
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return;
    TSyncRow& r = rows_[static_cast<size_t>(row)];
    checked = checked && checkable(r.kind);
    if (r.checked == checked)
        return;
    r.checked = checked;
    if (onRowChanged)
        onRowChanged(row);
}

void TSyncListModel::checkAll(bool checked) {
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i)
        setChecked(i, checked);
}

TSyncLists TSyncListModel::ticked(TSyncKind kind) const {
    TSyncLists lists;
    for (const TSyncRow& r : rows_)
        if (r.checked && r.kind == kind && checkable(kind)) {
            lists.paths.push_back(r.path);
            lists.sizes.push_back(r.sizeText);
            lists.compared.push_back(r.hardDos);
        }
    return lists;
}

} // namespace qm
