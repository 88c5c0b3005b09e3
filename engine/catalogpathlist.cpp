#include "engine/catalogpathlist.h"

#include "platform/casefold.h"

#include <algorithm>

namespace qm {

std::string TCatalogPathList::Key(std::string_view Path) {
    return foldCaseUtf8(Path);
}

void TCatalogPathList::IndexLine(std::size_t Line) {
    std::vector<std::size_t>& lines = fIndex[Key(fLines[Line])];
    lines.insert(std::lower_bound(lines.begin(), lines.end(), Line), Line);
}

void TCatalogPathList::UnindexLine(std::size_t Line) {
    auto found = fIndex.find(Key(fLines[Line]));
    if (found == fIndex.end())
        return;
    std::vector<std::size_t>& lines = found->second;
    auto at = std::lower_bound(lines.begin(), lines.end(), Line);
    if (at != lines.end() && *at == Line)
        lines.erase(at);
    if (lines.empty())
        fIndex.erase(found);
}

TCatalogPathList& TCatalogPathList::operator=(Lines NewLines) {
    fLines = std::move(NewLines);
    fIndex.clear();
    for (std::size_t i = 0; i < fLines.size(); ++i)
        fIndex[Key(fLines[i])].push_back(i);
    return *this;
}

std::optional<std::size_t> TCatalogPathList::Find(std::string_view Path) const {
    auto found = fIndex.find(Key(Path));
    if (found == fIndex.end() || found->second.empty())
        return std::nullopt;
    // Two files whose paths differ only in case are two files here: the exact path
    // wins, and only a path backed up under another case falls back to the first line.
    for (std::size_t line : found->second) {
        if (line < fLines.size() && fLines[line] == Path)
            return line;
    }
    return found->second.front();
}

void TCatalogPathList::push_back(std::string Line) {
    fLines.push_back(std::move(Line));
    IndexLine(fLines.size() - 1);
}

void TCatalogPathList::clear() {
    fLines.clear();
    fIndex.clear();
}

void TCatalogPathList::ReplaceWithLast(std::size_t Index) {
    if (fLines.empty())
        return;
    const std::size_t last = fLines.size() - 1;
    if (Index < last) {
        UnindexLine(Index);
        UnindexLine(last);
        fLines[Index] = std::move(fLines[last]);
        IndexLine(Index);
    } else {
        UnindexLine(last);
    }
    fLines.pop_back();
}

} // namespace qm
