#pragma once
// TRevisionWindowModel: the rules of the revision window without its widgets. It holds
// the caller's revision list (not a copy), makes one row per file that has two or more
// versions, sorts that file's dates oldest first, and keeps the chosen version of each
// row as an index into its dates. OK writes the chosen version's date value into the
// list's first date, exactly as it was read from the media, never a text parsed back.

#include "engine/revisionlist.h"

#include <string>
#include <vector>

namespace qm {

class TRevisionWindowModel {
  public:
    struct Row {
        std::size_t file;             // index in the revision list
        std::vector<TDateTime> dates; // the file's versions, oldest first (at most 20)
        int chosen = 0;               // index into dates
        int count() const { return static_cast<int>(dates.size()); }
    };

    explicit TRevisionWindowModel(TRevisionFileList& list);

    // Builds the rows and sorts each listed file's dates in place (files with one or no
    // version keep their data untouched).
    void Prepare();
    const std::vector<Row>& rows() const { return rows_; }

    std::string fileText(std::size_t row) const;
    // The dates of a row as shown: short date and long time, oldest first.
    std::vector<std::string> dateTexts(std::size_t row) const;
    std::string chosenText(std::size_t row) const;

    void choose(std::size_t row, int dateIndex);
    void SelectOldest();
    void SelectNewest();
    // OK: every row's chosen date becomes its file's first date.
    void apply();

  private:
    TRevisionFileList& list_;
    std::vector<Row> rows_;
};

} // namespace qm
