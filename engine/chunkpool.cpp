#include "engine/chunkpool.h"

#include "engine/aesstream.h"
#include "engine/enginestate.h"

#include <algorithm>
#include <chrono>

namespace qm {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPumpInterval = std::chrono::milliseconds(50);
// Buffers from this size on are kept for the next chunk instead of freed.
constexpr int64_t kSpareMinimum = 1 << 20;
// Chunks up to this input size are run by a waiting window thread itself: at any level
// they take well under the pump interval.
constexpr int64_t kCallerRunsUpTo = 256 << 10;
constexpr int64_t kLargestChunk = 8 << 20;
constexpr int64_t kWriteSlice = 1 << 20;

// A chunk of 8 MiB with room for its deflated form.
int64_t largestChunkBytes() {
    return kLargestChunk + ChunkCodec::DeflateBound(kLargestChunk);
}

} // namespace

namespace {

// The entry's cipher stream: the check value, then the chunk.
void RunCipher(PoolChunk& Chunk, bool Encrypt) {
    TAESStream cipher;
    if (!cipher.SetKey(Chunk.key.data(), Chunk.keyBits))
        return;
    const uint8_t iv[16] = {};
    cipher.SetIV(iv);
    auto apply = [&](uint8_t* bytes, size_t length) {
        if (Encrypt)
            cipher.Encrypt(bytes, length);
        else
            cipher.Decrypt(bytes, length);
    };
    apply(Chunk.check.data(), Chunk.check.size());
    apply(Chunk.output, static_cast<size_t>(Chunk.outputBytes));
}

} // namespace

void PoolChunk::Unencrypt() {
    RunCipher(*this, false);
}

void PoolChunkDrop::operator()(PoolChunk* Chunk) const {
    if (pool)
        pool->Drop(Chunk);
    else
        delete Chunk;
}

int ChunkPool::WorkersFor(int WorkerLimit) {
    const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    int workers = static_cast<int>(
        std::min<int64_t>(cores, std::max<int64_t>(1, kMemoryBudget / largestChunkBytes())));
    if (WorkerLimit < 0)
        return 0;
    if (WorkerLimit > 0)
        workers = std::min(workers, WorkerLimit);
    return workers;
}

ChunkPool::ChunkPool(int Workers, DeflateLibrary Library, std::function<void()> Pump)
    : fWorkerCount(std::max(0, Workers)),
      fBudget(std::min(kMemoryBudget, (fWorkerCount + 1) * largestChunkBytes())), fLibrary(Library),
      fPump(std::move(Pump)), fCallerCodec(Library) {}

ChunkPool::~ChunkPool() {
    std::unique_lock lock(fMutex);
    // Chunks dropped while running are finished by their worker; the window keeps
    // running meanwhile.
    while (fRunning > 0) {
        if (!fDone.wait_for(lock, kPumpInterval, [this] { return fRunning == 0; }) && fPump) {
            lock.unlock();
            fPump();
            lock.lock();
        }
    }
    fStopping = true;
    lock.unlock();
    fWork.notify_all();
    for (std::thread& thread : fThreads)
        thread.join();
}

bool ChunkPool::HasRoom(int64_t InputBytes, int64_t OutputBytes) const {
    std::lock_guard lock(fMutex);
    if (fLiveChunks == 0)
        return true;
    return fLiveChunks < kMaxChunks && fLiveBytes + InputBytes + OutputBytes <= fBudget;
}

ChunkPool::Buffer ChunkPool::TakeBuffer(int64_t Bytes) {
    Bytes = std::max<int64_t>(Bytes, 1);
    if (Bytes >= kSpareMinimum) {
        // A spare fits when it is not much larger than asked, so a small request never
        // holds a large buffer.
        auto fits = [Bytes](const Buffer& b) {
            return b.capacity >= Bytes && b.capacity <= Bytes + Bytes / 4;
        };
        auto found = std::find_if(fSpares.begin(), fSpares.end(), fits);
        if (found != fSpares.end()) {
            Buffer buffer = std::move(*found);
            fSpares.erase(found);
            fSpareBytes -= buffer.capacity;
            fLiveBytes += buffer.capacity;
            return buffer;
        }
        while (!fSpares.empty() && fLiveBytes + fSpareBytes + Bytes > fBudget) {
            fSpareBytes -= fSpares.back().capacity;
            fSpares.pop_back();
        }
    }
    fLiveBytes += Bytes;
    return Buffer{std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(Bytes)), Bytes};
}

void ChunkPool::GiveBack(Buffer& Returned) {
    fLiveBytes -= Returned.capacity;
    if (Returned.capacity >= kSpareMinimum &&
        fLiveBytes + fSpareBytes + Returned.capacity <= fBudget) {
        fSpareBytes += Returned.capacity;
        fSpares.push_back(std::move(Returned));
    }
    Returned = Buffer{};
}

ChunkHandle ChunkPool::NewChunk(PoolChunk::Work Work, int64_t InputBytes, int64_t OutputBytes) {
    std::lock_guard lock(fMutex);
    ChunkHandle chunk(new PoolChunk, PoolChunkDrop{this});
    chunk->work = Work;
    chunk->inputBuffer = TakeBuffer(InputBytes);
    chunk->outputBuffer = TakeBuffer(OutputBytes);
    chunk->input = chunk->inputBuffer.data.get();
    chunk->output = chunk->outputBuffer.data.get();
    chunk->outputCapacity = OutputBytes;
    ++fLiveChunks;
    return chunk;
}

void ChunkPool::Release(PoolChunk* Chunk) {
    GiveBack(Chunk->inputBuffer);
    GiveBack(Chunk->outputBuffer);
    --fLiveChunks;
    delete Chunk;
}

void ChunkPool::Drop(PoolChunk* Chunk) {
    std::lock_guard lock(fMutex);
    if (Chunk->state == PoolChunk::State::Running) {
        Chunk->state = PoolChunk::State::Dropped; // its worker releases it
        return;
    }
    if (Chunk->state == PoolChunk::State::Queued)
        fQueue.erase(std::find(fQueue.begin(), fQueue.end(), Chunk));
    Release(Chunk);
}

void ChunkPool::StartWorkers() {
    for (int i = 0; i < fWorkerCount; ++i)
        fThreads.emplace_back([this] { WorkerLoop(); });
}

void ChunkPool::Submit(PoolChunk& Chunk) {
    {
        std::lock_guard lock(fMutex);
        if (fThreads.empty() && fWorkerCount > 0)
            StartWorkers();
        Chunk.state = PoolChunk::State::Queued;
        fQueue.push_back(&Chunk);
    }
    fWork.notify_one();
}

void ChunkPool::Run(ChunkCodec& Codec, PoolChunk& Chunk) {
    if (Chunk.work == PoolChunk::Work::Deflate) {
        const int64_t packed = Codec.Deflate(Chunk.input, Chunk.inputBytes, Chunk.output,
                                             Chunk.outputCapacity, Chunk.level);
        Chunk.result = packed < 0 ? static_cast<int>(packed) : 0;
        Chunk.outputBytes = std::max<int64_t>(packed, 0);
        if (Chunk.result == 0 && Chunk.keyBits != 0)
            RunCipher(Chunk, true);
        return;
    }
    Chunk.result = Codec.Inflate(Chunk.input, Chunk.inputBytes, Chunk.output, Chunk.outputCapacity,
                                 Chunk.outputBytes);
}

void ChunkPool::WorkerLoop() {
    ChunkCodec codec(fLibrary);
    std::unique_lock lock(fMutex);
    for (;;) {
        fWork.wait(lock, [this] { return fStopping || !fQueue.empty(); });
        if (fStopping)
            return;
        PoolChunk* chunk = fQueue.front();
        fQueue.pop_front();
        chunk->state = PoolChunk::State::Running;
        ++fRunning;
        lock.unlock();
        Run(codec, *chunk);
        lock.lock();
        --fRunning;
        if (chunk->state == PoolChunk::State::Dropped)
            Release(chunk);
        else
            chunk->state = PoolChunk::State::Done;
        fDone.notify_all();
    }
}

void ChunkPool::Await(PoolChunk& Chunk, const std::function<bool()>& ReadAhead) {
    std::unique_lock lock(fMutex);
    Clock::time_point lastPump = Clock::now();
    auto pumpWhenDue = [&] {
        if (Clock::now() - lastPump < kPumpInterval)
            return;
        lock.unlock();
        if (fPump)
            fPump();
        lock.lock();
        lastPump = Clock::now();
    };
    bool readingAhead = static_cast<bool>(ReadAhead);
    while (Chunk.state != PoolChunk::State::Done) {
        if (readingAhead) {
            lock.unlock();
            readingAhead = ReadAhead();
            lock.lock();
            pumpWhenDue();
            continue;
        }
        // With nothing left to read ahead, a small chunk that no worker has started yet is
        // quicker done here than waited for; without workers every chunk is done here.
        const bool unstarted = Chunk.state == PoolChunk::State::New ||
                               (Chunk.state == PoolChunk::State::Queued &&
                                (fWorkerCount == 0 || Chunk.inputBytes <= kCallerRunsUpTo));
        if (unstarted) {
            if (Chunk.state == PoolChunk::State::Queued)
                fQueue.erase(std::find(fQueue.begin(), fQueue.end(), &Chunk));
            Chunk.state = PoolChunk::State::Running;
            lock.unlock();
            Run(fCallerCodec, Chunk);
            lock.lock();
            Chunk.state = PoolChunk::State::Done;
            break;
        }
        fDone.wait_until(lock, lastPump + kPumpInterval,
                         [&Chunk] { return Chunk.state == PoolChunk::State::Done; });
        if (Chunk.state != PoolChunk::State::Done)
            pumpWhenDue();
    }
}

bool WriteChunkBytes(FileHandle& File, const uint8_t* Bytes, int64_t Count) {
    for (int64_t done = 0; done < Count || done == 0; done += kWriteSlice) {
        if (done > 0)
            Engine().ProcessMessagesWhenDue();
        if (!File.write(Bytes + done, std::min(kWriteSlice, Count - done)))
            return false;
        if (Count == 0)
            break;
    }
    return true;
}

} // namespace qm
