#include "app/pages/help/helptreemodel.h"

namespace qm {

namespace {

// Caption, parent node and page file of each topic; the node's index is its state
// index and therefore its line in the page list.
struct TopicRow {
    const char* caption;
    int parent;
    const char* page;
};

constexpr TopicRow kTopics[] = {
    {"Quillmoor Software", -1, "Quillmoor.htm"},
    {"Backup process", 0, "Backup.htm"},
    {"Folders and files selection", 1, "FSelect1.htm"},
    {"Media Drive selection", 1, "DSelect1.htm"},
    {"Restore process", 0, "Restore.htm"},
    {"Folders and files selection", 4, "FSelect2.htm"},
    {"Media Drive selection", 4, "DSelect2.htm"},
    {"Delete files on Media Drive", 4, "Delete.htm"},
    {"File Revision", 4, "Revision.htm"},
    {"File Synchronize", 0, "Sync.htm"},
    {"Synchronize options", 9, "Syncopt.htm"},
    {"Drive Management", 0, "DriveMng.htm"},
    {"Reports", 0, "Reports.htm"},
    {"Working with reports", 12, "Wreports.htm"},
    {"Quillmoor Settings", 0, "Settings.htm"},
    {"Quillmoor Tray menu", 0, "Tray.htm"},
    {"Troubleshooting", 0, "Trbl.htm"},
    {"System Requirements", 0, "Requirements.htm"},
    {"About Quillmoor", 0, "About.htm"},
};

int depthOf(int node) {
    int depth = 0;
    for (int p = kTopics[node].parent; p >= 0; p = kTopics[p].parent)
        ++depth;
    return depth;
}

bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

} // namespace

THelpTreeModel::THelpTreeModel() : THelpTreeModel(helpTopics()) {}

THelpTreeModel::THelpTreeModel(std::vector<THelpTopic> topics) : topics_(std::move(topics)) {}

const std::vector<THelpTopic>& THelpTreeModel::helpTopics() {
    static const std::vector<THelpTopic> topics = [] {
        std::vector<THelpTopic> list;
        for (int i = 0; i < int(std::size(kTopics)); ++i)
            list.push_back({kTopics[i].caption, kTopics[i].parent, i});
        return list;
    }();
    return topics;
}

const std::vector<std::string>& THelpTreeModel::helpPageLines() {
    static const std::vector<std::string> lines = [] {
        std::vector<std::string> list;
        for (int i = 0; i < int(std::size(kTopics)); ++i)
            list.push_back(std::string(2 * depthOf(i), ' ') + kTopics[i].page);
        return list;
    }();
    return lines;
}

int THelpTreeModel::parentOf(int node) const {
    return validNode(node) ? topics_[node].parent : -1;
}

void THelpTreeModel::setPageList(std::vector<std::string> lines) {
    pageLines_ = std::move(lines);
    hasPageList_ = true;
}

void THelpTreeModel::clearPageList() {
    pageLines_.clear();
    hasPageList_ = false;
}

std::string THelpTreeModel::trimmed(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

void THelpTreeModel::dropTrailingBackslash() {
    if (!directory_.empty() && directory_.back() == '\\')
        directory_.pop_back();
}

std::optional<std::string> THelpTreeModel::pagePath(int node) const {
    if (!validNode(node) || !hasPageList_)
        return std::nullopt;
    const int line = topics_[node].stateIndex;
    // A page list shorter than the tree names no page for the node; show nothing.
    if (line < 0 || line >= int(pageLines_.size()))
        return std::nullopt;
    return directory_ + "\\" + trimmed(pageLines_[line]);
}

std::optional<std::string> THelpTreeModel::selectionChanged(int node) {
    if (!validNode(node) || !browserAttached_ || !hasPageList_ || directory_.empty())
        return std::nullopt;
    dropTrailingBackslash();
    return pagePath(node);
}

std::optional<int> THelpTreeModel::documentComplete(const std::string& address) {
    if (directory_.empty())
        return std::nullopt;
    dropTrailingBackslash();
    const std::string wanted = trimmed(address);
    for (int node = 0; node < int(topics_.size()); ++node) {
        std::optional<std::string> path = pagePath(node);
        if (path && *path == wanted)
            return node;
    }
    return std::nullopt;
}

} // namespace qm
