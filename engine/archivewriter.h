#pragma once
// Writes the entries of one ".bpa" archive for the job's archive backup: header, chunk
// table and the deflated (and, when the run encrypts, encrypted) chunks of each source
// file. The sources are read and deflated ahead by a DeflateFeed; the writer takes each
// file's chunks back in order and encrypts, writes and reports them on the window thread.
// Owns the archive's file handle for the length of one AddToArchive call and borrows the
// feed; the job owns the writer. After the first failed write the archive refuses every
// later entry, and no entry that lost bytes is reported as backed up.

#include "engine/archiveformat.h"
#include "engine/deflatefeed.h"
#include "platform/fileio.h"

#include <array>
#include <cstdint>
#include <string>

namespace qm {

class TBackUpJob;

class ArchiveWriter {
  public:
    enum class Outcome {
        Written,   // complete entry, success line logged
        Skipped,   // empty line
        Failed,    // failure line logged and counted, no success line
        Cancelled, // CancelFlag was found set; the archive is closed
    };

    // Creates (or empties) the archive; a failure shows in the first WriteEntry.
    ArchiveWriter(TBackUpJob& job, const std::string& archivePath, DeflateFeed& feed);

    // Writes the entry of `source` (line `line` of the job's list), whose catalogue
    // revision text becomes `revision`.
    Outcome WriteEntry(size_t line, const std::string& source, uint8_t revision);
    // Closes the archive. True when every entry reported Written is whole in it: a write
    // that failed (media full) fails only its own entry and the later ones, and the
    // archive is cut back to the entries before it. False when the system lost a write
    // of an entry already reported Written. The backup run makes the archive durable
    // together with the rest of the run.
    bool Close();
    // Start of the entry that a cancel interrupted; -1 when none was.
    int64_t CancelledEntryStart() const { return fCancelled ? fEntryStart : -1; }

  private:
    Outcome Fail(const std::string& line);
    // Narrows who may read the archive to who may read the source taken in next.
    void LimitAccess(const std::string& sourcePath);
    // Keys the job cipher for one entry and encrypts `check` as the stream's first
    // 8 bytes; false when the cipher cannot be set up.
    bool StartCipher(std::array<uint8_t, ArchiveLayout::kCheckValueSize>& check);
    bool WriteChunks(const std::string& sourcePath, ArchiveEntryHeader& header,
                     std::vector<int32_t>& table, bool& chunkFailed);
    bool RewriteHeader(int64_t entryStart, const ArchiveEntryHeader& header,
                       const std::vector<int32_t>& table);

    TBackUpJob& fJob;
    DeflateFeed& fFeed;
    std::string fPath;
    FileHandle fArchive;
    bool fCancelled = false;
    bool fAccessSet = false;  // the first source's access is set
    int64_t fEntryStart = -1; // the entry being written
    int64_t fBrokenAt = -1;   // the entry whose write failed first
};

} // namespace qm
