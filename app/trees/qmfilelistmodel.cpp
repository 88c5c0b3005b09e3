#include "app/trees/qmfilelistmodel.h"

#include "app/trees/checktree.h"
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

bool TQmFilelistModel::setDirectory(const std::string& path) {
    const std::string folder = includeTrailingBackslash(path);
    // Exact: "Docs" and "docs" may be two folders.
    if (path.empty() || samePathExact(folder, directory_) || !folderExists(folder))
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
            if (!serve(generation))
                return; // a newer read took over while events ran
        }
    }
    showRows(std::move(rows));
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

TFileTickOwner* TQmFilelistModel::tickOwner() const {
    return FolderTree;
}

std::string TQmFilelistModel::cellText(int row, int column) const {
    switch (column) {
    case ColName:
        return rows_[row].name;
    case ColSize:
        return sizeText(row);
    case ColType:
        return rows_[row].type;
    default:
        return timeText(row);
    }
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
