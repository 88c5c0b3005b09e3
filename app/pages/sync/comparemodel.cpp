#include "app/pages/sync/comparemodel.h"

#include "app/trees/filelisttexts.h"
#include "app/trees/qmrestoretreemodel.h"
#include "engine/catalogpathlist.h"
#include "engine/indexline.h"
#include "platform/anyspelling.h"
#include "platform/fileio.h"

#include <cmath>
#include <unordered_set>

namespace qm {

const char* const TCompareModel::kNothingToCompare = "Nothing to compare. Please select files.";
const char* const TCompareModel::kNoDifferences = "No file differences were found.";

namespace {

// The catalogue's source paths by record, from the tree's "path*index" lines (split at
// the last "*", as a path may hold one). A line that names no record within the list is
// left out.
void cataloguePaths(const std::vector<std::string>& lines, TCatalogPathList& list) {
    std::vector<std::string> byRecord(lines.size());
    for (const std::string& line : lines) {
        const std::optional<TIndexLine> split = SplitIndexLine(line);
        if (split && split->index < lines.size())
            byRecord[split->index] = split->path;
    }
    list = std::move(byRecord);
}

std::string fileName(const std::string& path) {
    const size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

const std::string& lineOr(const std::vector<std::string>& list, size_t index) {
    static const std::string none;
    return index < list.size() ? list[index] : none;
}

} // namespace

TCompareModel::TCompareModel(TQMRestoreTreeModel& tree, TSyncListModel& list, MessageFn message)
    : tree_(tree), list_(list), message_(std::move(message)) {}

void TCompareModel::setOperation(const char* text) {
    operation_ = text;
    if (hooks_.changed)
        hooks_.changed();
}

void TCompareModel::pump() {
    if (hooks_.processMessages)
        hooks_.processMessages();
}

std::optional<TSyncRow> TCompareModel::CompareFiles(const std::string& path,
                                                    const std::string& timeText,
                                                    const std::string& sizeText) {
    TSyncRow row;
    row.name = fileName(path);
    row.path = path;
    row.sizeText = sizeText;
    TDateTime media = 0;
    const bool mediaKnown = parseDateValue(timeText, media);
    if (mediaKnown) {
        row.mediaTime = media;
        row.mediaText = formatDateTime(media);
    }
    FileStatus status = fileStatus(path);
    if (status.kind == FileStatus::Kind::Missing) {
        // "Deleted" lets Sync delete the backups: only when no spelling of the path
        // names a file. A file whose folder was renamed in case is compared as it is
        // now; when it differs, a sync under the catalogue's spelling would act beside
        // it, not on it, so the row is one to look at, not to tick.
        const std::optional<std::string> other = findFileAnyCase(path);
        if (!other) {
            row.kind = TSyncKind::Red;
            row.hardText = TSyncListModel::kDeleted;
            return row;
        }
        status = fileStatus(*other);
        if (status.kind == FileStatus::Kind::Present && mediaKnown &&
            std::fabs(dosToDateTime(status.dosDateTime) - media) <= kTolerance)
            return std::nullopt;
        status.kind = FileStatus::Kind::Unreadable;
    }
    if (status.kind == FileStatus::Kind::Unreadable || !mediaKnown) {
        row.kind = TSyncKind::Unreadable;
        row.hardText = TSyncListModel::kUnreadable;
        return row;
    }
    const TDateTime hard = dosToDateTime(status.dosDateTime);
    if (std::fabs(hard - media) <= kTolerance)
        return std::nullopt;
    row.kind = hard <= media ? TSyncKind::Blue : TSyncKind::Green;
    row.hardTime = hard;
    row.hardDos = status.dosDateTime;
    row.hardText = formatDateTime(hard);
    return row;
}

void TCompareModel::FormActivate() {
    if (started_)
        return;
    started_ = true;
    list_.clear();
    pump();
    count_ = 0;
    setOperation("Collecting files and folders...");
    walk();
    if (cancelled_) {
        setOperation("Canceled by user");
        buttonsShown_ = false;
        busy_ = false;
        if (hooks_.changed)
            hooks_.changed();
        return;
    }
    if (count_ == 0) {
        message_(kMsgOk, kNothingToCompare);
        busy_ = false;
        return;
    }
    setOperation("Comparing files...");
    busy_ = false;
    if (list_.empty())
        message_(kMsgOk, kNoDifferences);
}

void TCompareModel::walk() {
    // While the walk lets events run, the tree refuses clicks and holds back rebuilds:
    // the files and lists read here stay as they are until it ends.
    TBusyGuard::Scope holding(tree_.walks());
    const std::vector<TQMRestoreTreeModel::CatalogueFile> files = tree_.CheckedFiles();
    pump();
    if (files.empty() || cancelled_)
        return;
    TCatalogPathList catalogue;
    cataloguePaths(tree_.PathList, catalogue);
    std::unordered_set<size_t> compared;
    setOperation("Comparing files...");
    for (const TQMRestoreTreeModel::CatalogueFile& file : files) {
        if (cancelled_)
            return;
        // The record a restore or a delete of this path would act on.
        const size_t record = catalogue.Find(file.path).value_or(file.index);
        if (!compared.insert(record).second)
            continue;
        if (auto row = CompareFiles(file.path, lineOr(tree_.TimeList, record),
                                    lineOr(tree_.SizeList, record)))
            list_.add(std::move(*row));
        ++count_;
        if (hooks_.changed)
            hooks_.changed();
        pump();
    }
}

void TCompareModel::Timer1Timer() {
    if (!busy_ && hooks_.close)
        hooks_.close();
}

void TCompareModel::Imr_CancelClick() {
    cancelled_ = true;
    if (hooks_.close)
        hooks_.close();
}

void TCompareModel::ImageRegion2Click() {
    if (hooks_.close)
        hooks_.close();
}

} // namespace qm
