#include "app/qmfilelistmodel.h"

#include "app/qmfoldertreemodel.h"
#include "platform/dospath.h"
#include "platform/fileio.h"
#include "platform/shellexecute.h"

#include <QMimeDatabase>
#include <algorithm>
#include <map>

namespace qm {

namespace {

// The type name of a file by its extension alone; the file itself is never opened.
std::string typeNameOf(const std::string& name) {
    const std::string ext = lowerCaseDos(extractFileExt(name));
    if (ext.empty())
        return "File";
    static std::map<std::string, std::string> cache;
    auto found = cache.find(ext);
    if (found != cache.end())
        return found->second;
    const QString comment =
        QMimeDatabase()
            .mimeTypeForFile(QString::fromStdString("x" + ext), QMimeDatabase::MatchExtension)
            .comment();
    return cache.emplace(ext, comment.toStdString()).first->second;
}

} // namespace

TQmFilelistModel::TQmFilelistModel() : datePattern_(datePattern(dateFormat_)) {}

void TQmFilelistModel::setDateFormat(TDTFormat format) {
    dateFormat_ = format;
    datePattern_ = datePattern(format);
    if (onReset)
        onReset();
}

bool TQmFilelistModel::setDirectory(const std::string& path) {
    const std::string folder = includeTrailingBackslash(path);
    if (path.empty() || sameTextDos(folder, directory_) || !folderExists(folder))
        return false;
    directory_ = folder;
    ReadDirectory();
    return true;
}

void TQmFilelistModel::ReadDirectory() {
    const int generation = ++generation_;
    std::vector<Row> rows;
    if (!directory_.empty()) {
        const FolderListing listing = listFolder(directory_);
        for (const FolderEntry& entry : listing.entries) {
            if (entry.isFolder)
                continue;
            Row row;
            row.name = entry.name;
            row.size = entry.size;
            row.type = typeNameOf(entry.name);
            row.modified = entry.modified;
            row.hidden = entry.isHidden;
            rows.push_back(std::move(row));
            if (servePending)
                servePending();
            if (generation_ != generation)
                return; // a newer read took over while events ran
        }
    }
    rows_ = std::move(rows);
    // Name order, ascending when names were already the sort, else descending.
    sort.Reversed = true;
    sort.columnClick(ColName);
    sortRows();
}

void TQmFilelistModel::RemoveMissingFiles() {
    if (removing_ || directory_.empty())
        return;
    removing_ = true;
    ReadDirectory();
    if (FolderTree)
        FolderTree->NotifyChange();
    removing_ = false;
}

void TQmFilelistModel::setChecked(int row, bool checked) {
    if (row < 0 || row >= static_cast<int>(rows_.size()) || rows_[row].checked == checked)
        return;
    rows_[row].checked = checked;
    if (onRowChanged)
        onRowChanged(row);
}

int TQmFilelistModel::tickedCount() const {
    return static_cast<int>(
        std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.checked; }));
}

bool TQmFilelistModel::tick(int row, bool checked) {
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

void TQmFilelistModel::columnClick(int column) {
    sort.columnClick(column);
    sortRows();
}

int TQmFilelistModel::compare(const Row& a, const Row& b) const {
    switch (sort.SortColumn) {
    case ColSize:
        return compareNumbers(a.size, b.size);
    case ColType:
        return compareNames(a.type, b.type);
    case ColModified:
        return compareDates(a.modified, b.modified);
    default:
        return compareNames(a.name, b.name);
    }
}

void TQmFilelistModel::sortRows() {
    std::stable_sort(rows_.begin(), rows_.end(), [this](const Row& a, const Row& b) {
        return sort.directed(compare(a, b)) < 0;
    });
    if (onReset)
        onReset();
}

void TQmFilelistModel::click(int row) {
    if (row >= 0 && row < static_cast<int>(rows_.size()))
        SelectedItem = fullPath(row);
}

void TQmFilelistModel::open(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size()) || rows_[row].name.empty())
        return;
    const std::string path = fullPath(row);
    const bool opened = opener ? opener(path) : ShellExecute(path).has_value();
    if (!opened && message)
        message(kMsgOk, "ERROR - Can't Open file  " + rows_[row].name);
}

} // namespace qm
