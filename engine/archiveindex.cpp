#include "engine/archiveindex.h"

#include "engine/enginestate.h"

#include <algorithm>

namespace qm {

uint64_t ArchiveIndex::HashOf(std::string_view Path) {
    // Paths that share a hash cost a second read, never a wrong entry: Read's caller
    // compares the stored path itself.
    return std::hash<std::string_view>{}(Path);
}

std::unique_ptr<ArchiveIndex> ArchiveIndex::Build(const std::string& ArchiveFile,
                                                  const std::string& Wanted,
                                                  const std::function<void()>& Pump) {
    std::unique_ptr<ArchiveIndex> index(new ArchiveIndex);
    index->fFile = FileHandle::open(ArchiveFile, OpenMode::Read);
    std::optional<FileIdentity> identity = index->fFile.identity();
    if (!index->fFile || !identity)
        return nullptr;
    index->fIdentity = *identity;
    const int64_t size = identity->size;
    int64_t pos = 0;
    while (pos < size) {
        ArchiveFormatError error;
        std::optional<ParsedEntry> parsed =
            ReadEntryAt(index->fFile, pos, size, static_cast<int64_t>(kInputBufferSize), &error);
        if (!parsed) {
            index->fDamage = error;
            break;
        }
        const bool wanted = parsed->header.Path == Wanted;
        index->fStarts.push_back(Start{HashOf(parsed->header.Path), pos});
        pos += parsed->length;
        if (!wanted && pos < size && Pump)
            Pump();
    }
    std::sort(index->fStarts.begin(), index->fStarts.end(), [](const Start& a, const Start& b) {
        return a.pathHash != b.pathHash ? a.pathHash < b.pathHash : a.pos < b.pos;
    });
    return index;
}

std::vector<int64_t> ArchiveIndex::Find(std::string_view Path) const {
    const uint64_t hash = HashOf(Path);
    auto first = std::lower_bound(fStarts.begin(), fStarts.end(), hash,
                                  [](const Start& s, uint64_t h) { return s.pathHash < h; });
    std::vector<int64_t> starts;
    for (auto it = first; it != fStarts.end() && it->pathHash == hash; ++it)
        starts.push_back(it->pos);
    return starts;
}

std::optional<ArchiveIndex::Entry> ArchiveIndex::Read(int64_t Start, ArchiveFormatError* Error) {
    std::optional<ParsedEntry> parsed =
        ReadEntryAt(fFile, Start, fIdentity.size, static_cast<int64_t>(kInputBufferSize), Error);
    if (!parsed)
        return std::nullopt;
    return Entry{Start, std::move(*parsed)};
}

} // namespace qm
