#include "app/trees/qmrestoretreemodel.h"

#include "engine/indexline.h"
#include "platform/dospath.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace qm {

namespace {

constexpr size_t kBusyChildren = 20;
constexpr size_t kBusyRows = 250;

// A catalogue path names a file: a drive letter, ":\", then one or more plain
// components (none empty, ".", ".." or holding a character a DOS name cannot hold).
bool validCataloguePath(const std::string& path) {
    if (path.size() < 4 || !std::isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':' ||
        path[2] != '\\')
        return false;
    std::string_view rest(path);
    rest.remove_prefix(3);
    while (true) {
        const size_t slash = rest.find('\\');
        if (!isValidDosName(rest.substr(0, slash)))
            return false;
        if (slash == std::string_view::npos)
            return true;
        rest.remove_prefix(slash + 1);
    }
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// `prefix` begins `path` as a disk that tells names apart by case reads it: the drive
// letter without case, every name exactly.
bool startsWithExact(std::string_view path, std::string_view prefix) {
    return prefix.size() <= path.size() && samePathExact(path.substr(0, prefix.size()), prefix);
}

char foldDos(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The byte order of the upper-cased texts a and b (upperCaseDos), without making them.
int compareFolded(std::string_view a, std::string_view b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(foldDos(a[i]));
        const auto y = static_cast<unsigned char>(foldDos(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// The order of catalogue paths: component by component (each with its backslash), the
// upper-cased bytes first and, where those are equal, the bytes as written, the drive
// letter aside. Without names that differ only in case this is the ordinal order of the
// upper-cased paths; with them each spelling's files form a run of their own, beside
// its twin.
int comparePaths(std::string_view a, std::string_view b) {
    // The components the two paths share byte for byte compare equal both ways: the
    // comparison starts at the one where they part.
    const size_t common = std::min(a.size(), b.size());
    size_t same = 0;
    for (uint64_t x, y; same + 8 <= common; same += 8) {
        std::memcpy(&x, a.data() + same, 8);
        std::memcpy(&y, b.data() + same, 8);
        if (x != y)
            break;
    }
    while (same < common && a[same] == b[same])
        ++same;
    const size_t slash = same == 0 ? std::string_view::npos : a.rfind('\\', same - 1);
    size_t at = slash == std::string_view::npos ? 0 : slash + 1;
    bool drive = at == 0;
    while (true) {
        if (at >= a.size() || at >= b.size())
            return at < a.size() ? 1 : at < b.size() ? -1 : 0;
        const size_t aEnd = std::min(a.find('\\', at), a.size() - 1) + 1;
        const size_t bEnd = std::min(b.find('\\', at), b.size() - 1) + 1;
        const int folded = compareFolded(a.substr(at, aEnd - at), b.substr(at, bEnd - at));
        if (folded != 0)
            return folded;
        if (!drive) {
            const int exact = a.substr(at, aEnd - at).compare(b.substr(at, bEnd - at));
            if (exact != 0)
                return exact;
        }
        drive = false;
        at = aEnd;
    }
}

} // namespace

TQMRestoreTreeModel::TQMRestoreTreeModel() {
    changeGuard_ = false; // no clicks until a catalogue is shown
}

std::string TQMRestoreTreeModel::chainPath(const TCheckNode* node) const {
    return excludeTrailingBackslash(node->path);
}

void TQMRestoreTreeModel::setActive(bool active) {
    active_ = active;
    if (!active)
        walks().runOrDefer("rebuild", [this] {
            clearNodes();
            built_.clear();
            rootsBuilt_ = false;
        });
}

void TQMRestoreTreeModel::clear() {
    walks().runOrDefer("rebuild", [this] {
        clearNodes();
        built_.clear();
        rootsBuilt_ = false;
        fileTree().clear();
        entries_.clear();
        PathList.clear();
        TimeList.clear();
        SizeList.clear();
        if (RestoreFileList)
            RestoreFileList->clear();
    });
}

void TQMRestoreTreeModel::Rebuild() {
    if (PathList.empty()) {
        raiseBusy(false, 0, 0, 0);
        return;
    }
    walks().runOrDefer("rebuild", [this] { rebuildNow(); });
}

void TQMRestoreTreeModel::parseLines() {
    entries_.clear();
    skipped_ = 0;
    for (size_t line = 0; line < PathList.size(); ++line) {
        const std::string& text = PathList[line];
        const std::optional<TIndexLine> split = SplitIndexLine(text);
        if (!split || !validCataloguePath(split->path)) {
            ++skipped_;
            const std::string message = "Restore tree: catalogue line " + std::to_string(line) +
                                        " skipped, not a file path with its record: " + text;
            if (log)
                log(message);
            else
                std::fprintf(stderr, "%s\n", message.c_str());
            continue;
        }
        entries_.push_back(Entry{line, split->path.size(), split->index});
    }
    std::sort(entries_.begin(), entries_.end(), [this](const Entry& a, const Entry& b) {
        const int order = comparePaths(pathOf(a), pathOf(b));
        return order != 0 ? order < 0 : a.index < b.index;
    });
}

void TQMRestoreTreeModel::rebuildNow() {
    raiseBusy(true, static_cast<int>(PathList.size()), 0, 0);
    clearNodes();
    built_.clear();
    rootsBuilt_ = false;
    parseLines();
    {
        TBusyGuard::Scope walk(walks());
        buildChildren(nullptr);
        for (TCheckNode* root : childrenOf(nullptr)) {
            buildChildren(root);
            for (TCheckNode* child : childrenOf(root))
                buildChildren(child);
        }
    }
    changeGuard_ = true;
    raiseBusy(false, static_cast<int>(PathList.size()), 0, 0);
}

std::pair<size_t, size_t> TQMRestoreTreeModel::range(const std::string& prefix) const {
    auto first = std::lower_bound(
        entries_.begin(), entries_.end(), prefix,
        [&](const Entry& e, const std::string&) { return comparePaths(pathOf(e), prefix) < 0; });
    auto last = std::partition_point(
        first, entries_.end(), [&](const Entry& e) { return startsWithExact(pathOf(e), prefix); });
    return {static_cast<size_t>(first - entries_.begin()),
            static_cast<size_t>(last - entries_.begin())};
}

void TQMRestoreTreeModel::buildChildren(TCheckNode* node) {
    if (node ? !built_.insert(node).second : rootsBuilt_)
        return;
    if (!node)
        rootsBuilt_ = true;
    const std::string prefix = node ? node->path : std::string();
    auto [i, end] = range(prefix);
    while (i < end) {
        const std::string_view path = pathOf(entries_[i]);
        const size_t slash = path.find('\\', prefix.size());
        if (slash == std::string::npos) {
            ++i; // a file of this folder
            continue;
        }
        // One node per component as the catalogue spells it: "Docs" and "docs" are two
        // folders. A drive is one node whatever the case of its letter, labelled as its
        // first line writes it.
        const std::string label(path.substr(prefix.size(), slash - prefix.size()));
        auto child = std::make_unique<TCheckNode>();
        child->text = label;
        child->path = prefix + label + "\\";
        child->kind = node ? TCheckNode::Kind::Folder : TCheckNode::Kind::Drive;
        const int inherited = node ? node->state : kUnchecked;
        if (inherited == kChecked) {
            child->state = kChecked;
            child->bold = true;
        }
        const std::string key(path.substr(0, slash + 1));
        insertNode(node, static_cast<int>(node ? node->children.size() : roots().size()),
                   std::move(child));
        i = std::partition_point(entries_.begin() + static_cast<std::ptrdiff_t>(i),
                                 entries_.begin() + static_cast<std::ptrdiff_t>(end),
                                 [&](const Entry& e) { return startsWithExact(pathOf(e), key); }) -
            entries_.begin();
        pump();
    }
}

void TQMRestoreTreeModel::expand(TCheckNode* node) {
    if (!node)
        return;
    const bool busy = node->children.size() > kBusyChildren;
    if (busy)
        raiseBusy(true, static_cast<int>(PathList.size()), nodeCount(), 0);
    {
        TBusyGuard::Scope walk(walks());
        for (TCheckNode* child : childrenOf(node))
            buildChildren(child);
    }
    ApplyCheckedStates(node);
    if (busy)
        raiseBusy(false, static_cast<int>(PathList.size()), nodeCount(), 0);
}

std::vector<TQMRestoreTreeModel::CatalogueFile>
TQMRestoreTreeModel::filesUnder(const TCheckNode* node) const {
    std::vector<CatalogueFile> files;
    if (!node)
        return files;
    auto [first, last] = range(node->path);
    for (size_t i = first; i < last; ++i)
        files.push_back({std::string(pathOf(entries_[i])), entries_[i].index});
    return files;
}

void TQMRestoreTreeModel::GetFilesUnder(const TCheckNode* node,
                                        std::vector<std::string>& list) const {
    for (CatalogueFile& file : filesUnder(node))
        list.push_back(std::move(file.path));
}

std::vector<TQMRestoreTreeModel::CatalogueFile>
TQMRestoreTreeModel::filesIn(const std::string& folder) const {
    std::vector<CatalogueFile> files;
    auto [first, last] = range(folder);
    for (size_t i = first; i < last; ++i)
        if (pathOf(entries_[i]).find('\\', folder.size()) == std::string::npos)
            files.push_back({std::string(pathOf(entries_[i])), entries_[i].index});
    return files;
}

void TQMRestoreTreeModel::collectChecked(const TCheckNode* node,
                                         std::vector<CatalogueFile>& out) const {
    if (node->state == kChecked) {
        for (CatalogueFile& file : filesUnder(node))
            out.push_back(std::move(file));
        return;
    }
    if (node->state == kGrey) {
        const TBackgrndTreeView::Node* chain = fileTree().FindPath(chainPath(node), {});
        for (CatalogueFile& file : filesIn(node->path)) {
            const TBackgrndTreeView::Node* tick =
                chain ? chain->child(file.path.substr(node->path.size())) : nullptr;
            if (tick && tick->isFile() && tick->state == kChecked)
                out.push_back(std::move(file));
        }
    }
    for (const auto& child : node->children)
        collectChecked(child.get(), out);
}

std::vector<TQMRestoreTreeModel::CatalogueFile> TQMRestoreTreeModel::CheckedFiles() const {
    std::vector<CatalogueFile> out;
    for (const auto& root : roots())
        collectChecked(root.get(), out);
    return out;
}

TCheckNode* TQMRestoreTreeModel::nodeByPath(const std::string& folder, bool exact) const {
    const std::string folded = upperCaseDos(folder);
    const std::vector<std::unique_ptr<TCheckNode>>* level = &roots();
    while (true) {
        TCheckNode* next = nullptr;
        for (const auto& node : *level) {
            if (exact ? samePathExact(node->path, folder) : upperCaseDos(node->path) == folded)
                return node.get();
            if (exact ? startsWithExact(folder, node->path)
                      : startsWith(folded, upperCaseDos(node->path)))
                next = node.get();
        }
        if (!next)
            return nullptr;
        level = &next->children;
    }
}

TCheckNode* TQMRestoreTreeModel::folderNode(const std::string& folder) {
    // The folder as it is spelt wins; only a spelling no node has finds one that differs
    // in case.
    if (TCheckNode* node = nodeByPath(folder, true))
        return node;
    return nodeByPath(folder, false);
}

void TQMRestoreTreeModel::selectionChanged() {
    if (!selected() || !RestoreFileList)
        return;
    const bool busy = filesIn(selected()->path).size() > kBusyRows;
    if (busy)
        raiseBusy(true, static_cast<int>(PathList.size()), nodeCount(), 0);
    ShowFolderFiles();
    if (busy)
        raiseBusy(false, static_cast<int>(PathList.size()), nodeCount(), 0);
}

void TQMRestoreTreeModel::ShowFolderFiles() {
    TBusyGuard::Scope walk(walks());
    TCheckNode* node = selected();
    TQMRestoreFileListModel* list = RestoreFileList;
    list->setDirectory(node->path, filesIn(node->path), TimeList, SizeList);
    showFileTicks(node, *list);
}

std::string TQMRestoreTreeModel::TooLargeMessage(const std::string& Drive) {
    return "There is not enough memory to show the catalogue of " + Drive +
           ". Close other programs and choose the drive again.";
}

} // namespace qm
