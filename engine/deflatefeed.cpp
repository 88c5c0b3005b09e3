#include "engine/deflatefeed.h"

#include "engine/archiveformat.h"
#include "engine/copytree.h"
#include "engine/enginestate.h"

#include <algorithm>

namespace qm {

DeflateFeed::DeflateFeed(std::vector<Source> Sources, int Level, std::optional<EntryKey> Key)
    : fPool(ChunkPool::WorkersFor(Engine().WorkerLimit), Engine().Library,
            [] { Engine().ProcessMessagesWhenDue(); }),
      fLevel(Level), fKey(Key), fSources(std::move(Sources)) {}

// The chunks read ahead go before the pool that holds their buffers.
DeflateFeed::~DeflateFeed() {
    fItems.clear();
}

void DeflateFeed::OpenNextSource() {
    const size_t index = fNextSource++;
    FileHandle file = FileHandle::open(fSources[index].second, OpenMode::Read);
    const int64_t size = file ? file.size() : -1;
    Item start;
    start.source = index;
    start.start = true;
    start.size = size;
    start.date = file ? file.dosDateTime() : std::nullopt;
    fItems.push_back(std::move(start));
    // A source too large for an archive is refused by the writer: nothing to read.
    std::optional<uint16_t> chunks = ChunkCountFor(size);
    if (size < 0 || !chunks)
        return;
    fReading = std::move(file);
    fReadingSource = index;
    fReadingSize = size;
    fReadingChunks = *chunks;
    fNextChunk = 0;
    fReadingCipher =
        fKey ? std::make_shared<EntryCipher>(fKey->bytes, fKey->bits, CheckValue) : nullptr;
}

bool DeflateFeed::ReadAhead() {
    if (fItems.size() >= ChunkPool::kMaxChunks)
        return false;
    if (!fReading.isOpen()) {
        if (fNextSource >= fSources.size())
            return false;
        OpenNextSource();
        return true;
    }
    const int64_t length = ChunkPlainLength(fReadingSize, fNextChunk);
    const int64_t bound = ChunkCodec::DeflateBound(length);
    if (!fPool.HasRoom(length, bound))
        return false;
    ChunkHandle data = fPool.NewChunk(PoolChunk::Work::Deflate, length, bound);
    data->level = fLevel;
    data->inputBytes = length;
    data->cipher = fReadingCipher;
    data->cipherIndex = fNextChunk;
    Item item;
    item.source = fReadingSource;
    item.size = fReadingSize;
    item.chunk.read = length == 0 || fReading.readExact(data->input, length);
    ++fNextChunk;
    if (item.chunk.read) {
        fPool.Submit(*data);
        item.chunk.data = std::move(data);
    }
    // After a failed read the writer takes no later chunk of the file.
    if (!item.chunk.read || fNextChunk == fReadingChunks)
        fReading.close();
    fItems.push_back(std::move(item));
    return true;
}

void DeflateFeed::Restart(size_t Line, const std::string& Path) {
    fItems.clear();
    fReading.close();
    auto at = std::lower_bound(fSources.begin(), fSources.end(), Line,
                               [](const Source& s, size_t line) { return s.first < line; });
    if (at == fSources.end() || *at != Source{Line, Path})
        at = fSources.insert(at, Source{Line, Path});
    fNextSource = static_cast<size_t>(at - fSources.begin());
}

std::optional<int64_t> DeflateFeed::Begin(size_t Line, const std::string& Path) {
    // What was read of sources the writer passed over is of no use any more.
    auto passed = [this, Line](const Item& item) { return fSources[item.source].first < Line; };
    while (!fItems.empty() && passed(fItems.front()))
        fItems.pop_front();
    if (fReading.isOpen() && fSources[fReadingSource].first < Line)
        fReading.close();
    while (fNextSource < fSources.size() && fSources[fNextSource].first < Line)
        ++fNextSource;
    for (;;) {
        if (fItems.empty() &&
            !(fNextSource < fSources.size() && fSources[fNextSource] == Source{Line, Path})) {
            Restart(Line, Path);
        }
        if (fItems.empty()) {
            OpenNextSource();
            continue;
        }
        const Item& front = fItems.front();
        if (!front.start || fSources[front.source] != Source{Line, Path}) {
            Restart(Line, Path);
            continue;
        }
        break;
    }
    Item start = std::move(fItems.front());
    fItems.pop_front();
    fCurrentSource = start.source;
    if (start.size < 0)
        return std::nullopt;
    return start.size;
}

DeflateFeed::Chunk DeflateFeed::Next() {
    if (fItems.empty())
        ReadAhead();
    if (fItems.empty() || fItems.front().start || fItems.front().source != fCurrentSource)
        return Chunk{}; // asked past the source's last chunk: nothing was read
    Chunk chunk = std::move(fItems.front().chunk);
    fItems.pop_front();
    if (chunk.data)
        fPool.Await(*chunk.data, [this] { return ReadAhead(); });
    return chunk;
}

DeflateFeed::SourceState DeflateFeed::StateBeforeReading(size_t Line,
                                                         const std::string& Path) const {
    for (const Item& item : fItems) {
        if (item.start && fSources[item.source] == Source{Line, Path})
            return SourceState{item.date, item.size};
    }
    return SourceState{fileDosDateTime(Path), fileSize(Path)};
}

void DeflateFeed::EndSource() {
    while (!fItems.empty() && !fItems.front().start && fItems.front().source == fCurrentSource)
        fItems.pop_front();
    if (fReading.isOpen() && fReadingSource == fCurrentSource)
        fReading.close();
}

} // namespace qm
