#pragma once
// TQMRestoreTreeModel: the restore tree of the Restore and Sync pages without its
// widget. It is built from a media drive's catalogue lists alone (PathList lines
// "path*index", TimeList and SizeList lines by record index, as the engine's
// ListDriveFiles gives them); nothing here reads the disk. Folders are nodes (paths end
// in a backslash: "C:\docs\"), files are not; ticks on single files live in the file
// tree. Names are kept as the catalogue spells them: "Docs" and "docs" are two folders,
// "a.txt" and "A.TXT" two files. Paths sort name by name on their upper-cased bytes,
// then on the bytes as written, so a folder's files always form one run and twins that
// differ only in case sit side by side. Lines that do not name a file by a drive letter,
// ":\" and plain components are skipped and logged. Owns its lists; the file list it
// feeds is the caller's.

#include "app/trees/checktree.h"
#include "app/trees/qmrestorefilelistmodel.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace qm {

class TQMRestoreTreeModel : public TCheckTree {
  public:
    using CatalogueFile = TCatalogueFile; // `index`: its line of TimeList and SizeList

    TQMRestoreTreeModel();

    std::vector<std::string> PathList;
    std::vector<std::string> TimeList;
    std::vector<std::string> SizeList;

    bool Active() const { return active_; }
    // True only marks the tree active (Rebuild fills it); false removes every node.
    void setActive(bool active);
    // Builds the drive nodes and two levels below them from PathList. The tree reads its
    // paths from PathList's lines from then on: they change only through clear().
    void Rebuild();
    // What a page says when the catalogue of Drive does not fit in memory (the tree is
    // then left empty).
    static std::string TooLargeMessage(const std::string& Drive);
    // Empties the tree, its file tree, its lists and its file list (leaving the page).
    void clear();
    // The expanding handler: builds the next levels below the node.
    void expand(TCheckNode* node);

    static std::string GetNodePath(const TCheckNode* node) { return node ? node->path : ""; }
    std::string chainPath(const TCheckNode* node) const override;
    // Appends the source path of every catalogue file at any depth below the node.
    void GetFilesUnder(const TCheckNode* node, std::vector<std::string>& list) const;
    std::vector<CatalogueFile> filesUnder(const TCheckNode* node) const;
    // The files directly in `folder` (a node path with its trailing backslash).
    std::vector<CatalogueFile> filesIn(const std::string& folder) const;
    // Every ticked file in tree order: all files of a ticked folder, the ticked files of a
    // partly ticked folder, then what its subfolders hold.
    std::vector<CatalogueFile> CheckedFiles() const;

    TQMRestoreFileListModel* RestoreFileList = nullptr;
    // Receives one line per catalogue line that was skipped; stderr unless set.
    std::function<void(const std::string& line)> log;
    size_t skippedLines() const { return skipped_; }

  protected:
    void selectionChanged() override;
    TCheckNode* folderNode(const std::string& folder) override;

  private:
    // A file of the catalogue: its source path is the start of PathList line `line`
    // (`length` bytes, before the "*"), its record number `index`. No path is copied, so
    // the tree costs little more than the lines themselves.
    struct Entry {
        size_t line = 0;
        size_t length = 0;
        size_t index = 0;
    };
    std::string_view pathOf(const Entry& e) const {
        return std::string_view(PathList[e.line]).substr(0, e.length);
    }

    void rebuildNow();
    void parseLines();
    // The entries whose path starts with `prefix` as spelt (the drive letter in any case).
    std::pair<size_t, size_t> range(const std::string& prefix) const;
    void buildChildren(TCheckNode* node);
    // The node of `folder` spelt exactly, or (not `exact`) in any case.
    TCheckNode* nodeByPath(const std::string& folder, bool exact) const;
    void collectChecked(const TCheckNode* node, std::vector<CatalogueFile>& out) const;
    void ShowFolderFiles();

    std::vector<Entry> entries_;
    std::unordered_set<const TCheckNode*> built_;
    bool rootsBuilt_ = false;
    bool active_ = false;
    size_t skipped_ = 0;
};

} // namespace qm
