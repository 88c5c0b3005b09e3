#include "engine/compression.h"

#include "engine/enginestate.h"

#include <zlib.h>

#include <cstring>

namespace qm {

namespace {

// zlib counts in 32-bit units; the engine never hands it more than 16 MiB at once, but
// a larger request must fail rather than wrap around.
constexpr int64_t kMaxZlibBytes = 0x7FFFFFFF;

} // namespace

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

void CompressBuffer(const uint8_t* In, int64_t InBytes, uint8_t* Out, int64_t& OutBytes) {
    OutBytes = CompressBound(InBytes);
    if (InBytes < 0 || OutBytes > kMaxZlibBytes) {
        CompressCheck(Z_BUF_ERROR);
        OutBytes = 0;
        return;
    }
    z_stream stream;
    std::memset(&stream, 0, sizeof(stream));
    stream.next_in = const_cast<Bytef*>(In);
    stream.avail_in = static_cast<uInt>(InBytes);
    stream.next_out = Out;
    stream.avail_out = static_cast<uInt>(OutBytes);
    if (CompressCheck(deflateInit(&stream, Engine().CompressionLevel)) != Z_OK) {
        OutBytes = 0;
        return;
    }
    int result = CompressCheck(deflate(&stream, Z_FINISH));
    // Within the bound one call always ends the stream; if it ever does not, the chunk
    // counts as failed instead of being retried.
    if (result >= 0 && result != Z_STREAM_END)
        CompressCheck(Z_BUF_ERROR);
    CompressCheck(deflateEnd(&stream));
    OutBytes = static_cast<int64_t>(stream.total_out);
}

int DecompressBuffer(const uint8_t* In, int64_t InBytes, uint8_t* Out, int64_t OutSize,
                     int64_t* PlainBytes) {
    if (PlainBytes)
        *PlainBytes = 0;
    if (InBytes < 0 || OutSize < 0 || InBytes > kMaxZlibBytes || OutSize > kMaxZlibBytes)
        return DecompressCheck(Z_BUF_ERROR);
    z_stream stream;
    std::memset(&stream, 0, sizeof(stream));
    stream.next_in = const_cast<Bytef*>(In);
    stream.avail_in = static_cast<uInt>(InBytes);
    stream.next_out = Out;
    stream.avail_out = static_cast<uInt>(OutSize);
    if (DecompressCheck(inflateInit(&stream)) != Z_OK)
        return Z_STREAM_ERROR;
    int result = DecompressCheck(inflate(&stream, Z_FINISH));
    // A stream that stops before its end with room left (truncated input) is as broken
    // as one that does not fit.
    if (result >= 0 && result != Z_STREAM_END)
        DecompressCheck(Z_DATA_ERROR);
    if (PlainBytes)
        *PlainBytes = static_cast<int64_t>(stream.total_out);
    return DecompressCheck(inflateEnd(&stream));
}

} // namespace qm
