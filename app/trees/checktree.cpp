#include "app/trees/checktree.h"

#include "platform/dospath.h"

#include <algorithm>

namespace qm {

namespace {

bool contains(const TCheckNode* ancestor, const TCheckNode* node) {
    for (; node; node = node->parent)
        if (node == ancestor)
            return true;
    return false;
}

int subtreeSize(const TCheckNode* node) {
    int size = 1;
    for (const auto& child : node->children)
        size += subtreeSize(child.get());
    return size;
}

} // namespace

int TCheckNode::level() const {
    int level = 0;
    for (const TCheckNode* p = parent; p; p = p->parent)
        ++level;
    return level;
}

TCheckTree::TCheckTree() {
    setScheduler(nullptr);
}

void TCheckTree::setScheduler(TBusyGuard::Scheduler scheduler) {
    if (!scheduler)
        scheduler = [this](std::function<void()> task) { posted_.push_back(std::move(task)); };
    walks_.setScheduler(std::move(scheduler));
}

void TCheckTree::runDeferred() {
    std::vector<std::function<void()>> tasks = std::move(posted_);
    posted_.clear();
    for (auto& task : tasks)
        task();
}

TCheckTree::~TCheckTree() {
    observer_ = nullptr;
}

void TCheckTree::pump() {
    // Whatever the events ask for waits until this walk is over.
    TBusyGuard::Scope walk(walks_);
    if (servePending)
        servePending();
}

void TCheckTree::raiseBusy(bool show, int a, int b, int page) {
    if (OnBusy)
        OnBusy(show, a, b, page);
}

std::vector<TCheckNode*> TCheckTree::childrenOf(const TCheckNode* node) const {
    std::vector<TCheckNode*> result;
    const auto& list = node ? node->children : roots_;
    result.reserve(list.size());
    for (const auto& child : list)
        result.push_back(child.get());
    return result;
}

TCheckNode* TCheckTree::insertNode(TCheckNode* parent, int row, std::unique_ptr<TCheckNode> node) {
    auto& list = parent ? parent->children : roots_;
    row = std::clamp(row, 0, static_cast<int>(list.size()));
    node->parent = parent;
    TCheckNode* raw = node.get();
    const int added = subtreeSize(raw);
    if (observer_)
        observer_->beginInsert(parent, row);
    list.insert(list.begin() + row, std::move(node));
    for (int i = row; i < static_cast<int>(list.size()); ++i)
        list[i]->row = i;
    nodeCount_ += added;
    if (observer_)
        observer_->endInsert();
    return raw;
}

void TCheckTree::removeNode(TCheckNode* node) {
    auto& list = node->parent ? node->parent->children : roots_;
    const int row = node->row;
    const bool moved = contains(node, selected_);
    if (moved)
        selected_ = node->parent;
    nodeCount_ -= subtreeSize(node);
    if (observer_)
        observer_->beginRemove(node);
    list.erase(list.begin() + row);
    for (int i = row; i < static_cast<int>(list.size()); ++i)
        list[i]->row = i;
    if (observer_)
        observer_->endRemove();
    if (moved && onSelect)
        onSelect(selected_);
}

void TCheckTree::clearNodes() {
    if (observer_)
        observer_->beginReset();
    const bool moved = selected_ != nullptr;
    selected_ = nullptr;
    roots_.clear();
    nodeCount_ = 0;
    if (observer_)
        observer_->endReset();
    if (moved && onSelect)
        onSelect(nullptr);
}

void TCheckTree::setState(TCheckNode* node, int state) {
    if (node->state == state)
        return;
    node->state = state;
    if (observer_)
        observer_->nodeChanged(node);
}

void TCheckTree::setStateAndWeight(TCheckNode* node, int state, bool bold) {
    if (node->state == state && node->bold == bold)
        return;
    node->state = state;
    node->bold = bold;
    if (observer_)
        observer_->nodeChanged(node);
}

void TCheckTree::setHasChildren(TCheckNode* node) {
    if (node->hasChildren)
        return;
    node->hasChildren = true;
    if (observer_)
        observer_->nodeChanged(node);
}

void TCheckTree::setFileStates(const TCheckNode* node, int state) {
    TBackgrndTreeView::Node* chain = fileTree_.FindPath(chainPath(node), {});
    for (TBackgrndTreeView::Node* file : TBackgrndTreeView::files(chain))
        file->state = state;
}

void TCheckTree::select(TCheckNode* node) {
    if (node == selected_)
        return;
    selected_ = node;
    if (onSelect)
        onSelect(node);
    selectionChanged();
}

void TCheckTree::SetNodeState(TCheckNode* node) {
    if (!node)
        return;
    changeGuard_ = false;
    PushStateDown(node);
    if (node->parent)
        UpdateParentState(node->parent);
    changeGuard_ = true;
}

void TCheckTree::PushStateDown(TCheckNode* node) {
    const int state = node->state;
    if (state == stateIgnore_ || (state != kUnchecked && state != kChecked))
        return;
    // The folder's own ticked files follow it too: a file ticked before its folder was
    // unticked must not come back when the folder turns grey again.
    setFileStates(node, state);
    for (TCheckNode* child : childrenOf(node)) {
        if (child->state == state)
            continue;
        if (child->state != stateIgnore_)
            setStateAndWeight(child, state, state == kChecked);
        PushStateDown(child);
    }
}

void TCheckTree::UpdateParentState(TCheckNode* node) {
    TBusyGuard::Scope walk(walks_);
    for (TCheckNode* n = node; n; n = n->parent) {
        if (n->state == stateIgnore_)
            return;
        bool unchecked = n->state == kUnchecked;
        bool checked = false;
        bool grey = false;
        if (n->hasChildren && n->children.empty())
            unchecked = true;
        if (!n->children.empty()) {
            bool allChecked = true;
            bool allUnchecked = true;
            for (const auto& child : n->children) {
                allChecked = allChecked && child->state == kChecked;
                allUnchecked = allUnchecked && (child->state == kUnchecked || child->state == -1);
            }
            if (allChecked)
                checked = true;
            else if (allUnchecked)
                unchecked = true;
            else
                grey = true;
        }
        // Only nodes flagged as files count: a subfolder's chain node is not a file.
        const std::vector<TBackgrndTreeView::Node*> files =
            TBackgrndTreeView::files(fileTree_.FindPath(chainPath(n), {}));
        if (!files.empty()) {
            bool allChecked = true;
            bool allUnchecked = true;
            for (const TBackgrndTreeView::Node* file : files) {
                allChecked = allChecked && file->state == kChecked;
                allUnchecked = allUnchecked && file->state == kUnchecked;
                pump();
            }
            if (allChecked)
                checked = true;
            else if (allUnchecked)
                unchecked = true;
            else
                grey = true;
        }
        int state;
        if (grey || (checked && unchecked))
            state = kGrey;
        else if (unchecked)
            state = kUnchecked;
        else if (checked)
            state = kChecked;
        else // nothing below is known: a ticked folder stays ticked, anything else is not
            state = n->state == kChecked ? kChecked : kUnchecked;
        setState(n, state);
    }
}

void TCheckTree::ApplyCheckedStates(TCheckNode* node) {
    if (!node)
        return;
    const auto& siblings = node->parent ? node->parent->children : roots_;
    std::vector<TCheckNode*> run;
    for (size_t i = static_cast<size_t>(node->row); i < siblings.size(); ++i)
        run.push_back(siblings[i].get());
    for (TCheckNode* n : run) {
        if (n->state == stateIgnore_)
            continue;
        if (n->state == kChecked)
            SetNodeState(n);
        else if (!n->children.empty() && n->children.front()->state != stateIgnore_)
            ApplyCheckedStates(n->children.front().get());
    }
}

bool TCheckTree::click(TCheckNode* node) {
    if (!node || !changeAllowed())
        return false;
    const int state = node->state + 1 > kChecked ? kUnchecked : node->state + 1;
    setStateAndWeight(node, state, state == kChecked);
    SetNodeState(node);
    if (selected_)
        selectionChanged();
    if (OnNodeStateChange)
        OnNodeStateChange();
    return true;
}

bool TCheckTree::consistent(const TCheckNode* node, std::string* problem) const {
    const int state = node->state;
    auto fail = [&](const char* why) {
        if (problem)
            *problem = node->path + ": " + why;
        return false;
    };
    if (state != kUnchecked && state != kChecked && state != kGrey)
        return fail("no valid state");
    bool somethingTicked = false;
    for (const auto& child : node->children) {
        if (state != kGrey && child->state != state)
            return fail("a subfolder disagrees");
        somethingTicked = somethingTicked || child->state == kChecked || child->state == kGrey;
    }
    for (const TBackgrndTreeView::Node* file :
         TBackgrndTreeView::files(fileTree_.FindPath(chainPath(node), {}))) {
        if (state != kGrey && file->state != state)
            return fail("a file disagrees");
        somethingTicked = somethingTicked || file->state == kChecked;
    }
    if (state == kGrey && !somethingTicked)
        return fail("grey with nothing ticked below");
    for (const auto& child : node->children)
        if (!consistent(child.get(), problem))
            return false;
    return true;
}

bool TCheckTree::isConsistent(std::string* problem) const {
    for (const auto& root : roots_)
        if (!consistent(root.get(), problem))
            return false;
    return true;
}

TCheckNode* TCheckTree::nodeByLabels(const std::vector<std::string>& labels) const {
    const std::vector<std::unique_ptr<TCheckNode>>* level = &roots_;
    TCheckNode* found = nullptr;
    for (const std::string& label : labels) {
        found = nullptr;
        for (const auto& node : *level)
            if (node->text == label)
                found = node.get();
        if (!found)
            return nullptr;
        level = &found->children;
    }
    return found;
}

void TCheckTree::fileTicked(const std::string& folder, const std::string& name, bool checked,
                            int tickedRows, int rows) {
    TBusyGuard::Scope walk(walks());
    TBackgrndTreeView::Node* chain = fileTree().AddPath(excludeTrailingBackslash(folder));
    fileTree().AddFile(chain, name)->state = checked ? kChecked : kUnchecked;
    TCheckNode* node = selected();
    if (!node || !samePathExact(chainPath(node), excludeTrailingBackslash(folder)))
        node = folderNode(folder);
    if (!node)
        return;
    const int state = tickedRows == 0 ? kUnchecked : tickedRows == rows ? kChecked : kGrey;
    setStateAndWeight(node, state, tickedRows > 0);
    UpdateParentState(node);
    if (OnNodeStateChange)
        OnNodeStateChange();
}

void TCheckTree::showFileTicks(TCheckNode* node, TCheckFileList& list) {
    TBackgrndTreeView::Node* chain = fileTree().AddPath(chainPath(node));
    const int generation = list.generation();
    for (int i = 0; i < list.rowCount(); ++i) {
        if (list.generation() != generation || selected() != node)
            return; // the list was filled again or another folder was chosen meanwhile
        const std::string& name = list.rowName(i);
        TBackgrndTreeView::Node* file = chain->child(name);
        if (!file || !file->isFile()) {
            // A file seen for the first time is ticked only when its whole folder is: in
            // a partly ticked folder it is not part of the selection.
            file = fileTree().AddFile(chain, name);
            file->state = node->state == kChecked ? kChecked : kUnchecked;
        } else if (node->state == kUnchecked || node->state == kChecked) {
            file->state = node->state;
        }
        list.setChecked(i, file->state == kChecked);
        if (i % 4 == 3)
            pump();
    }
}

} // namespace qm
