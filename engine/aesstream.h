#pragma once

// The stream cipher over AES: 16-byte blocks and 128-, 192- or 256-bit keys.
// Owns its TRijndael. The path argument lets tests and the benchmark keep the
// portable round-table code even on a CPU with AES instructions.

#include "engine/rijndael.h"
#include "engine/streamcipher.h"

namespace qm {

class TAESStream final : public TStreamCipher {
public:
    explicit TAESStream(TRijndael::TPath Path = TRijndael::TPath::Auto);
};

} // namespace qm
