#pragma once
// Reads ".bpa" archives back: walks the entries of one archive from offset 0, restores
// the entries of a wanted source path into their targets and cuts an entry out of a run
// archive. Archives come from the media and are not trusted: every header and chunk
// table is checked before it is used, and a damaged archive ends the walk with a log
// line. The reader borrows the job and the engine state; it owns the open archive.

#include "engine/archiveformat.h"
#include "engine/backupjob.h"
#include "platform/fileio.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace qm {

class ArchiveReader {
  public:
    ArchiveReader(TBackUpJob& Job, std::string ArchiveFile);

    // Restores every entry whose stored path is Source, the last one winning.
    void Restore(const std::string& Source, const std::string& RestoreTypeFolder,
                 std::optional<uint32_t> FileDate);
    enum class Removal { Removed, NotFound, Failed };
    // Removes the first entry whose stored path is Source: the last entry is cut off, any
    // other is left out of a copy of the archive that then replaces it, so a crash at any
    // moment leaves one whole archive (with or without the entry). Failed (logged and
    // counted) when that could not be done, the media having no room for the copy; the
    // archive is then as it was.
    Removal Remove(const std::string& Source, int64_t Index, int64_t Done);

    // Walks the entries below Limit by their own structure and returns the end of the
    // last complete one (0 when none is); Paths receives the stored paths of the complete
    // entries. An entry with an empty chunk is unfinished: the walk steps over it when a
    // sound entry follows (its file failed and the writer went on) and ends there when
    // not (a cancel cut it short, or the archive is damaged). -1 when the archive cannot
    // be read.
    static int64_t CompleteLength(const std::string& ArchiveFile, std::vector<std::string>* Paths,
                                  int64_t Limit = std::numeric_limits<int64_t>::max());

  private:
    enum class Step { NextEntry, StopArchive };

    // Walks to the next entry at fPos; none at the end or when the archive is damaged
    // (then logged).
    std::optional<ParsedEntry> EntryAtPos();
    Step RestoreEntry(const ParsedEntry& Entry, const std::string& RestoreTypeFolder,
                      std::optional<uint32_t> FileDate);
    // Inflates chunk K of Entry (read from the current file position) into PackedBuffer.
    bool ReadChunk(const ParsedEntry& Entry, uint16_t K, int64_t PlainLength, bool Encrypted);
    // Writes the archive without the entry at EntryStart to Out.
    bool CopyWithout(FileHandle& Out, int64_t EntryStart, int64_t EntryLength, int64_t Index,
                     int64_t Done);
    void LogDamaged(const std::string& What, int64_t Offset);

    TBackUpJob& fJob;
    std::string fArchiveFile;
    FileHandle fArchive;
    int64_t fSize = 0;
    int64_t fPos = 0;
};

} // namespace qm
