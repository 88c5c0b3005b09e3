#pragma once
// Record-level access to an open catalogue file "drive.lst". The count at offset 0 is
// only trusted when it agrees with the file's length; otherwise the catalogue is taken
// as the whole records it really holds, so that a damaged count can never make a reader
// run past the file, an allocation follow it, or a removal cut good records off. The
// caller owns the FileHandle; nothing here opens or closes it.

#include "engine/driverecord.h"
#include "platform/fileio.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qm {

class CatalogueFile {
  public:
    // What the file says about itself against what it holds.
    struct Shape {
        int64_t length = 0;           // bytes in the file
        std::optional<int32_t> count; // the stored count; none when the file is too short
        int32_t records = 0;          // whole records the file holds

        bool sound() const {
            return count && *count == records && length == DriveListLayout::recordOffset(records);
        }
        // For the log: what disagrees and how the catalogue is read. Empty when sound.
        std::string problem() const;
    };

    explicit CatalogueFile(FileHandle& file) : fFile(file) {}

    std::optional<Shape> Inspect();
    std::optional<DriveListRecordBytes> ReadRecord(int32_t index);
    bool WriteRecord(int32_t index, const DriveListRecordBytes& bytes);
    bool WriteCount(int32_t count);
    // Removes record `index` of `count`: the last record is written into its place and
    // synced, the file is cut after the new last record, the new count is written and
    // the file synced again.
    bool RemoveRecord(int32_t index, int32_t count);

  private:
    FileHandle& fFile;
};

} // namespace qm
