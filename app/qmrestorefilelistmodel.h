#pragma once
// TQMRestoreFileListModel: the rules of the restore file list without its widget: the
// catalogue files of the folder selected in the restore tree, with their backup date and
// size from the tree's lists, sorted by the raw values, each with a tick that the tree
// records in its file tree (TCheckFileList). The tree is the caller's (not owned).

#include "app/checkfilelist.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qm {

class TQMRestoreTreeModel;

struct TRestoreFileRow {
    std::string name;
    size_t index = 0; // catalogue record
    bool hasDate = false;
    TDateTime date = 0;
    bool hasSize = false;
    int64_t size = 0;
    bool checked = false;
};

class TQMRestoreFileListModel : public TCheckFileRows<TRestoreFileRow> {
  public:
    using Row = TRestoreFileRow;
    enum Column { ColName = 0, ColModified = 1, ColSize = 2 };

    // Assigning the folder shown (a node path with its trailing backslash) fills the list.
    void setDirectory(const std::string& folder);
    void clear();

    std::string modifiedText(int row) const;
    std::string sizeText(int row) const;
    std::string cellText(int row, int column) const override;

    TQMRestoreTreeModel* FolderTree = nullptr;

  protected:
    TFileTickOwner* tickOwner() const override;
    int compare(const Row& a, const Row& b) const override;
};

} // namespace qm
