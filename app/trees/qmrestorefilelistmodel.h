#pragma once
// TQMRestoreFileListModel: the rules of the restore file list without its widget: the
// catalogue files of the folder selected in the restore tree, with their backup date and
// size from the tree's lists, sorted by the raw values, each with a tick that the tree
// records in its file tree (TCheckFileList). The tree fills the list; the list sees the
// tree (TQMRestoreTreeModel) only as its TCheckTree. The tree is the caller's (not owned).

#include "app/trees/checkfilelist.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qm {

class TCheckTree;

// A file of a media drive's catalogue.
struct TCatalogueFile {
    std::string path; // the source path as the catalogue holds it
    size_t index = 0; // its record: line `index` of the catalogue's date and size lists
};

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

    // Assigning the folder shown (a node path with its trailing backslash) fills the list
    // with `files`, the catalogue files directly in it; `times` and `sizes` are the
    // catalogue's date and size lines by record.
    void setDirectory(const std::string& folder, const std::vector<TCatalogueFile>& files,
                      const std::vector<std::string>& times, const std::vector<std::string>& sizes);
    void clear();

    std::string modifiedText(int row) const;
    std::string sizeText(int row) const;
    std::string cellText(int row, int column) const override;

    TCheckTree* FolderTree = nullptr;

  protected:
    TFileTickOwner* tickOwner() const override;
    int compare(const Row& a, const Row& b) const override;
};

} // namespace qm
