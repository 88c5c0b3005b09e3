#pragma once
// TCheckFileList: what the file list beside the selection tree and the file lists beside
// the restore trees share, without widgets: the files of one folder with a tick each,
// sorted by a column (the column-click rule of TListSortState), the date format of their
// date column, and each tick on a row handed to the tree the list belongs to, which
// records it in its file tree and settles the folder. The list views and the trees see a
// list through this class; TCheckFileRows<Row> keeps the rows (`Row` has `name` and
// `checked`), and each list says what its other columns show and how they sort. The list
// sees its tree only as a TFileTickOwner; the tree is the caller's (not owned).

#include "app/trees/filelisttexts.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace qm {

// The tree a file list belongs to, as the list sees it: it may refuse ticks just now, and
// it records each tick on a file of `folder` (a path with its trailing backslash) and
// settles the folder from how many of the list's `rows` are ticked.
class TFileTickOwner {
  public:
    virtual ~TFileTickOwner() = default;
    virtual bool changeAllowed() const = 0;
    virtual void fileTicked(const std::string& folder, const std::string& name, bool checked,
                            int tickedRows, int rows) = 0;
};

class TCheckFileList {
  public:
    virtual ~TCheckFileList() = default;

    // The folder shown, with a trailing backslash.
    const std::string& Directory() const { return directory_; }
    // Counts every fill, so a walk over the rows can tell that they were replaced.
    int generation() const { return generation_; }

    virtual int rowCount() const = 0;
    virtual const std::string& rowName(int row) const = 0;
    virtual bool rowChecked(int row) const = 0;
    // The text of a cell; column 0 is the name.
    virtual std::string cellText(int row, int column) const = 0;
    // A row drawn in grey text (a hidden file).
    virtual bool rowGrey(int /*row*/) const { return false; }
    std::string fullPath(int row) const { return directory_ + rowName(row); }

    // The tick the tree gives a row (no tick handling).
    virtual void setChecked(int row, bool checked) = 0;
    // The user ticked or unticked a row. False when the tree refuses ticks just now.
    bool tick(int row, bool checked);
    int tickedCount() const;

    TListSortState sort;
    void columnClick(int column);
    const char* headerArrow(int column) const { return sort.arrow(column); }

    TDTFormat DateFormat() const { return dateFormat_; }
    void setDateFormat(TDTFormat format);

    std::function<void()> onReset;             // rows replaced or reordered
    std::function<void(int row)> onRowChanged; // a tick changed
    std::function<void()> OnItemCheckStateChange;
    std::function<void()> servePending;

  protected:
    // The tree the list belongs to, or null.
    virtual TFileTickOwner* tickOwner() const = 0;
    virtual void sortRows() = 0;
    void reset() const {
        if (onReset)
            onReset();
    }
    // Lets pending events run during a fill; false when a newer fill took over meanwhile.
    bool serve(int generation) {
        if (servePending)
            servePending();
        return generation_ == generation;
    }
    const std::string& datePatternText() const { return datePattern_; }

    std::string directory_;
    int generation_ = 0;

  private:
    TDTFormat dateFormat_ = TDTFormat::df_MMddyyyy;
    std::string datePattern_ = datePattern(TDTFormat::df_MMddyyyy);
};

template <class Row> class TCheckFileRows : public TCheckFileList {
  public:
    const std::vector<Row>& rows() const { return rows_; }

    int rowCount() const override { return static_cast<int>(rows_.size()); }
    const std::string& rowName(int row) const override { return rows_[row].name; }
    bool rowChecked(int row) const override { return rows_[row].checked; }
    void setChecked(int row, bool checked) override {
        if (row < 0 || row >= rowCount() || rows_[row].checked == checked)
            return;
        rows_[row].checked = checked;
        if (onRowChanged)
            onRowChanged(row);
    }

  protected:
    // An ascending comparison of two rows by the sort column.
    virtual int compare(const Row& a, const Row& b) const = 0;
    void sortRows() override {
        std::stable_sort(rows_.begin(), rows_.end(), [this](const Row& a, const Row& b) {
            return sort.directed(compare(a, b)) < 0;
        });
        reset();
    }
    // The rows of a new fill, in name order: ascending when names were already the sort,
    // else descending.
    void showRows(std::vector<Row> rows) {
        rows_ = std::move(rows);
        sort.Reversed = true;
        sort.columnClick(0);
        sortRows();
    }

    std::vector<Row> rows_;
};

} // namespace qm
