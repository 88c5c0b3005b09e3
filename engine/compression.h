#pragma once
// Whole-buffer zlib compression for archive chunks. Neither call allocates beyond zlib's
// own stream state or throws; every negative zlib result adds 1 to Engine().ErrorCount,
// and callers compare ErrorCount before and after a call to notice a failed chunk.

#include <cstdint>

namespace qm {

// Output room CompressBuffer needs for InBytes of input: (InBytes + InBytes / 10 + 12 +
// 255) rounded down to a multiple of 256.
int64_t CompressBound(int64_t InBytes);

// Return Code; ErrorCount + 1 when it is negative.
int CompressCheck(int Code);
int DecompressCheck(int Code);

// Deflates In as one zlib stream at Engine().CompressionLevel into Out, which must hold
// CompressBound(InBytes) bytes. OutBytes := the compressed length.
void CompressBuffer(const uint8_t* In, int64_t InBytes, uint8_t* Out, int64_t& OutBytes);
// Inflates one zlib stream into Out (OutSize bytes). Returns the result of inflateEnd;
// a corrupt stream, or one needing more room than OutSize, raises ErrorCount. When
// PlainBytes is given it receives the number of bytes inflated, so a reader can tell a
// stream that ends short of the expected length.
int DecompressBuffer(const uint8_t* In, int64_t InBytes, uint8_t* Out, int64_t OutSize,
                     int64_t* PlainBytes = nullptr);

} // namespace qm
