#include "engine/archiveindex.h"

#include "engine/enginestate.h"

namespace qm {

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
        pos += parsed->length;
        index->fEntries.push_back(Entry{pos - parsed->length, std::move(*parsed)});
        if (!wanted && pos < size && Pump)
            Pump();
    }
    // The views point into fEntries, which no longer changes.
    for (size_t i = 0; i < index->fEntries.size(); ++i)
        index->fByPath[index->fEntries[i].parsed.header.Path].push_back(i);
    return index;
}

const std::vector<size_t>& ArchiveIndex::Find(const std::string& Path) const {
    static const std::vector<size_t> none;
    auto found = fByPath.find(Path);
    return found == fByPath.end() ? none : found->second;
}

} // namespace qm
