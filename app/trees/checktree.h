#pragma once
// TCheckTree: the tri-state tick rules that the selection tree and the restore tree
// share, without widgets. A node's state is 1 (unchecked), 2 (checked: everything below
// it, present and future) or 3 (partly checked); ticks on single files live in the
// tree's file tree (TBackgrndTreeView). The tree owns its nodes and its file tree.
//
// Long walks let pending events run (servePending). While one runs, clicks are refused
// and anything that would free nodes or file-tree nodes is held back (walks()); once the
// last walk ends it is posted (the view posts it to the event loop, a test runs it with
// runDeferred()), never run under a caller that may still hold a node. Views follow the
// nodes through a TCheckTreeObserver.

#include "app/common/busyguard.h"
#include "app/trees/backgrndtreeview.h"
#include "app/trees/checkfilelist.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qm {

struct TCheckNode {
    enum class Kind { Drive, Folder };

    std::string text; // the label
    std::string path; // the folder the node stands for (each tree says how it is written)
    int state = 1;
    bool bold = false;
    bool hidden = false;      // a hidden or system folder: grey label
    bool hasChildren = false; // expand button shown before the children are read
    Kind kind = Kind::Folder;
    TCheckNode* parent = nullptr;
    std::vector<std::unique_ptr<TCheckNode>> children;
    int row = 0; // index among its siblings

    int level() const;
    bool showsButton() const { return hasChildren || !children.empty(); }
};

class TCheckTreeObserver {
  public:
    virtual ~TCheckTreeObserver() = default;
    virtual void beginInsert(TCheckNode* parent, int row) = 0;
    virtual void endInsert() = 0;
    virtual void beginRemove(TCheckNode* node) = 0;
    virtual void endRemove() = 0;
    virtual void beginReset() = 0;
    virtual void endReset() = 0;
    virtual void nodeChanged(TCheckNode* node) = 0;
};

class TCheckTree : public TFileTickOwner {
  public:
    static constexpr int kUnchecked = 1;
    static constexpr int kChecked = 2;
    static constexpr int kGrey = 3;

    using BusyEvent = std::function<void(bool show, int a, int b, int page)>;

    TCheckTree();
    ~TCheckTree() override;
    TCheckTree(const TCheckTree&) = delete;
    TCheckTree& operator=(const TCheckTree&) = delete;

    const std::vector<std::unique_ptr<TCheckNode>>& roots() const { return roots_; }
    TCheckNode* firstRoot() const { return roots_.empty() ? nullptr : roots_.front().get(); }
    int nodeCount() const { return nodeCount_; }
    TBackgrndTreeView& fileTree() { return fileTree_; }
    const TBackgrndTreeView& fileTree() const { return fileTree_; }
    // The file-tree path of a node's folder ("C:\dir", no trailing backslash).
    virtual std::string chainPath(const TCheckNode* node) const = 0;

    // Tick rules.
    void SetNodeState(TCheckNode* node);
    void PushStateDown(TCheckNode* node);
    void UpdateParentState(TCheckNode* node);
    void ApplyCheckedStates(TCheckNode* node);
    // A click on a node's check box (or Space on it): 1 goes to 2, 2 and 3 to 1. False
    // when clicks are refused (a walk runs, or the guard is down).
    bool click(TCheckNode* node);
    bool changeAllowed() const override { return changeGuard_ && !walks_.busy(); }
    // Every node agrees with what lies below it: 2 means every child and every ticked
    // file of the folder is 2, 1 means all of them are 1, 3 means something below is
    // ticked. On failure `problem` names the node.
    bool isConsistent(std::string* problem = nullptr) const;

    // The selected node (the view's current one); selecting raises the selection
    // change handling (the file list follows).
    TCheckNode* selected() const { return selected_; }
    void select(TCheckNode* node);
    // Told whenever the selected node changes, also when the tree moves the selection
    // itself (the selected folder vanished, the drives were read again); views follow.
    std::function<void(TCheckNode*)> onSelect;
    void NotifyChange() { selectionChanged(); }

    std::function<void()> OnNodeStateChange;
    BusyEvent OnBusy;
    // Lets pending events run; called at the points where long walks yield.
    std::function<void()> servePending;
    void setObserver(TCheckTreeObserver* observer) { observer_ = observer; }
    TBusyGuard& walks() { return walks_; }
    // How held-back work is posted once the walks are over; none: the tree's own queue.
    void setScheduler(TBusyGuard::Scheduler scheduler);
    // Runs what was held back and posted to the tree's own queue (when no view posts it
    // to an event loop instead).
    void runDeferred();

    // For views and tests: the node of a chain of labels, or null.
    TCheckNode* nodeByLabels(const std::vector<std::string>& labels) const;

    // The file list's tick on file `name` of `folder` (a path with its trailing
    // backslash): records it and settles the folder from how many of its `rows` are
    // ticked.
    void fileTicked(const std::string& folder, const std::string& name, bool checked,
                    int tickedRows, int rows) override;

  protected:
    virtual void selectionChanged() = 0;
    // The node of a folder path (with its trailing backslash), or null.
    virtual TCheckNode* folderNode(const std::string& folder) = 0;
    // Gives the rows of `list`, which shows the files of `node`, the ticks the file tree
    // holds for them: a file seen for the first time is ticked only when its whole folder
    // is, and a folder ticked or unticked as a whole takes its files along. Stops when the
    // list is filled again or another node is selected while events run.
    void showFileTicks(TCheckNode* node, TCheckFileList& list);

    TCheckNode* insertNode(TCheckNode* parent, int row, std::unique_ptr<TCheckNode> node);
    void removeNode(TCheckNode* node);
    void clearNodes();
    void setState(TCheckNode* node, int state);
    void setStateAndWeight(TCheckNode* node, int state, bool bold);
    void setFileStates(const TCheckNode* node, int state);
    void setHasChildren(TCheckNode* node);
    void pump();
    std::vector<TCheckNode*> childrenOf(const TCheckNode* node) const;
    void raiseBusy(bool show, int a, int b, int page);

    int stateIgnore_ = 0;
    bool changeGuard_ = true;

  private:
    bool consistent(const TCheckNode* node, std::string* problem) const;

    std::vector<std::unique_ptr<TCheckNode>> roots_;
    TBackgrndTreeView fileTree_;
    TCheckTreeObserver* observer_ = nullptr;
    TCheckNode* selected_ = nullptr;
    int nodeCount_ = 0;
    TBusyGuard walks_;
    std::vector<std::function<void()>> posted_;
};

} // namespace qm
