#pragma once
// Readable names for the rows of parameterised tests. Without them ctest lists a row by
// its bytes ("16-byte object <...>"), which change from run to run; with them a row
// reads "Rows/SizeToStrTest.Text/1025". Names must be unique within a suite:
// GoogleTest refuses to start a program whose suite names two rows alike.

#include <cctype>
#include <string>
#include <string_view>

namespace qm::test {

// The word a name uses for a punctuation mark that tells paths and texts apart.
inline const char* SpelledMark(char c) {
    static constexpr struct {
        char mark;
        const char* word;
    } kMarks[] = {{'.', "dot"},   {'/', "slash"},    {'\\', "backslash"},
                  {':', "colon"}, {'-', "minus"},    {'<', "lt"},
                  {'>', "gt"},    {'\n', "newline"}, {'\r', "return"}};
    for (const auto& m : kMarks)
        if (m.mark == c)
            return m.word;
    return nullptr;
}

// `text` as a part of a test name: letters and digits stay, the marks above are spelled
// out ("C:\a.txt" reads "C_colon_backslash_a_dot_txt"), any other run of characters
// separates words with one "_", and an empty text reads "empty".
inline std::string RowName(std::string_view text) {
    std::string name;
    bool gap = false;
    for (const char c : text) {
        const char* spelled = SpelledMark(c);
        const bool kept = std::isalnum(static_cast<unsigned char>(c)) != 0;
        if (!spelled && !kept) {
            gap = true;
            continue;
        }
        if ((gap || spelled) && !name.empty() && name.back() != '_')
            name += '_';
        name += spelled ? spelled : std::string(1, c);
        gap = spelled != nullptr;
    }
    return name.empty() ? "empty" : name;
}

// A name generator for INSTANTIATE_TEST_SUITE_P that names each row RowName(text(row)).
template <class Text> auto RowsNamedBy(Text text) {
    return [text](const auto& info) { return RowName(text(info.param)); };
}

} // namespace qm::test
