#pragma once
// TQmFilelistModel: the rules of the Backup page's file list without its widget. It
// lists the files of one folder (every file, whatever its size), sorts them by the raw
// size and date, and hands a tick on a row to its folder tree, which records it in the
// file tree and settles the folder's state (TCheckFileList). It never changes the
// process's current folder. The folder tree (TQMFolderTreeModel, seen here as its
// TCheckTree) is the caller's (not owned).

#include "app/common/messagefn.h"
#include "app/trees/checkfilelist.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qm {

class TCheckTree;

struct TQmFileRow {
    std::string name;
    int64_t size = 0;
    std::string type;
    TDateTime modified = 0;
    bool hidden = false; // text drawn grey
    bool checked = false;
};

class TQmFilelistModel : public TCheckFileRows<TQmFileRow> {
  public:
    using Row = TQmFileRow;
    enum Column { ColName = 0, ColSize = 1, ColType = 2, ColModified = 3 };

    // Shows `path` when it is an existing folder other than the one shown (case
    // ignored); false when nothing changed.
    bool setDirectory(const std::string& path);
    // Reads the folder again.
    void ReadDirectory();
    // Reads the folder again and lets the tree put its ticks back: vanished files go,
    // new ones appear.
    void RemoveMissingFiles();

    std::string sizeText(int row) const { return FileSizeText(rows_[row].size); }
    std::string timeText(int row) const {
        return FileTimeText(rows_[row].modified, datePatternText());
    }
    std::string cellText(int row, int column) const override;
    bool rowGrey(int row) const override { return rows_[row].hidden; }

    // The row last clicked or left with an arrow key.
    std::string SelectedItem;
    void click(int row);
    bool DblClickToOpen = true;
    // Opens the row's file with the desktop; a failure is told through `message`.
    void open(int row);
    MessageFn message;
    std::function<bool(const std::string& dosPath)> opener; // ShellExecute unless set

    TCheckTree* FolderTree = nullptr;

  protected:
    TFileTickOwner* tickOwner() const override;
    int compare(const Row& a, const Row& b) const override;

  private:
    bool removing_ = false;
};

} // namespace qm
