#include "engine/indexline.h"

#include <charconv>

namespace qm {

std::string MakeIndexLine(const std::string& Path, std::size_t Index) {
    return Path + "*" + std::to_string(Index);
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
