#pragma once
// LZ ("SZDD") files for tests, made without any compressor: every byte is stored as a
// literal (a flag byte 0xFF before each group of eight), which every expander reads.
// `declaredLength` puts another length into the header, to make a damaged file.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qm::test {

std::string literalLzFile(std::string_view content,
                          std::optional<uint32_t> declaredLength = std::nullopt);

} // namespace qm::test
