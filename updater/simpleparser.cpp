#include "updater/simpleparser.h"

#include <cctype>
#include <optional>

namespace qm {

namespace {

std::string upperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

struct Span {
    size_t begin = 0; // first character of the value
    size_t end = 0;   // the closing tag's '<'
};

// The value between the first opening and the first closing tag of `name` in `upper`.
std::optional<Span> findElement(std::string_view upper, std::string_view name) {
    const std::string tag = upperCase(name);
    const size_t open = upper.find("<" + tag + ">");
    const size_t close = upper.find("</" + tag + ">");
    if (open == std::string_view::npos || close == std::string_view::npos)
        return std::nullopt;
    const size_t begin = open + tag.size() + 2;
    if (close < begin)
        return std::nullopt;
    return Span{begin, close};
}

// `upper` with every "<FILE_n>...</FILE_n>" section replaced by blanks (same length, so
// positions still index the original text).
std::string blankFileSections(std::string upper) {
    size_t from = 0;
    while ((from = upper.find("<FILE_", from)) != std::string::npos) {
        const size_t nameEnd = upper.find('>', from);
        if (nameEnd == std::string::npos)
            break;
        const std::string name = upper.substr(from + 1, nameEnd - from - 1);
        if (!TSimpleParser::isFileSection(name)) {
            from = nameEnd;
            continue;
        }
        const size_t close = upper.find("</" + name + ">", nameEnd);
        const size_t end = close == std::string::npos ? upper.size() : close + name.size() + 3;
        upper.replace(from, end - from, end - from, ' ');
        from = end;
    }
    return upper;
}

} // namespace

bool TSimpleParser::isFileSection(std::string_view name) {
    const std::string upper = upperCase(name);
    if (upper.size() <= 5 || upper.compare(0, 5, "FILE_") != 0)
        return false;
    for (size_t i = 5; i < upper.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(upper[i])))
            return false;
    return true;
}

void TSimpleParser::SetText(const std::vector<std::string>& lines) {
    text_.clear();
    for (const std::string& line : lines)
        text_ += line + "\r\n";
    upper_ = upperCase(text_);
    topLevel_ = blankFileSections(upper_);
}

std::string TSimpleParser::GetValue(std::string_view name) const {
    const std::string& where = isFileSection(name) ? upper_ : topLevel_;
    const std::optional<Span> span = findElement(where, name);
    if (!span)
        return {};
    return text_.substr(span->begin, span->end - span->begin);
}

std::string TSimpleParser::GetSubValue(std::string_view outer, std::string_view inner) const {
    const std::optional<Span> section = findElement(upper_, outer);
    if (!section)
        return {};
    const std::string_view upper =
        std::string_view(upper_).substr(section->begin, section->end - section->begin);
    const std::optional<Span> span = findElement(upper, inner);
    if (!span)
        return {};
    return text_.substr(section->begin + span->begin, span->end - span->begin);
}

bool TSimpleParser::TagExists(std::string_view name) const {
    const std::string tag = upperCase(name);
    return upper_.find("<" + tag + ">") != std::string::npos &&
           upper_.find("</" + tag + ">") != std::string::npos;
}

} // namespace qm
