#include "engine/chunkcodec.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace qm {

namespace {

// Both libraries count in 32-bit units; the engine never hands them more than 16 MiB at
// once, but a larger request must fail rather than wrap around.
constexpr int64_t kMaxCodecBytes = 0x7FFFFFFF;
constexpr int kMaxLevel = 9;

} // namespace

void ChunkCodec::FreeCompressor::operator()(libdeflate_compressor* Compressor) const {
    libdeflate_free_compressor(Compressor);
}

void ChunkCodec::FreeDecompressor::operator()(libdeflate_decompressor* Decompressor) const {
    libdeflate_free_decompressor(Decompressor);
}

ChunkCodec::ChunkCodec(DeflateLibrary Library) : fLibrary(Library) {}

ChunkCodec::~ChunkCodec() = default;

int64_t ChunkCodec::DeflateBound(int64_t InBytes) {
    const auto in = static_cast<size_t>(std::max<int64_t>(InBytes, 0));
    return static_cast<int64_t>(
        std::max<size_t>(libdeflate_zlib_compress_bound(nullptr, in), compressBound(in)));
}

int64_t ChunkCodec::Deflate(const uint8_t* In, int64_t InBytes, uint8_t* Out, int64_t OutCapacity,
                            int Level) {
    if (Level < 0 || Level > kMaxLevel)
        return Z_STREAM_ERROR;
    if (InBytes < 0 || OutCapacity < 0 || InBytes > kMaxCodecBytes || OutCapacity > kMaxCodecBytes)
        return Z_BUF_ERROR;
    if (fLibrary == DeflateLibrary::Zlib)
        return ZlibDeflate(In, InBytes, Out, OutCapacity, Level);
    auto& compressor = fCompressors[Level];
    if (!compressor)
        compressor.reset(libdeflate_alloc_compressor(Level));
    if (!compressor)
        return Z_MEM_ERROR;
    const size_t written = libdeflate_zlib_compress(
        compressor.get(), In, static_cast<size_t>(InBytes), Out, static_cast<size_t>(OutCapacity));
    // Even the stream of no bytes is a few bytes long: 0 means it did not fit.
    return written == 0 ? Z_BUF_ERROR : static_cast<int64_t>(written);
}

int ChunkCodec::Inflate(const uint8_t* In, int64_t InBytes, uint8_t* Out, int64_t OutSize,
                        int64_t& PlainBytes) {
    PlainBytes = 0;
    if (InBytes < 0 || OutSize < 0 || InBytes > kMaxCodecBytes || OutSize > kMaxCodecBytes)
        return Z_BUF_ERROR;
    if (fLibrary == DeflateLibrary::Zlib)
        return ZlibInflate(In, InBytes, Out, OutSize, PlainBytes);
    if (!fDecompressor)
        fDecompressor.reset(libdeflate_alloc_decompressor());
    if (!fDecompressor)
        return Z_MEM_ERROR;
    size_t plain = 0;
    switch (libdeflate_zlib_decompress(fDecompressor.get(), In, static_cast<size_t>(InBytes), Out,
                                       static_cast<size_t>(OutSize), &plain)) {
    case LIBDEFLATE_SUCCESS:
        PlainBytes = static_cast<int64_t>(plain);
        return Z_OK;
    case LIBDEFLATE_INSUFFICIENT_SPACE:
        return Z_BUF_ERROR;
    default:
        return Z_DATA_ERROR;
    }
}

int64_t ChunkCodec::ZlibDeflate(const uint8_t* In, int64_t InBytes, uint8_t* Out,
                                int64_t OutCapacity, int Level) {
    z_stream stream;
    std::memset(&stream, 0, sizeof(stream));
    stream.next_in = const_cast<Bytef*>(In);
    stream.avail_in = static_cast<uInt>(InBytes);
    stream.next_out = Out;
    stream.avail_out = static_cast<uInt>(OutCapacity);
    int result = deflateInit(&stream, Level);
    if (result != Z_OK)
        return result;
    result = deflate(&stream, Z_FINISH);
    // With room for the bound one call ends the stream; if it does not, the chunk fails
    // instead of being retried.
    if (result >= 0 && result != Z_STREAM_END)
        result = Z_BUF_ERROR;
    const int ended = deflateEnd(&stream);
    if (result < 0)
        return result;
    if (ended < 0)
        return ended;
    return static_cast<int64_t>(stream.total_out);
}

int ChunkCodec::ZlibInflate(const uint8_t* In, int64_t InBytes, uint8_t* Out, int64_t OutSize,
                            int64_t& PlainBytes) {
    z_stream stream;
    std::memset(&stream, 0, sizeof(stream));
    stream.next_in = const_cast<Bytef*>(In);
    stream.avail_in = static_cast<uInt>(InBytes);
    stream.next_out = Out;
    stream.avail_out = static_cast<uInt>(OutSize);
    int result = inflateInit(&stream);
    if (result != Z_OK)
        return result;
    result = inflate(&stream, Z_FINISH);
    // A stream that stops before its end with room left (input cut short) is as broken
    // as one that does not fit.
    if (result >= 0 && result != Z_STREAM_END)
        result = Z_DATA_ERROR;
    const int ended = inflateEnd(&stream);
    if (result < 0)
        return result;
    if (ended < 0)
        return ended;
    PlainBytes = static_cast<int64_t>(stream.total_out);
    return Z_OK;
}

} // namespace qm
