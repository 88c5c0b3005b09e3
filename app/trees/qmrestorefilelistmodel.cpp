#include "app/trees/qmrestorefilelistmodel.h"

#include "app/trees/checktree.h"

#include <charconv>

namespace qm {

namespace {

bool parseSize(const std::string& text, int64_t& size) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, size);
    return ec == std::errc() && ptr == end && size >= 0;
}

} // namespace

void TQMRestoreFileListModel::clear() {
    ++generation_;
    directory_.clear();
    rows_.clear();
    reset();
}

void TQMRestoreFileListModel::setDirectory(const std::string& folder,
                                           const std::vector<TCatalogueFile>& files,
                                           const std::vector<std::string>& times,
                                           const std::vector<std::string>& sizes) {
    const int generation = ++generation_;
    directory_ = folder;
    std::vector<Row> rows;
    for (const TCatalogueFile& file : files) {
        Row row;
        row.name = file.path.substr(folder.size());
        row.index = file.index;
        if (file.index < times.size())
            row.hasDate = parseDateValue(times[file.index], row.date);
        if (file.index < sizes.size())
            row.hasSize = parseSize(sizes[file.index], row.size);
        rows.push_back(std::move(row));
        if (!serve(generation))
            return; // a newer fill took over while events ran
    }
    showRows(std::move(rows));
}

std::string TQMRestoreFileListModel::modifiedText(int row) const {
    return rows_[row].hasDate ? FileTimeText(rows_[row].date, datePatternText()) : std::string();
}

std::string TQMRestoreFileListModel::sizeText(int row) const {
    return rows_[row].hasSize ? FileSizeText(rows_[row].size) : std::string();
}

std::string TQMRestoreFileListModel::cellText(int row, int column) const {
    switch (column) {
    case ColName:
        return rows_[row].name;
    case ColModified:
        return modifiedText(row);
    default:
        return sizeText(row);
    }
}

TFileTickOwner* TQMRestoreFileListModel::tickOwner() const {
    return FolderTree;
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
        // Names that differ only in case ("a.txt", "A.TXT") are two files: the bytes
        // as written settle their order.
        if (const int names = compareNames(a.name, b.name); names != 0)
            return names;
        return a.name < b.name ? -1 : a.name > b.name ? 1 : 0;
    }
}

} // namespace qm
