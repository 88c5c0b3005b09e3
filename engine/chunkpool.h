#pragma once
// A pool of worker threads that deflate or inflate archive chunks while the window
// thread reads ahead, writes and reports. The window thread owns every chunk: it fills
// the input, hands the chunk over with Submit and reads the result only after Await. A
// worker runs nothing but its own ChunkCodec over the chunk's two buffers and, when the
// run encrypts, the cipher stream of the chunk's entry (EntryCipher), so no worker
// touches the engine state, a window, the catalogue or the log.
//
// The pool owns the chunks' buffers and keeps all of them within a memory budget; the
// number of workers follows the cores and that budget. A chunk's input goes back to the
// budget as soon as its work is done, so the window can read further ahead while done
// chunks wait to be written. Dropping a chunk handle returns its buffers, also while a
// worker still works on it (the worker drops it when done), so a cancel never waits for
// work nobody wants. The pool must outlive its handles. Threads start with the first
// chunk handed over and end with the pool.

#include "engine/aesstream.h"
#include "engine/chunkcodec.h"
#include "platform/fileio.h"
#include "platform/pagebuffer.h"

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace qm {

class ChunkPool;
class PoolChunk;

// The cipher stream of one entry, shared by its chunks: AES-CFB from a zero IV over the
// entry's check value and then its chunks' deflated bytes, in order, as the archive
// stores them. The stream runs across the chunks, so chunk k is encrypted only after
// chunk k - 1: by whichever thread finds it deflated and its turn come (the worker that
// deflated it, or the one that encrypted the chunk before), never by a thread waiting
// for its turn.
class EntryCipher {
  public:
    EntryCipher(const std::array<uint8_t, 32>& Key, int KeyBits,
                const std::array<uint8_t, 8>& Check);
    // The check value as the stream encrypted it: valid once the entry's first chunk is
    // done and came out encrypted.
    const std::array<uint8_t, 8>& EncryptedCheck() const { return fCheck; }

  private:
    friend class ChunkPool;
    friend class PoolChunk;
    const std::array<uint8_t, 32> fKey;
    const int fKeyBits;
    std::array<uint8_t, 8> fCheck;
    // The rest is the pool's, under its lock (the stream: the thread whose turn it is).
    std::unique_ptr<TAESStream> fStream; // keyed when the first chunk is encrypted
    uint16_t fNext = 0;                  // the chunk whose turn it is
    bool fBusy = false;                  // a thread is encrypting the chunks in turn
    bool fBroken = false;                // a chunk was dropped or failed: the later ones stay plain
    std::vector<PoolChunk*> fWaiting;    // deflated, waiting for their turn
};

class PoolChunk {
  public:
    enum class Work : uint8_t { Deflate, Inflate };

    Work work = Work::Deflate;
    int level = 0; // deflate level
    // Filled by the owner before Submit: InputBytes of input. Inflate: the plain length
    // expected is the output's capacity.
    uint8_t* input = nullptr;
    int64_t inputBytes = 0;
    uint8_t* output = nullptr;
    int64_t outputCapacity = 0;
    // Deflate only, when the run encrypts: the entry's cipher stream and this chunk's
    // place in it.
    std::shared_ptr<EntryCipher> cipher;
    uint16_t cipherIndex = 0;
    // Set once done: the stream's or the plain length, and 0 or the negative zlib code
    // of a failure; whether the output is encrypted as its place in `cipher`. The input
    // is gone by then.
    int64_t outputBytes = 0;
    int result = 0;
    bool encrypted = false;

    // Decrypts an encrypted output back to the plain stream; false when it cannot.
    bool Unencrypt();

  private:
    friend class ChunkPool;
    // Sealing: deflated, waiting for its turn in its entry's cipher stream.
    enum class State : uint8_t { New, Queued, Running, Sealing, Done, Dropped };
    struct Buffer {
        PageBuffer data;
        int64_t capacity = 0;
    };
    State state = State::New;
    Buffer inputBuffer, outputBuffer;
    TStreamCipher::TPosition cipherBefore; // the stream just before this chunk
};

struct PoolChunkDrop {
    ChunkPool* pool = nullptr;
    void operator()(PoolChunk* Chunk) const;
};
using ChunkHandle = std::unique_ptr<PoolChunk, PoolChunkDrop>;

class ChunkPool {
  public:
    // The bytes the chunks of one pool may hold at once: eight chunks of 8 MiB with room
    // for their deflated form, so a run stays well under 160 MiB. A pool holds no more
    // than one such chunk per worker and one more being read.
    static constexpr int64_t kMemoryBudget = 136LL << 20;
    // Chunks held at once, whatever their size: the read-ahead of small files.
    static constexpr size_t kMaxChunks = 256;
    // Workers for a limit (0 = none): one per core, but no more than the budget holds
    // 8 MiB chunks with their deflated form. A negative limit gives none at all.
    static int WorkersFor(int WorkerLimit);

    // Pump lets the window handle its events while the calling thread waits. Without
    // workers the calling thread does every chunk itself when it asks for it, one after
    // the other, as the engine did before it had workers.
    ChunkPool(int Workers, DeflateLibrary Library, std::function<void()> Pump);
    ~ChunkPool();
    ChunkPool(const ChunkPool&) = delete;
    ChunkPool& operator=(const ChunkPool&) = delete;

    int Workers() const { return fWorkerCount; }
    // Whether a chunk with these buffer sizes fits next to the chunks held now; always
    // true when none is held, so work never stalls.
    bool HasRoom(int64_t InputBytes, int64_t OutputBytes) const;
    // A chunk with buffers of at least these sizes, counted until it is dropped.
    ChunkHandle NewChunk(PoolChunk::Work Work, int64_t InputBytes, int64_t OutputBytes);
    // Hands the chunk to the workers; the owner keeps its hands off it until Await.
    void Submit(PoolChunk& Chunk);
    // Returns once the chunk is done. First ReadAhead is called as long as it returns
    // true, also when the chunk is done already, so that the workers never run dry while
    // the calling thread writes; then, with nothing to do, it sleeps and runs the pump at
    // least every 50 ms.
    // A small chunk that no worker has started yet is run on the calling thread
    // instead of waited for.
    void Await(PoolChunk& Chunk, const std::function<bool()>& ReadAhead = {});

  private:
    friend struct PoolChunkDrop;
    using Buffer = PoolChunk::Buffer;

    void Drop(PoolChunk* Chunk);
    // With fMutex held:
    void Release(PoolChunk* Chunk);
    void Unqueue(PoolChunk& Chunk);
    // The chunk's work is over: done, or released when dropped meanwhile.
    void Settle(PoolChunk* Chunk);
    // After the chunk's deflate or inflate: returns its input and, when it is its turn,
    // encrypts it and the deflated chunks of its entry that follow it (unlocking while
    // encrypting); else leaves it waiting for its turn.
    void Finish(PoolChunk* Chunk, std::unique_lock<std::mutex>& Lock);
    void BreakStream(EntryCipher& Cipher);
    static bool Encrypt(EntryCipher& Cipher, PoolChunk& Chunk);
    Buffer TakeBuffer(int64_t Bytes);
    void GiveBack(Buffer& Buffer);
    void StartWorkers();
    void WorkerLoop();
    static void Run(ChunkCodec& Codec, PoolChunk& Chunk);

    const int fWorkerCount;
    const int64_t fBudget;
    const DeflateLibrary fLibrary;
    const std::function<void()> fPump;
    ChunkCodec fCallerCodec;

    mutable std::mutex fMutex;
    std::condition_variable fWork; // a chunk was queued, or the pool stops
    std::condition_variable fDone; // a chunk is done
    std::deque<PoolChunk*> fQueue;
    std::vector<Buffer> fSpares; // large buffers kept for reuse
    int64_t fLiveBytes = 0;      // buffers of the chunks not dropped yet
    int64_t fSpareBytes = 0;
    size_t fLiveChunks = 0;
    int64_t fQueuedBytes = 0; // input of the queued chunks
    int fRunning = 0;
    int fSleeping = 0; // workers waiting for a chunk
    bool fStopping = false;
    std::vector<std::thread> fThreads;
};

// Writes Count bytes of a chunk to File in slices, letting the window run its events
// between them when due (Engine().ProcessMessagesWhenDue): a media drive that makes
// writes wait must not freeze the window while workers are busy. Window thread only;
// false, as FileHandle::write, when any slice fails.
bool WriteChunkBytes(FileHandle& File, const uint8_t* Bytes, int64_t Count);

} // namespace qm
