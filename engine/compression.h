#pragma once
// The error count of chunk compression: the window thread takes every chunk's result
// back from the ChunkPool in order and counts a failed deflate or inflate here, so
// Engine().ErrorCount moves exactly as if the window thread had done the work itself.
// Callers compare ErrorCount before and after a chunk to notice a failed one. Worker
// threads never count (see ChunkPool).

namespace qm {

// Return Code; ErrorCount + 1 when it is negative.
int CompressCheck(int Code);
int DecompressCheck(int Code);

} // namespace qm
