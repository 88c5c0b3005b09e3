#include "support/lzfiles.h"

namespace qm::test {

std::string literalLzFile(std::string_view content, std::optional<uint32_t> declaredLength) {
    std::string file("SZDD\x88\xF0\x27\x33", 8);
    file += 'A';
    file += '\0'; // the missing last character of the name: none
    const uint32_t length = declaredLength.value_or(static_cast<uint32_t>(content.size()));
    for (int shift = 0; shift < 32; shift += 8)
        file += static_cast<char>((length >> shift) & 0xFF);
    for (size_t at = 0; at < content.size(); at += 8) {
        file += '\xFF';
        file += content.substr(at, 8);
    }
    return file;
}

} // namespace qm::test
