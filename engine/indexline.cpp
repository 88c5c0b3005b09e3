#include "engine/indexline.h"

#include <charconv>

namespace qm {

std::string MakeIndexLine(const std::string& Path, std::size_t Index) {
    // Made to measure: a catalogue's lines stay in memory while the Restore page shows it,
    // and appending to a copy of the path would double the room of most of them.
    const std::string number = std::to_string(Index);
    std::string line;
    line.reserve(Path.size() + 1 + number.size());
    return line.append(Path).append(1, '*').append(number);
}

std::optional<TIndexLine> SplitIndexLine(const std::string& Line) {
    const std::size_t star = Line.rfind('*');
    if (star == std::string::npos || star + 1 == Line.size())
        return std::nullopt;
    TIndexLine split;
    const char* last = Line.data() + Line.size();
    auto [ptr, ec] = std::from_chars(Line.data() + star + 1, last, split.index);
    if (ec != std::errc() || ptr != last)
        return std::nullopt;
    split.path = Line.substr(0, star);
    return split;
}

} // namespace qm
