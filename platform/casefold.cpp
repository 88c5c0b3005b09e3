#include "platform/casefold.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace qm {

std::string foldCaseUtf8(std::string_view Text) {
    std::string folded;
    folded.reserve(Text.size());
    const auto* bytes = reinterpret_cast<const uint8_t*>(Text.data());
    const auto length = static_cast<int32_t>(Text.size());
    int32_t i = 0;
    while (i < length) {
        const uint8_t lead = bytes[i];
        if (lead < 0x80) { // ASCII: the common case, and the same as before
            folded.push_back(static_cast<char>(lead >= 'A' && lead <= 'Z' ? lead + 32 : lead));
            ++i;
            continue;
        }
        const int32_t start = i;
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) {
            folded.append(Text.substr(start, i - start));
            continue;
        }
        const UChar32 f = u_foldCase(c, U_FOLD_CASE_DEFAULT);
        // A folded code point is always valid, so the unsafe append cannot overrun.
        uint8_t out[U8_MAX_LENGTH];
        int32_t n = 0;
        U8_APPEND_UNSAFE(out, n, f);
        folded.append(reinterpret_cast<const char*>(out), static_cast<size_t>(n));
    }
    return folded;
}

bool sameTextFolded(std::string_view A, std::string_view B) {
    return foldCaseUtf8(A) == foldCaseUtf8(B);
}

} // namespace qm
