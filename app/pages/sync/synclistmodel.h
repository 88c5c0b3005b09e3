#pragma once
// TSyncListModel: the rows of the Sync page's difference list lv_Sync without its
// widget. A comparison adds one row per file that differs: "red" (gone from the hard
// drive), "green" (the hard-drive file is newer), "blue" (the media copy is newer), and
// "grey" for a file that could not be read, which is listed so the user sees it but can
// never be ticked, so nothing is deleted or copied over a file nobody could look at.
// Each row carries its check box; the Sync button takes the ticked rows by kind.

#include "app/runs/syncrequest.h"
#include "platform/datetime.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qm {

enum class TSyncKind { Red, Green, Blue, Unreadable };

struct TSyncRow {
    std::string name;      // the path after its last backslash
    std::string mediaText; // catalogue date and time
    std::string hardText;  // hard-drive date and time, "Deleted" or "Unreadable"
    TSyncKind kind = TSyncKind::Red;
    std::string path;     // the source path as the catalogue holds it
    std::string sizeText; // the catalogue's size in bytes, decimal
    std::optional<TDateTime> mediaTime;
    std::optional<TDateTime> hardTime; // green and blue rows only
    // The hard-drive date as the comparison read it (packed DOS form); 0 for a file that
    // was gone. A run acts on a file only while it is still as the row shows it.
    uint32_t hardDos = 0;
    bool checked = false;
};

class TSyncListModel {
  public:
    static constexpr int kColumns = 8;
    static const char* const kDeleted;
    static const char* const kUnreadable;

    struct Colour {
        int red, green, blue;
    };

    // The column headers and widths (0: a hidden column that carries data).
    static const char* columnTitle(int column);
    static int columnWidth(int column);
    static const char* kindText(TSyncKind kind); // "red", "green", "blue", "grey"
    static Colour colour(TSyncKind kind);
    static bool checkable(TSyncKind kind) { return kind != TSyncKind::Unreadable; }

    const std::vector<TSyncRow>& rows() const { return rows_; }
    bool empty() const { return rows_.empty(); }
    // The text of a column: the caption, then sub-items 0 to 6 ("" where a row has none).
    std::string text(int row, int column) const;

    void clear();
    void add(TSyncRow row);
    // A row's check box; a grey row stays unticked.
    void setChecked(int row, bool checked);
    void checkAll(bool checked);
    TSyncLists ticked(TSyncKind kind) const;

    std::function<void()> onReset;             // rows cleared
    std::function<void(int row)> onRowAdding;  // row `row` is about to be appended
    std::function<void()> onRowAdded;          // and now it is there
    std::function<void(int row)> onRowChanged; // a check box changed

  private:
    std::vector<TSyncRow> rows_;
};

} // namespace qm
