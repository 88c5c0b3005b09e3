#pragma once
// Case folding of UTF-8 text for comparisons that ignore case: every well-formed code
// point is replaced by its Unicode simple case folding (ICU's u_foldCase), so "É" and
// "é", "K" and the Kelvin sign compare equal as well as ASCII letters do. Bytes that
// are not well-formed UTF-8 stay as they are, so any byte string has a key.

#include <string>
#include <string_view>

namespace qm {

// The folded form of Text: two texts equal but for case have the same key.
std::string foldCaseUtf8(std::string_view Text);
// True when A and B are equal but for case, in the sense of foldCaseUtf8.
bool sameTextFolded(std::string_view A, std::string_view B);

} // namespace qm
