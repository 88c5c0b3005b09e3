#include "app/trees/qmfoldertreemodel.h"

#include "app/drives/treedrives.h"
#include "app/trees/qmfilelistmodel.h"
#include "platform/casefold.h"
#include "platform/dospath.h"
#include "platform/driveinfo.h"
#include "platform/fileio.h"
#include "platform/pathtools.h"

#include <algorithm>
#include <set>

namespace qm {

namespace {

constexpr size_t kBusyEntries = 250;
constexpr int kContentsPage = 4;

std::string defaultLabel(const std::string& dosPath, bool drive) {
    return drive ? driveDisplayName(queryDrive(dosPath[0])) : extractFileName(dosPath);
}

// The ticked folders of the tree, as the selection files hold them.
void collectTicks(const TCheckNode* node, std::vector<std::string>& checked,
                  std::vector<std::string>& grey) {
    if (node->state == TCheckTree::kChecked) {
        checked.push_back(node->path);
        return;
    }
    if (node->state == TCheckTree::kGrey)
        grey.push_back(node->path);
    for (const auto& child : node->children)
        collectTicks(child.get(), checked, grey);
}

void putInt32(std::vector<uint8_t>& out, int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

} // namespace

TQMFolderTreeModel::TQMFolderTreeModel(DriveLister drives)
    : displayName(defaultLabel), drives_(drives ? std::move(drives) : DriveLister(GetTreeDrives)) {}

std::string TQMFolderTreeModel::chainPath(const TCheckNode* node) const {
    return excludeTrailingBackslash(node->path);
}

std::string TQMFolderTreeModel::labelOf(const std::string& dosPath, bool drive) const {
    std::string label = displayName ? displayName(dosPath, drive) : std::string();
    return label.empty() ? defaultLabel(dosPath, drive) : label;
}

void TQMFolderTreeModel::setActive(bool active) {
    if (active == active_)
        return;
    active_ = active;
    if (active_) {
        Reload();
        return;
    }
    walks().runOrDefer("reload", [this] { clearNodes(); });
}

void TQMFolderTreeModel::Reload() {
    if (active_)
        walks().runOrDefer("reload", [this] { reloadNow(); });
}

void TQMFolderTreeModel::reloadNow() {
    if (!active_)
        return;
    // The drives change under the user's ticks: keep them for every folder still there.
    std::vector<std::string> checked;
    std::vector<std::string> grey;
    for (const auto& root : roots())
        collectTicks(root.get(), checked, grey);
    const std::string selectedPath = GetNodePath(selected());
    clearNodes();
    TBusyGuard::Scope walk(walks());
    for (const std::string& root : drives_()) {
        auto node = std::make_unique<TCheckNode>();
        node->text = labelOf(root, true);
        node->path = root;
        node->kind = TCheckNode::Kind::Drive;
        TCheckNode* added = insertNode(nullptr, static_cast<int>(roots().size()), std::move(node));
        AddSubFolders(added, true);
    }
    if (!checked.empty() || !grey.empty())
        LoadSelection(checked, grey);
    if (!selectedPath.empty())
        if (TCheckNode* again = FindFolderNode(selectedPath))
            select(again);
}

void TQMFolderTreeModel::AddSubFolders(TCheckNode* node, bool all) {
    if (!node)
        return;
    TBusyGuard::Scope walk(walks());
    const std::string path = excludeTrailingBackslash(node->path);
    // Names as the disk spells them: a folder that differs from a known one only in case
    // is a folder of its own.
    std::set<std::string> known;
    for (const auto& child : node->children)
        known.insert(extractFileName(child->path));
    std::vector<std::string> names;
    for (std::string& name : listSubfolders(path + "\\").names) {
        if (upperCaseDos(name) == "RECYCLED" || known.count(name))
            continue;
        names.push_back(std::move(name));
    }
    if (names.empty())
        return;
    if (!all) {
        setHasChildren(node);
        return;
    }
    struct Pending {
        std::string name;
        std::string label;
    };
    std::vector<Pending> pending;
    for (std::string& name : names)
        pending.push_back({name, labelOf(path + "\\" + name, false)});
    auto byLabel = [](const std::string& a, const std::string& b) {
        return upperCaseDos(a) < upperCaseDos(b);
    };
    std::sort(pending.begin(), pending.end(),
              [&](const Pending& a, const Pending& b) { return byLabel(a.label, b.label); });
    for (Pending& p : pending) {
        auto child = std::make_unique<TCheckNode>();
        child->text = p.label.empty() ? p.name : p.label;
        child->path = path + "\\" + p.name;
        child->hidden = p.name[0] == '.';
        // The parent's state reaches the new folder: a ticked folder means its future
        // subfolders too.
        if (node->state == kUnchecked || node->state == kChecked) {
            child->state = node->state;
            child->bold = node->state == kChecked;
        }
        const auto at =
            std::upper_bound(node->children.begin(), node->children.end(), child->text,
                             [&](const std::string& label, const std::unique_ptr<TCheckNode>& n) {
                                 return byLabel(label, n->text);
                             });
        TCheckNode* added =
            insertNode(node, static_cast<int>(at - node->children.begin()), std::move(child));
        AddSubFolders(added, false);
        pump();
    }
}

void TQMFolderTreeModel::expand(TCheckNode* node) {
    AddSubFolders(node, true);
    PushStateDown(node);
}

void TQMFolderTreeModel::RefreshFolders() {
    walks().runOrDefer("refresh", [this] { refreshNow(); });
}

void TQMFolderTreeModel::refreshNow() {
    if (refreshing_)
        return;
    refreshing_ = true;
    TCheckNode* const before = selected();
    {
        TBusyGuard::Scope walk(walks());
        for (TCheckNode* root : childrenOf(nullptr))
            refreshNode(root);
    }
    refreshing_ = false;
    if (selected() != before)
        NotifyChange();
}

void TQMFolderTreeModel::refreshNode(TCheckNode* node) {
    if (!folderExists(node->path)) {
        // The folder is gone: it leaves the tree with its file ticks before its parent
        // is settled again, so the parent is judged by what is still there.
        TCheckNode* parent = node->parent;
        fileTree().RemovePath(chainPath(node));
        removeNode(node);
        if (parent)
            UpdateParentState(parent);
        return;
    }
    if (!node->children.empty()) {
        AddSubFolders(node, true); // folders made since it was read
        PushStateDown(node);
    } else if (!node->hasChildren) {
        // A leaf is read again only when it really has a subfolder now.
        if (!listSubfolders(node->path + (node->path.back() == '\\' ? "" : "\\"), 1)
                 .names.empty()) {
            AddSubFolders(node, true);
            PushStateDown(node);
        }
    }
    for (TCheckNode* child : childrenOf(node))
        refreshNode(child);
}

void TQMFolderTreeModel::ClearSelection() {
    TBusyGuard::Scope walk(walks());
    std::vector<TCheckNode*> all;
    std::vector<TCheckNode*> pending = childrenOf(nullptr);
    while (!pending.empty()) {
        TCheckNode* node = pending.back();
        pending.pop_back();
        all.push_back(node);
        for (TCheckNode* child : childrenOf(node))
            pending.push_back(child);
    }
    for (TCheckNode* node : all) {
        setStateAndWeight(node, kUnchecked, false);
        pump();
    }
    fileTree().ClearStates();
    loadedGrey_.clear();
}

TCheckNode* TQMFolderTreeModel::childByPath(const TCheckNode* node, const std::string& path) const {
    // "Docs" and "docs" can be two folders side by side: the exact name wins, and only
    // a path no folder spells so finds one that differs in case.
    TCheckNode* folded = nullptr;
    for (const auto& child : node->children) {
        if (child->path == path)
            return child.get();
        if (!folded && sameTextFolded(child->path, path))
            folded = child.get();
    }
    return folded;
}

TCheckNode* TQMFolderTreeModel::FindFolderNode(const std::string& path) {
    if (path.size() < 3) {
        select(nullptr);
        return nullptr;
    }
    const std::vector<std::string> components = SplitPath(excludeTrailingBackslash(path));
    if (components.empty())
        return nullptr;
    TCheckNode* node = nullptr;
    for (const auto& root : roots())
        if (sameTextDos(root->path, components[0] + "\\"))
            node = root.get();
    for (size_t i = 1; node && i < components.size(); ++i) {
        const std::string wanted = chainPath(node) + "\\" + components[i];
        const bool wasRead = !node->children.empty();
        if (!wasRead)
            AddSubFolders(node, true);
        TCheckNode* child = childByPath(node, wanted);
        if ((!child || child->path != wanted) && wasRead) { // made after the folder was read
            AddSubFolders(node, true);
            child = childByPath(node, wanted);
        }
        node = child;
    }
    return node;
}

void TQMFolderTreeModel::LoadSelection(const std::vector<std::string>& checked,
                                       const std::vector<std::string>& grey) {
    TBusyGuard::Scope walk(walks());
    for (const std::string& path : checked) {
        if (folderExists(path))
            if (TCheckNode* node = FindFolderNode(path)) {
                setState(node, kChecked);
                PushStateDown(node);
                if (node->parent)
                    UpdateParentState(node->parent);
            }
        pump();
    }
    for (const std::string& path : grey) {
        if (folderExists(path))
            if (TCheckNode* node = FindFolderNode(path)) {
                setState(node, kGrey);
                if (node->parent)
                    UpdateParentState(node->parent);
                loadedGrey_.push_back(node->path);
            }
        pump();
    }
}

bool TQMFolderTreeModel::nothingTickedBelow(const TCheckNode* node) const {
    for (const auto& child : node->children)
        if (child->state == kChecked || child->state == kGrey)
            return false;
    for (const auto* file : TBackgrndTreeView::files(fileTree().FindPath(chainPath(node), {})))
        if (file->state == kChecked)
            return false;
    return true;
}

void TQMFolderTreeModel::LoadFileSelection(const std::vector<std::string>& files) {
    TBusyGuard::Scope walk(walks());
    std::vector<std::string> folders;
    for (const std::string& path : files) {
        if (fileExists(path)) {
            TBackgrndTreeView::Node* folder = fileTree().AddPath(extractFileDir(path));
            TBackgrndTreeView::Node* file = fileTree().AddFile(folder, extractFileName(path));
            file->state = kChecked;
            folders.push_back(extractFileDir(path));
        }
        pump();
    }
    // A ticked file makes its unticked folder grey; a grey folder whose ticked files are
    // all gone is unticked, so no folder claims a tick that nothing below it holds.
    for (const std::string& folder : folders)
        if (TCheckNode* node = FindFolderNode(folder); node && node->state == kUnchecked)
            UpdateParentState(node);
    std::vector<std::string> grey = std::move(loadedGrey_);
    loadedGrey_.clear();
    std::sort(grey.begin(), grey.end(), [](const std::string& a, const std::string& b) {
        return a.size() > b.size(); // deepest first
    });
    for (const std::string& path : grey)
        if (TCheckNode* node = FindFolderNode(path);
            node && node->state == kGrey && nothingTickedBelow(node))
            UpdateParentState(node);
}

TCheckNode* TQMFolderTreeModel::folderNode(const std::string& folder) {
    return FindFolderNode(folder);
}

void TQMFolderTreeModel::selectionChanged() {
    TCheckNode* node = selected();
    if (!node || !Filelist)
        return;
    const bool busy = OnBusy && countFolderEntries(node->path) > kBusyEntries;
    if (busy)
        raiseBusy(true, 0, nodeCount(), kContentsPage);
    ShowFolderFiles();
    if (busy)
        raiseBusy(false, 0, nodeCount(), kContentsPage);
}

void TQMFolderTreeModel::ShowFolderFiles() {
    TBusyGuard::Scope walk(walks());
    TCheckNode* node = selected();
    TQmFilelistModel* list = Filelist;
    list->setDirectory(node->path);
    if (!samePathExact(excludeTrailingBackslash(list->Directory()), chainPath(node)))
        return; // the folder cannot be read: the list keeps what it showed
    showFileTicks(node, *list);
}

std::vector<uint8_t> TQMFolderTreeModel::SaveStates() const {
    std::vector<uint8_t> out;
    std::vector<const TCheckNode*> pending;
    for (auto it = roots().rbegin(); it != roots().rend(); ++it)
        pending.push_back(it->get());
    while (!pending.empty()) {
        const TCheckNode* node = pending.back();
        pending.pop_back();
        putInt32(out, node->state);
        if (node->state == stateIgnore_)
            continue;
        for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
            pending.push_back(it->get());
    }
    return out;
}

void TQMFolderTreeModel::LoadStates(const std::vector<uint8_t>& bytes) {
    size_t at = 0;
    std::vector<TCheckNode*> pending;
    for (auto it = roots().rbegin(); it != roots().rend(); ++it)
        pending.push_back(it->get());
    while (!pending.empty() && at + 4 <= bytes.size()) {
        TCheckNode* node = pending.back();
        pending.pop_back();
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<uint32_t>(bytes[at + i]) << (8 * i);
        at += 4;
        const auto state = static_cast<int32_t>(v);
        if (state == stateIgnore_)
            continue;
        if (state == kUnchecked || state == kChecked || state == kGrey)
            setState(node, state);
        for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
            pending.push_back(it->get());
    }
}

} // namespace qm
