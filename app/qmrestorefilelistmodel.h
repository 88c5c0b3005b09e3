#pragma once
// TQMRestoreFileListModel: the rules of the restore file list without its widget: the
// catalogue files of the folder selected in the restore tree, with their backup date and
// size from the tree's lists, sorted by the raw values, each with a tick that the tree
// records in its file tree. The tree is the caller's (not owned).

#include "app/filelisttexts.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qm {

class TQMRestoreTreeModel;

class TQMRestoreFileListModel {
  public:
    struct Row {
        std::string name;
        size_t index = 0; // catalogue record
        bool hasDate = false;
        TDateTime date = 0;
        bool hasSize = false;
        int64_t size = 0;
        bool checked = false;
    };

    enum Column { ColName = 0, ColModified = 1, ColSize = 2 };

    // The folder shown, with a trailing backslash. Assigning fills the list.
    const std::string& Directory() const { return directory_; }
    void setDirectory(const std::string& folder);
    void clear();

    const std::vector<Row>& rows() const { return rows_; }
    int generation() const { return generation_; }
    std::string modifiedText(int row) const;
    std::string sizeText(int row) const;

    void setChecked(int row, bool checked);
    // The user ticked or unticked a row; false when the tree refuses ticks just now.
    bool tick(int row, bool checked);
    int tickedCount() const;

    TListSortState sort;
    void columnClick(int column);
    const char* headerArrow(int column) const { return sort.arrow(column); }

    TDTFormat DateFormat() const { return dateFormat_; }
    void setDateFormat(TDTFormat format);

    TQMRestoreTreeModel* FolderTree = nullptr;
    std::function<void()> onReset;
    std::function<void(int row)> onRowChanged;
    std::function<void()> OnItemCheckStateChange;
    std::function<void()> servePending;

  private:
    void sortRows();
    int compare(const Row& a, const Row& b) const;

    std::string directory_;
    std::vector<Row> rows_;
    int generation_ = 0;
    TDTFormat dateFormat_ = TDTFormat::df_MMddyyyy;
    std::string datePattern_ = datePattern(TDTFormat::df_MMddyyyy);
};

} // namespace qm
