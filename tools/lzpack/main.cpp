// The build's LZ compression step for the install medium:
//     lzpack <compressor> <input> <output>
// Compresses `input` with `compressor` (mscompress), expands the result again and
// compares it with the input byte for byte; fails, writing nothing, on any difference.

#include "platform/drivetable.h"
#include "platform/lzcompress.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: lzpack <compressor> <input> <output>\n");
        return 2;
    }
    // Host paths throughout: C: is "/" whatever the environment maps.
    ::unsetenv("QUILLMOOR_DRIVES");
    qm::DriveTable::instance().reload();
    qm::LzExpandResult made = qm::LzCompressVerified(argv[1], argv[2], argv[3]);
    if (!made.ok) {
        std::fprintf(stderr, "lzpack: %s\n", made.error.c_str());
        return 1;
    }
    return 0;
}
