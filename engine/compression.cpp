#include "engine/compression.h"

#include "engine/chunkcodec.h"
#include "engine/enginestate.h"

#include <zlib.h>

namespace qm {

int64_t CompressBound(int64_t InBytes) {
    return (InBytes + InBytes / 10 + 12 + 255) & ~static_cast<int64_t>(0xFF);
}

int CompressCheck(int Code) {
    if (Code < 0)
        ++Engine().ErrorCount;
    return Code;
}

int DecompressCheck(int Code) {
    if (Code < 0)
        ++Engine().ErrorCount;
    return Code;
}

ChunkCodec& WindowThreadCodec() {
    static ChunkCodec libdeflate(DeflateLibrary::LibDeflate);
    static ChunkCodec zlib(DeflateLibrary::Zlib);
    return Engine().Library == DeflateLibrary::Zlib ? zlib : libdeflate;
}

void CompressBuffer(const uint8_t* In, int64_t InBytes, uint8_t* Out, int64_t& OutBytes) {
    OutBytes = CompressBound(InBytes);
    const int64_t packed =
        WindowThreadCodec().Deflate(In, InBytes, Out, OutBytes, Engine().CompressionLevel);
    OutBytes = packed < 0 ? 0 : packed;
    if (packed < 0)
        CompressCheck(static_cast<int>(packed));
}

int DecompressBuffer(const uint8_t* In, int64_t InBytes, uint8_t* Out, int64_t OutSize,
                     int64_t* PlainBytes) {
    int64_t plain = 0;
    const int result = WindowThreadCodec().Inflate(In, InBytes, Out, OutSize, plain);
    if (PlainBytes)
        *PlainBytes = plain;
    return DecompressCheck(result);
}

} // namespace qm
