#pragma once
// The entries of one ".bpa" archive as a walk from offset 0 finds them: where each
// starts, its checked header and chunk table, and the damaged header that stopped the
// walk, if any. A restore looks entries up by stored path here instead of walking the
// archive again, so a restore run reads a run archive of n files once instead of n
// times. The index owns the archive's open handle and the identity of the file it was
// built from, so its owner can tell when the file has changed since.

#include "engine/archiveformat.h"
#include "platform/fileio.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
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
    // None when the archive cannot be opened or its size read.
    static std::unique_ptr<ArchiveIndex> Build(const std::string& ArchiveFile,
                                               const std::string& Wanted,
                                               const std::function<void()>& Pump);

    const std::vector<Entry>& Entries() const { return fEntries; }
    // Positions in Entries() of the entries stored under Path (exactly, case included),
    // in archive order.
    const std::vector<size_t>& Find(const std::string& Path) const;
    // The check that stopped the walk (its offset within the archive); none when the
    // walk reached the end.
    const std::optional<ArchiveFormatError>& Damage() const { return fDamage; }
    FileHandle& File() { return fFile; }
    // Whether the file the index was built from is the one Identity describes.
    bool Describes(const FileIdentity& Identity) const { return fIdentity == Identity; }

  private:
    ArchiveIndex() = default;

    FileHandle fFile;
    FileIdentity fIdentity;
    std::vector<Entry> fEntries;
    std::optional<ArchiveFormatError> fDamage;
    std::unordered_map<std::string_view, std::vector<size_t>> fByPath; // views into fEntries
};

} // namespace qm
