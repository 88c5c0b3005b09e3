#pragma once
// TBackgrndTreeView: the file tree behind a folder tree, never shown. It records the
// ticks on single files: one node per path component ("C:", then one per folder name,
// then one per file that a file list has shown), texts compared exactly. File nodes
// carry the file flag (data 1) and the state 1 or 2; the folder nodes of a chain carry
// no flag. The tree owns its nodes; a node pointer stays valid until that node (or an
// ancestor) is removed or the tree is cleared.

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qm {

class TBackgrndTreeView {
  public:
    static constexpr int kNoState = -1;
    static constexpr int kFileFlag = 1;

    struct Node {
        std::string text;
        int state = kNoState;
        int data = 0; // kFileFlag for a file
        Node* parent = nullptr;
        std::vector<std::unique_ptr<Node>> children;

        bool isFile() const { return data == kFileFlag; }
        Node* child(std::string_view name) const;

      private:
        friend class TBackgrndTreeView;
        std::unordered_map<std::string, Node*> byText_;
    };

    // The node of `folder` joined with `name` (the folder alone when `name` is empty),
    // or null when a component is missing.
    Node* FindPath(std::string_view folder, std::string_view name) const;
    // The node of `path`, making every missing component on the way.
    Node* AddPath(std::string_view path);
    // A file node under `folder`, made when missing.
    Node* AddFile(Node* folder, std::string_view name);

    // Removes the node of `path` with everything below it; nothing when it is missing.
    void RemovePath(std::string_view path);
    void clear();
    bool empty() const { return roots_.empty(); }

    // Every node to state 1 (ClearSelection).
    void ClearStates();
    // The file nodes under `folder` (flagged files only), in the order they were made.
    static std::vector<Node*> files(const Node* folder);

  private:
    Node* addChild(Node* parent, std::string_view text);

    std::vector<std::unique_ptr<Node>> roots_;
    std::unordered_map<std::string, Node*> rootsByText_;
};

} // namespace qm
