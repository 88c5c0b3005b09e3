#pragma once
// Where the entries of one ".bpa" archive start, as a walk from offset 0 finds them, and
// the damaged header that stopped the walk, if any. A restore looks entries up by stored
// path here instead of walking the archive again, so a restore run reads a run archive
// of n files once instead of n times. The index keeps no byte of the archive: per entry
// only its start and a hash of its stored path (16 bytes), so its memory grows with the
// number of entries, never with their size or the length of their paths; an entry found
// is read again (and its path compared) when it is restored. The index owns the
// archive's open handle and the identity of the file it was built from, so its owner can
// tell when the file has changed since.

#include "engine/archiveformat.h"
#include "platform/fileio.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class ArchiveIndex {
  public:
    struct Entry {
        int64_t pos = 0;
        ParsedEntry parsed;
    };

    // Walks ArchiveFile. Pump runs after every entry whose stored path is not Wanted
    // and that another entry follows, so a long walk leaves the window responsive.
    // None when the archive cannot be opened or its size read. Throws std::bad_alloc
    // when even the index does not fit in memory.
    static std::unique_ptr<ArchiveIndex> Build(const std::string& ArchiveFile,
                                               const std::string& Wanted,
                                               const std::function<void()>& Pump);

    // The starts of the entries that may be stored under Path, in archive order: every
    // one that is, and now and then one whose path only shares its hash (Read tells).
    std::vector<int64_t> Find(std::string_view Path) const;
    // The entry at Start read and checked again; none (with the reason) when the file
    // no longer holds one there.
    std::optional<Entry> Read(int64_t Start, ArchiveFormatError* Error);
    // Entries the walk found.
    std::size_t Count() const { return fStarts.size(); }
    // The check that stopped the walk (its offset within the archive); none when the
    // walk reached the end.
    const std::optional<ArchiveFormatError>& Damage() const { return fDamage; }
    FileHandle& File() { return fFile; }
    // Whether the file the index was built from is the one Identity describes.
    bool Describes(const FileIdentity& Identity) const { return fIdentity == Identity; }

  private:
    struct Start {
        uint64_t pathHash = 0;
        int64_t pos = 0;
    };
    static_assert(sizeof(Start) == 16);

    ArchiveIndex() = default;
    static uint64_t HashOf(std::string_view Path);

    FileHandle fFile;
    FileIdentity fIdentity;
    std::vector<Start> fStarts; // by path hash, then by position
    std::optional<ArchiveFormatError> fDamage;
};

} // namespace qm
