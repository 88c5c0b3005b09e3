#pragma once
// Whole-buffer compression of archive chunks on the window thread: each chunk is one
// zlib stream, made and read by the window thread's ChunkCodec. Neither call throws or
// allocates beyond the codec's own state; a failed call adds 1 to Engine().ErrorCount,
// and callers compare ErrorCount before and after a call to notice a failed chunk.
// Worker threads use a ChunkCodec of their own and leave the counting to the window
// thread (see ChunkPool).

#include <cstdint>

namespace qm {

class ChunkCodec;

// Output room CompressBuffer needs for InBytes of input: (InBytes + InBytes / 10 + 12 +
// 255) rounded down to a multiple of 256.
int64_t CompressBound(int64_t InBytes);

// Return Code; ErrorCount + 1 when it is negative.
int CompressCheck(int Code);
int DecompressCheck(int Code);

// The window thread's codec over Engine().Library.
ChunkCodec& WindowThreadCodec();

// Deflates In as one zlib stream at Engine().CompressionLevel into Out, which must hold
// CompressBound(InBytes) bytes. OutBytes := the compressed length.
void CompressBuffer(const uint8_t* In, int64_t InBytes, uint8_t* Out, int64_t& OutBytes);
// Inflates one zlib stream into Out (OutSize bytes). Returns 0, or the negative zlib code
// of a corrupt stream or one needing more room than OutSize, which raises ErrorCount. When
// PlainBytes is given it receives the number of bytes inflated, so a reader can tell a
// stream that ends short of the expected length.
int DecompressBuffer(const uint8_t* In, int64_t InBytes, uint8_t* Out, int64_t OutSize,
                     int64_t* PlainBytes = nullptr);

} // namespace qm
