#pragma once
// The source paths of the open catalogue, line i for record i, with an index that finds
// a path's line without walking the list, so a backup of n files against a catalogue of
// n records stays linear. Case is ignored by Unicode simple case folding of the UTF-8
// bytes (platform/casefold.h), but a line holding the path exactly wins. The list owns its lines
// and the index; every change goes through its own mutators, which keep the two in step.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qm {

class TCatalogPathList {
  public:
    using Lines = std::vector<std::string>;
    using value_type = std::string;
    using const_iterator = Lines::const_iterator;
    using iterator = const_iterator;

    TCatalogPathList() = default;
    TCatalogPathList(const TCatalogPathList&) = delete;
    TCatalogPathList& operator=(const TCatalogPathList&) = delete;
    // Replaces every line.
    TCatalogPathList& operator=(Lines NewLines);

    // The first line whose text equals Path exactly; else the first line equal to it but
    // for case; none when no line is.
    std::optional<std::size_t> Find(std::string_view Path) const;

    void push_back(std::string Line);
    void clear();
    // The last line takes the place of line Index and the last line goes (the removal of
    // a catalogue record); with Index at or past the last line only the last line goes.
    void ReplaceWithLast(std::size_t Index);

    std::size_t size() const { return fLines.size(); }
    bool empty() const { return fLines.empty(); }
    const std::string& operator[](std::size_t Index) const { return fLines[Index]; }
    const_iterator begin() const { return fLines.begin(); }
    const_iterator end() const { return fLines.end(); }
    const Lines& lines() const { return fLines; }
    operator const Lines&() const { return fLines; }

    friend bool operator==(const TCatalogPathList& A, const Lines& B) { return A.fLines == B; }

  private:
    // The case-folded path: lines with equal keys differ at most in case.
    static std::string Key(std::string_view Path);
    void IndexLine(std::size_t Line);
    void UnindexLine(std::size_t Line);

    Lines fLines;
    // Folded path -> the lines holding it, ascending; the first is the one found.
    std::unordered_map<std::string, std::vector<std::size_t>> fIndex;
};

} // namespace qm
