#pragma once
// LZ expansion of the compressed program files ("Qmoor.ex_", "Updater.ex_"): the "SZDD"
// format that the install medium and the releases carry, decoded by libmspack. A file
// is accepted only when its signature is right and it expands to exactly the length
// its header declares; the expansion goes into a temporary file beside the target and
// replaces the target only then, so a damaged file never leaves half a program behind
// and never overwrites a good one. The target gets the source file's date (or the one
// asked for) and the permission bits asked for.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qm {

struct LzExpandOptions {
    // Permission bits of the expanded file (programs want 0755).
    uint32_t mode = 0644;
    // Date of the expanded file; nothing: the source file's date.
    std::optional<uint32_t> dosDateTime;
};

struct LzExpandResult {
    bool ok = false;
    int64_t length = 0; // bytes expanded (the declared length when ok)
    std::string error;  // when not ok: what is wrong, naming the file
};

// Size of the LZ header: signature (8 bytes), mode 'A', the missing last character of
// the name, the expanded length (32 bits, little-endian).
inline constexpr int kLzHeaderSize = 14;

// Expands the LZ file `sourceDos` into `targetDos` (DOS paths).
LzExpandResult LzExpandFile(std::string_view sourceDos, std::string_view targetDos,
                            const LzExpandOptions& options = {});

} // namespace qm
