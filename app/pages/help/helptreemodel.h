#pragma once
// The rules of the Help page's topic tree, without widgets: which page file each topic
// shows, where the browser goes when a topic is selected, and which topic belongs to a
// page the browser has just loaded. THelpTree (the widget) feeds it the page list and the
// folder and applies its answers; tests drive it directly. It owns only plain values.

#include <optional>
#include <string>
#include <vector>

namespace qm {

// One topic node, in tree order. `stateIndex` is the page list line that names its page.
struct THelpTopic {
    std::string caption;
    int parent = -1; // node index of the parent, -1 for the root
    int stateIndex = 0;
};

class THelpTreeModel {
  public:
    // The Help page's own 19 topics.
    THelpTreeModel();
    explicit THelpTreeModel(std::vector<THelpTopic> topics);

    // The topics and the page list lines (indented to mirror the nesting) of the Help page.
    static const std::vector<THelpTopic>& helpTopics();
    static const std::vector<std::string>& helpPageLines();

    const std::vector<THelpTopic>& topics() const { return topics_; }
    int parentOf(int node) const;

    // The folder of the page files, a DOS path with or without a trailing backslash.
    void setDirectory(std::string directory) { directory_ = std::move(directory); }
    const std::string& directory() const { return directory_; }

    // The page list; `hasPageList` false stands for "no page list control attached".
    void setPageList(std::vector<std::string> lines);
    void clearPageList();
    bool hasPageList() const { return hasPageList_; }

    // Whether a browser is attached to show the pages.
    void setBrowserAttached(bool attached) { browserAttached_ = attached; }

    // The selected node became `node`: the DOS path to show, or nothing when there is no
    // browser, no page list, no folder, or no line for the node. Shortens the folder by
    // one trailing backslash when it answers.
    std::optional<std::string> selectionChanged(int node);

    // The browser finished loading `address`: the first node, in tree order, whose page
    // path equals the trimmed address exactly (case included). Shortens the folder by one
    // trailing backslash unless it is empty.
    std::optional<int> documentComplete(const std::string& address);

    // Folder + "\" + the trimmed page list line of `node`, with the folder as it stands.
    std::optional<std::string> pagePath(int node) const;

    // Removes blanks and control characters at both ends.
    static std::string trimmed(const std::string& text);

  private:
    bool validNode(int node) const { return node >= 0 && node < int(topics_.size()); }
    void dropTrailingBackslash();

    std::vector<THelpTopic> topics_;
    std::vector<std::string> pageLines_;
    bool hasPageList_ = false;
    bool browserAttached_ = false;
    std::string directory_;
};

} // namespace qm
