#include "app/qmrestorefilelistmodel.h"

#include "app/qmrestoretreemodel.h"

#include <algorithm>
#include <charconv>

namespace qm {

namespace {

bool parseSize(const std::string& text, int64_t& size) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, size);
    return ec == std::errc() && ptr == end && size >= 0;
}

} // namespace

void TQMRestoreFileListModel::setDateFormat(TDTFormat format) {
    dateFormat_ = format;
    datePattern_ = datePattern(format);
    if (onReset)
        onReset();
}

void TQMRestoreFileListModel::clear() {
    ++generation_;
    directory_.clear();
    rows_.clear();
    if (onReset)
        onReset();
}

void TQMRestoreFileListModel::setDirectory(const std::string& folder) {
    const int generation = ++generation_;
    directory_ = folder;
    std::vector<Row> rows;
    if (FolderTree) {
        for (const auto& file : FolderTree->filesIn(folder)) {
            Row row;
            row.name = file.path.substr(folder.size());
            row.index = file.index;
            if (file.index < FolderTree->TimeList.size())
                row.hasDate = parseDateValue(FolderTree->TimeList[file.index], row.date);
            if (file.index < FolderTree->SizeList.size())
                row.hasSize = parseSize(FolderTree->SizeList[file.index], row.size);
            rows.push_back(std::move(row));
            if (servePending)
                servePending();
            if (generation_ != generation)
                return; // a newer fill took over while events ran
        }
    }
    rows_ = std::move(rows);
    sort.Reversed = true;
    sort.columnClick(ColName);
    sortRows();
}

std::string TQMRestoreFileListModel::modifiedText(int row) const {
    return rows_[row].hasDate ? FileTimeText(rows_[row].date, datePattern_) : std::string();
}

std::string TQMRestoreFileListModel::sizeText(int row) const {
    return rows_[row].hasSize ? FileSizeText(rows_[row].size) : std::string();
}

void TQMRestoreFileListModel::setChecked(int row, bool checked) {
    if (row < 0 || row >= static_cast<int>(rows_.size()) || rows_[row].checked == checked)
        return;
    rows_[row].checked = checked;
    if (onRowChanged)
        onRowChanged(row);
}

int TQMRestoreFileListModel::tickedCount() const {
    return static_cast<int>(
        std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.checked; }));
}

bool TQMRestoreFileListModel::tick(int row, bool checked) {
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return false;
    if (FolderTree && !FolderTree->changeAllowed())
        return false;
    setChecked(row, checked);
    if (OnItemCheckStateChange)
        OnItemCheckStateChange();
    if (FolderTree)
        FolderTree->fileTicked(directory_, rows_[row].name, checked, tickedCount(),
                               static_cast<int>(rows_.size()));
    return true;
}

void TQMRestoreFileListModel::columnClick(int column) {
    sort.columnClick(column);
    sortRows();
}

int TQMRestoreFileListModel::compare(const Row& a, const Row& b) const {
    switch (sort.SortColumn) {
    case ColModified:
        if (a.hasDate != b.hasDate)
            return a.hasDate ? 1 : -1;
        return compareDates(a.date, b.date);
    case ColSize:
        if (a.hasSize != b.hasSize)
            return a.hasSize ? 1 : -1;
        return compareNumbers(a.size, b.size);
    default:
        return compareNames(a.name, b.name);
    }
}

void TQMRestoreFileListModel::sortRows() {
    std::stable_sort(rows_.begin(), rows_.end(), [this](const Row& a, const Row& b) {
        return sort.directed(compare(a, b)) < 0;
    });
    if (onReset)
        onReset();
}

} // namespace qm
