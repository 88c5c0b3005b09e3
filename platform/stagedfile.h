#pragma once
// StagedFile: writes a file that replaces another only once it is complete. The bytes
// go into a new temporary file beside the target (created exclusively, so no other
// file is emptied or followed); Commit dates it and renames it over the target, and
// anything short of a commit deletes the temporary and leaves the target as it was.
// Owns the temporary file and its handle.

#include "platform/fileio.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qm {

class StagedFile {
  public:
    explicit StagedFile(std::string Target);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Creates the temporary file beside the target; false when no name is free or the
    // folder is not writable.
    bool Open();
    // The temporary file, for writing.
    FileHandle& File() { return fFile; }
    const std::string& TempName() const { return fTempName; }
    // Gives the temporary DosDate (when set) and puts it in place of the target. A file
    // that replaces an existing one keeps its permissions and is on the disk before the
    // rename, so a crash never leaves neither version. False (temporary deleted, target
    // untouched) when any write, the date, the sync, the close or the rename failed.
    bool Commit(std::optional<uint32_t> DosDate);
    // Deletes the temporary file; the target stays as it was.
    void Discard();

    // Suffix of the temporary names.
    static constexpr const char* kSuffix = ".qmpart";

  private:
    std::string fTarget;
    std::string fTempName;
    FileHandle fFile;
};

} // namespace qm
