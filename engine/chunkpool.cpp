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
// Waking a worker costs the window thread a system call, as long as a small chunk takes
// to deflate: small chunks are left to the workers already awake while each of them has
// less than this much queued (a few milliseconds of work).
constexpr int64_t kQueuedPerWorker = 256 << 10;
constexpr int64_t kLargestChunk = 8 << 20;
constexpr int64_t kWriteSlice = 1 << 20;

// A chunk of 8 MiB with room for its deflated form.
int64_t largestChunkBytes() {
    return kLargestChunk + ChunkCodec::DeflateBound(kLargestChunk);
}

} // namespace

EntryCipher::EntryCipher(const std::array<uint8_t, 32>& Key, int KeyBits,
                         const std::array<uint8_t, 8>& Check)
    : fKey(Key), fKeyBits(KeyBits), fCheck(Check) {}

bool PoolChunk::Unencrypt() {
    if (!encrypted)
        return true;
    TAESStream stream;
    if (!cipher || !stream.SetKey(cipher->fKey.data(), cipher->fKeyBits) ||
        !stream.SetPosition(cipherBefore))
        return false;
    stream.Decrypt(output, static_cast<size_t>(outputBytes));
    encrypted = false;
    return true;
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
    return Buffer{PageBuffer(Bytes), Bytes};
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
    chunk->input = chunk->inputBuffer.data.data();
    chunk->output = chunk->outputBuffer.data.data();
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

void ChunkPool::Settle(PoolChunk* Chunk) {
    if (Chunk->state == PoolChunk::State::Dropped)
        Release(Chunk);
    else
        Chunk->state = PoolChunk::State::Done;
}

void ChunkPool::BreakStream(EntryCipher& Cipher) {
    // Nobody wants the chunks after a dropped or failed one: they are done, plain.
    Cipher.fBroken = true;
    for (PoolChunk* waiting : Cipher.fWaiting)
        Settle(waiting);
    Cipher.fWaiting.clear();
}

void ChunkPool::Drop(PoolChunk* Chunk) {
    std::lock_guard lock(fMutex);
    using State = PoolChunk::State;
    if (Chunk->state == State::Running) {
        Chunk->state = State::Dropped; // its thread releases it
        return;
    }
    // The chunk keeps its stream alive until it is released.
    const std::shared_ptr<EntryCipher> cipher = Chunk->cipher;
    if (Chunk->state == State::Queued)
        Unqueue(*Chunk);
    if (Chunk->state == State::Sealing)
        std::erase(cipher->fWaiting, Chunk);
    if (cipher && Chunk->state != State::Done)
        BreakStream(*cipher);
    Release(Chunk);
    fDone.notify_all(); // chunks left waiting for their turn are done now
}

void ChunkPool::StartWorkers() {
    for (int i = 0; i < fWorkerCount; ++i)
        fThreads.emplace_back([this] { WorkerLoop(); });
}

void ChunkPool::Submit(PoolChunk& Chunk) {
    bool wake = false;
    {
        std::lock_guard lock(fMutex);
        if (fThreads.empty() && fWorkerCount > 0)
            StartWorkers();
        Chunk.state = PoolChunk::State::Queued;
        fQueue.push_back(&Chunk);
        fQueuedBytes += Chunk.inputBytes;
        // A chunk too large for a waiting window thread to take over always gets a worker.
        wake = fSleeping > 0 && (fRunning == 0 || Chunk.inputBytes > kCallerRunsUpTo ||
                                 fQueuedBytes > fRunning * kQueuedPerWorker);
    }
    if (wake)
        fWork.notify_one();
}

void ChunkPool::Unqueue(PoolChunk& Chunk) {
    fQueue.erase(std::find(fQueue.begin(), fQueue.end(), &Chunk));
    fQueuedBytes -= Chunk.inputBytes;
}

void ChunkPool::Run(ChunkCodec& Codec, PoolChunk& Chunk) {
    if (Chunk.work == PoolChunk::Work::Deflate) {
        const int64_t packed = Codec.Deflate(Chunk.input, Chunk.inputBytes, Chunk.output,
                                             Chunk.outputCapacity, Chunk.level);
        Chunk.result = packed < 0 ? static_cast<int>(packed) : 0;
        Chunk.outputBytes = std::max<int64_t>(packed, 0);
        return;
    }
    Chunk.result = Codec.Inflate(Chunk.input, Chunk.inputBytes, Chunk.output, Chunk.outputCapacity,
                                 Chunk.outputBytes);
}

bool ChunkPool::Encrypt(EntryCipher& Cipher, PoolChunk& Chunk) {
    if (!Cipher.fStream) {
        auto stream = std::make_unique<TAESStream>();
        if (!stream->SetKey(Cipher.fKey.data(), Cipher.fKeyBits))
            return false;
        const uint8_t iv[16] = {};
        stream->SetIV(iv);
        stream->Encrypt(Cipher.fCheck.data(), Cipher.fCheck.size());
        Cipher.fStream = std::move(stream);
    }
    Chunk.cipherBefore = Cipher.fStream->Position();
    Cipher.fStream->Encrypt(Chunk.output, static_cast<size_t>(Chunk.outputBytes));
    return true;
}

void ChunkPool::Finish(PoolChunk* Chunk, std::unique_lock<std::mutex>& Lock) {
    using State = PoolChunk::State;
    GiveBack(Chunk->inputBuffer);
    Chunk->input = nullptr;
    // Held here: releasing the last of the entry's chunks must not end its stream.
    const std::shared_ptr<EntryCipher> cipher = Chunk->cipher;
    if (!cipher) {
        Settle(Chunk);
        return;
    }
    if (cipher->fBroken || Chunk->state == State::Dropped || Chunk->result < 0) {
        if (!cipher->fBroken)
            BreakStream(*cipher);
        Settle(Chunk);
        return;
    }
    if (cipher->fBusy || cipher->fNext != Chunk->cipherIndex) {
        Chunk->state = State::Sealing;
        cipher->fWaiting.push_back(Chunk);
        return;
    }
    cipher->fBusy = true;
    for (PoolChunk* turn = Chunk;;) {
        turn->state = State::Running;
        Lock.unlock();
        const bool encrypted = Encrypt(*cipher, *turn);
        Lock.lock();
        turn->encrypted = encrypted;
        ++cipher->fNext;
        const bool dropped = turn->state == State::Dropped;
        Settle(turn);
        if (!encrypted || dropped) {
            BreakStream(*cipher);
            break;
        }
        auto next =
            std::find_if(cipher->fWaiting.begin(), cipher->fWaiting.end(),
                         [&](const PoolChunk* c) { return c->cipherIndex == cipher->fNext; });
        if (next == cipher->fWaiting.end())
            break;
        turn = *next;
        cipher->fWaiting.erase(next);
    }
    cipher->fBusy = false;
}

void ChunkPool::WorkerLoop() {
    ChunkCodec codec(fLibrary);
    std::unique_lock lock(fMutex);
    for (;;) {
        if (!fStopping && fQueue.empty()) {
            ++fSleeping;
            fWork.wait(lock, [this] { return fStopping || !fQueue.empty(); });
            --fSleeping;
        }
        if (fStopping)
            return;
        PoolChunk* chunk = fQueue.front();
        fQueue.pop_front();
        fQueuedBytes -= chunk->inputBytes;
        chunk->state = PoolChunk::State::Running;
        ++fRunning;
        lock.unlock();
        Run(codec, *chunk);
        lock.lock();
        Finish(chunk, lock);
        --fRunning;
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
    for (;;) {
        if (readingAhead) {
            lock.unlock();
            readingAhead = ReadAhead();
            lock.lock();
            pumpWhenDue();
            continue;
        }
        if (Chunk.state == PoolChunk::State::Done)
            break;
        // With nothing left to read ahead, a small chunk that no worker has started yet is
        // quicker done here than waited for; without workers every chunk is done here.
        const bool unstarted = Chunk.state == PoolChunk::State::New ||
                               (Chunk.state == PoolChunk::State::Queued &&
                                (fWorkerCount == 0 || Chunk.inputBytes <= kCallerRunsUpTo));
        if (unstarted) {
            if (Chunk.state == PoolChunk::State::Queued)
                Unqueue(Chunk);
            Chunk.state = PoolChunk::State::Running;
            lock.unlock();
            Run(fCallerCodec, Chunk);
            lock.lock();
            Finish(&Chunk, lock);
            fDone.notify_all();
            continue;
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
