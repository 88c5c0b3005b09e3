#pragma once
// Deflates and inflates one archive chunk as one complete zlib stream (RFC 1950) and
// touches no engine state, so worker threads can use it. A codec owns one compressor
// per level asked and one decompressor, made on first use and reused for every later
// chunk; one thread uses a codec at a time.
//
// libdeflate does the work by default: it writes standard zlib streams about twice as
// fast as zlib at the same level and, given the chunk's known plain length, inflates
// about twice as fast. zlib stays available as the reference the benchmark measures
// against and as a second encoder whose streams any reader must take.

#include <cstdint>
#include <map>
#include <memory>

struct libdeflate_compressor;
struct libdeflate_decompressor;

namespace qm {

enum class DeflateLibrary : uint8_t { LibDeflate, Zlib };

class ChunkCodec {
  public:
    explicit ChunkCodec(DeflateLibrary Library);
    ~ChunkCodec();
    ChunkCodec(const ChunkCodec&) = delete;
    ChunkCodec& operator=(const ChunkCodec&) = delete;

    // Output room Deflate needs for InBytes of input with either library.
    static int64_t DeflateBound(int64_t InBytes);

    // Deflates In at Level (0 to 9) into Out (OutCapacity bytes) as one zlib stream.
    // Returns the stream's length, or a negative zlib result code when it failed (a
    // level out of range, too little room).
    int64_t Deflate(const uint8_t* In, int64_t InBytes, uint8_t* Out, int64_t OutCapacity,
                    int Level);
    // Inflates the zlib stream at the start of In into Out (OutSize bytes; bytes after
    // the stream's end are ignored). Returns 0, or a negative zlib result code when the
    // stream is corrupt, cut short or needs more room than OutSize. PlainBytes receives
    // the number of bytes inflated (0 after a failure).
    int Inflate(const uint8_t* In, int64_t InBytes, uint8_t* Out, int64_t OutSize,
                int64_t& PlainBytes);

  private:
    int64_t ZlibDeflate(const uint8_t* In, int64_t InBytes, uint8_t* Out, int64_t OutCapacity,
                        int Level);
    int ZlibInflate(const uint8_t* In, int64_t InBytes, uint8_t* Out, int64_t OutSize,
                    int64_t& PlainBytes);

    struct FreeCompressor {
        void operator()(libdeflate_compressor* Compressor) const;
    };
    struct FreeDecompressor {
        void operator()(libdeflate_decompressor* Decompressor) const;
    };

    DeflateLibrary fLibrary;
    std::map<int, std::unique_ptr<libdeflate_compressor, FreeCompressor>> fCompressors;
    std::unique_ptr<libdeflate_decompressor, FreeDecompressor> fDecompressor;
};

} // namespace qm
