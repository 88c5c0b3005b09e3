#pragma once
// The build's LZ compression step: an external compressor (the packaged "mscompress",
// which writes "<name>_" beside "<name>") makes the LZ file, and the step proves the
// result before it is used: it expands it again through LzExpandFile and compares the
// expansion with the input byte for byte. Nothing is written at `output` unless they
// agree, because that compressor writes wrong files for inputs of 0 to 15 bytes.
// Host paths; the work folder is made beside `output` and removed afterwards.

#include "platform/lzexpand.h"

#include <string>

namespace qm {

// Compresses `input` into `output`, which gets the input's modification time. The
// result's `length` is the input's size when ok.
LzExpandResult LzCompressVerified(const std::string& compressor, const std::string& input,
                                  const std::string& output);

} // namespace qm
