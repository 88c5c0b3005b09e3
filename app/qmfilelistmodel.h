#pragma once
// TQmFilelistModel: the rules of the Backup page's file list without its widget. It
// lists the files of one folder (every file, whatever its size), sorts them by the raw
// size and date, and hands a tick on a row to its folder tree, which records it in the
// file tree and settles the folder's state. It never changes the process's current
// folder. The folder tree is the caller's (not owned).

#include "app/filelisttexts.h"
#include "app/messagefn.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qm {

class TQMFolderTreeModel;

class TQmFilelistModel {
  public:
    struct Row {
        std::string name;
        int64_t size = 0;
        std::string type;
        TDateTime modified = 0;
        bool hidden = false; // text drawn grey
        bool checked = false;
    };

    enum Column { ColName = 0, ColSize = 1, ColType = 2, ColModified = 3 };

    TQmFilelistModel();

    // The folder shown, always with a trailing backslash.
    const std::string& Directory() const { return directory_; }
    // Shows `path` when it is an existing folder other than the one shown (case
    // ignored); false when nothing changed.
    bool setDirectory(const std::string& path);
    // Reads the folder again.
    void ReadDirectory();
    // Reads the folder again and lets the tree put its ticks back: vanished files go,
    // new ones appear.
    void RemoveMissingFiles();

    const std::vector<Row>& rows() const { return rows_; }
    // Counts every re-read, so a walk over the rows can tell that they were replaced.
    int generation() const { return generation_; }
    std::string sizeText(int row) const { return FileSizeText(rows_[row].size); }
    std::string timeText(int row) const { return FileTimeText(rows_[row].modified, datePattern_); }
    std::string fullPath(int row) const { return directory_ + rows_[row].name; }

    // The tick the folder tree gives a row (no tick handling).
    void setChecked(int row, bool checked);
    // The user ticked or unticked a row. False when the tree refuses ticks just now.
    bool tick(int row, bool checked);
    int tickedCount() const;

    TListSortState sort;
    void columnClick(int column);
    const char* headerArrow(int column) const { return sort.arrow(column); }

    TDTFormat DateFormat() const { return dateFormat_; }
    void setDateFormat(TDTFormat format);

    // The row last clicked or left with an arrow key.
    std::string SelectedItem;
    void click(int row);
    bool DblClickToOpen = true;
    // Opens the row's file with the desktop; a failure is told through `message`.
    void open(int row);
    MessageFn message;
    std::function<bool(const std::string& dosPath)> opener; // ShellExecute unless set

    TQMFolderTreeModel* FolderTree = nullptr;
    std::function<void()> onReset;             // rows replaced or reordered
    std::function<void(int row)> onRowChanged; // a tick changed
    std::function<void()> OnItemCheckStateChange;
    std::function<void()> servePending;

  private:
    void sortRows();
    int compare(const Row& a, const Row& b) const;

    std::string directory_;
    std::vector<Row> rows_;
    int generation_ = 0;
    TDTFormat dateFormat_ = TDTFormat::df_MMddyyyy;
    std::string datePattern_;
    bool removing_ = false;
};

} // namespace qm
