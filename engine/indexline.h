#pragma once
// The catalogue's "path*index" lines (ListDriveFiles' IndexList): a record's source path,
// "*", and the record's number. A source path may itself hold a "*", so a line splits
// at its last one. Plain functions; nothing is owned.

#include <cstddef>
#include <optional>
#include <string>

namespace qm {

struct TIndexLine {
    std::string path; // may be empty: the caller judges the path
    std::size_t index = 0;
};

// The line of record Index whose source path is Path.
std::string MakeIndexLine(const std::string& Path, std::size_t Index);
// The path and record number of Line; none when it holds no "*" or what follows the
// last one is not a whole decimal number.
std::optional<TIndexLine> SplitIndexLine(const std::string& Line);

} // namespace qm
