#include "app/trees/backgrndtreeview.h"

#include "platform/pathtools.h"

#include <algorithm>

namespace qm {

namespace {

std::vector<std::string> componentsOf(std::string_view folder, std::string_view name) {
    return name.empty() ? SplitPath(folder) : SplitPath(JoinPath(folder, name));
}

} // namespace

TBackgrndTreeView::Node* TBackgrndTreeView::Node::child(std::string_view name) const {
    auto found = byText_.find(std::string(name));
    return found == byText_.end() ? nullptr : found->second;
}

TBackgrndTreeView::Node* TBackgrndTreeView::FindPath(std::string_view folder,
                                                     std::string_view name) const {
    Node* node = nullptr;
    for (const std::string& component : componentsOf(folder, name)) {
        if (!node) {
            auto root = rootsByText_.find(component);
            node = root == rootsByText_.end() ? nullptr : root->second;
        } else {
            node = node->child(component);
        }
        if (!node)
            return nullptr;
    }
    return node;
}

TBackgrndTreeView::Node* TBackgrndTreeView::addChild(Node* parent, std::string_view text) {
    auto node = std::make_unique<Node>();
    node->text = std::string(text);
    node->parent = parent;
    Node* raw = node.get();
    if (parent) {
        parent->byText_.emplace(raw->text, raw);
        parent->children.push_back(std::move(node));
    } else {
        rootsByText_.emplace(raw->text, raw);
        roots_.push_back(std::move(node));
    }
    return raw;
}

TBackgrndTreeView::Node* TBackgrndTreeView::AddPath(std::string_view path) {
    Node* node = nullptr;
    for (const std::string& component : SplitPath(path)) {
        Node* next = nullptr;
        if (!node) {
            auto root = rootsByText_.find(component);
            next = root == rootsByText_.end() ? nullptr : root->second;
        } else {
            next = node->child(component);
        }
        node = next ? next : addChild(node, component);
    }
    return node;
}

TBackgrndTreeView::Node* TBackgrndTreeView::AddFile(Node* folder, std::string_view name) {
    if (!folder)
        return nullptr;
    Node* file = folder->child(name);
    if (!file)
        file = addChild(folder, name);
    file->data = kFileFlag;
    return file;
}

void TBackgrndTreeView::RemovePath(std::string_view path) {
    Node* node = FindPath(path, {});
    if (!node)
        return;
    auto& siblings = node->parent ? node->parent->children : roots_;
    if (node->parent)
        node->parent->byText_.erase(node->text);
    else
        rootsByText_.erase(node->text);
    siblings.erase(
        std::find_if(siblings.begin(), siblings.end(),
                     [node](const std::unique_ptr<Node>& n) { return n.get() == node; }));
}

void TBackgrndTreeView::clear() {
    rootsByText_.clear();
    roots_.clear();
}

void TBackgrndTreeView::ClearStates() {
    std::vector<Node*> pending;
    for (const auto& root : roots_)
        pending.push_back(root.get());
    while (!pending.empty()) {
        Node* node = pending.back();
        pending.pop_back();
        node->state = 1;
        for (const auto& child : node->children)
            pending.push_back(child.get());
    }
}

std::vector<TBackgrndTreeView::Node*> TBackgrndTreeView::files(const Node* folder) {
    std::vector<Node*> result;
    if (!folder)
        return result;
    for (const auto& child : folder->children)
        if (child->isFile())
            result.push_back(child.get());
    return result;
}

} // namespace qm
