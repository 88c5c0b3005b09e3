#pragma once
// TQMFolderTreeModel: the selection tree of the Backup page without its widget: the
// folders of the source drives, read lazily (a drive's first level at Reload, a folder's
// subfolders when it is expanded or reached by a path), with the tick rules of
// TCheckTree. A node's path is the folder's DOS path, "C:\" for a drive and "C:\dir"
// (no trailing backslash) below it. It feeds its file list (not owned): selecting a
// folder shows its files with the ticks the file tree holds.

#include "app/trees/checktree.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qm {

class TQmFilelistModel;

class TQMFolderTreeModel : public TCheckTree {
  public:
    using DriveLister = std::function<std::vector<std::string>()>; // roots "X:\"
    // The label of a drive root or a folder path.
    using DisplayName = std::function<std::string(const std::string& dosPath, bool drive)>;

    explicit TQMFolderTreeModel(DriveLister drives = {});

    int StateIgnore() const { return stateIgnore_; }

    bool Active() const { return active_; }
    // True loads the drives once; false removes every node.
    void setActive(bool active);

    TQmFilelistModel* Filelist = nullptr;
    DisplayName displayName;

    // Rebuilds the drive nodes. The ticks of the folders still present are kept.
    void Reload();
    void AddSubFolders(TCheckNode* node, bool all);
    // The expanding handler: reads the subfolders and gives them the folder's state.
    void expand(TCheckNode* node);
    // Drops vanished folders and their file ticks, adds new subfolders.
    void RefreshFolders();
    void ClearSelection();
    void LoadSelection(const std::vector<std::string>& checked,
                       const std::vector<std::string>& grey);
    void LoadFileSelection(const std::vector<std::string>& files);
    // The node of a folder path, reading folders on the way: at each level the folder
    // spelled exactly so, else one equal to it but for case; null when a folder is
    // missing. A path shorter than 3 characters clears the selection.
    TCheckNode* FindFolderNode(const std::string& path);
    static std::string GetNodePath(const TCheckNode* node) { return node ? node->path : ""; }
    std::string chainPath(const TCheckNode* node) const override;

    // The states from the first root, pre-order, 32-bit little-endian each.
    std::vector<uint8_t> SaveStates() const;
    void LoadStates(const std::vector<uint8_t>& bytes);

  protected:
    void selectionChanged() override;
    TCheckNode* folderNode(const std::string& folder) override;

  private:
    void reloadNow();
    void refreshNow();
    void refreshNode(TCheckNode* node);
    void ShowFolderFiles();
    bool nothingTickedBelow(const TCheckNode* node) const;
    TCheckNode* childByPath(const TCheckNode* node, const std::string& path) const;
    std::string labelOf(const std::string& dosPath, bool drive) const;

    DriveLister drives_;
    bool active_ = false;
    bool refreshing_ = false;
    std::vector<std::string> loadedGrey_;
};

} // namespace qm
