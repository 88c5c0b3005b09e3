#include "app/runwindows/revisionwindowmodel.h"

#include "app/stores/activityrecord.h"

#include <algorithm>

namespace qm {

TRevisionWindowModel::TRevisionWindowModel(TRevisionFileList& list) : list_(list) {}

void TRevisionWindowModel::Prepare() {
    rows_.clear();
    for (std::size_t i = 0; i < list_.size(); ++i) {
        TRevisionLst& file = list_[i];
        const int count = std::clamp(file.Count, 0, kMaxRevisionDates);
        if (count < 2)
            continue;
        // An exchange sort: equal dates stay where they are.
        for (int a = 0; a < count - 1; ++a)
            for (int b = a + 1; b < count; ++b)
                if (file.Dates[static_cast<std::size_t>(a)] >
                    file.Dates[static_cast<std::size_t>(b)])
                    std::swap(file.Dates[static_cast<std::size_t>(a)],
                              file.Dates[static_cast<std::size_t>(b)]);
        rows_.push_back({i, {file.Dates.begin(), file.Dates.begin() + count}, 0});
    }
}

std::string TRevisionWindowModel::fileText(std::size_t row) const {
    return list_[rows_[row].file].Path;
}

std::vector<std::string> TRevisionWindowModel::dateTexts(std::size_t row) const {
    std::vector<std::string> texts;
    for (TDateTime date : rows_[row].dates)
        texts.push_back(RecordDateText(date));
    return texts;
}

std::string TRevisionWindowModel::chosenText(std::size_t row) const {
    return RecordDateText(rows_[row].dates[static_cast<std::size_t>(rows_[row].chosen)]);
}

void TRevisionWindowModel::choose(std::size_t row, int dateIndex) {
    if (row < rows_.size() && dateIndex >= 0 && dateIndex < rows_[row].count())
        rows_[row].chosen = dateIndex;
}

void TRevisionWindowModel::SelectOldest() {
    for (Row& row : rows_)
        row.chosen = 0;
}

void TRevisionWindowModel::SelectNewest() {
    for (Row& row : rows_)
        row.chosen = row.count() - 1;
}

void TRevisionWindowModel::apply() {
    for (const Row& row : rows_)
        list_[row.file].Dates[0] = row.dates[static_cast<std::size_t>(row.chosen)];
}

} // namespace qm
