#pragma once
// Reads ".bpa" archives back: restores the entries of a wanted source path into their
// targets and cuts an entry out of a run archive. Archives come from the media and are
// not trusted: every header and chunk table is checked before it is used, and a damaged
// archive ends the walk with a log line. A restore finds its entries through the
// session's ArchiveIndex, so the files of one run archive are restored in one walk, and
// has their chunks inflated by the session's pool. The reader borrows the job, the
// session and the engine state; it owns the archive it removes from.

#include "engine/archiveformat.h"
#include "engine/archiveindex.h"
#include "engine/backupjob.h"
#include "platform/fileio.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace qm {

class ArchiveReadSession;
class ChunkPool;

class ArchiveReader {
  public:
    ArchiveReader(TBackUpJob& Job, std::string ArchiveFile);

    // Restores every entry whose stored path is Source, the last one winning.
    void Restore(ArchiveReadSession& Session, const std::string& Source,
                 const std::string& RestoreTypeFolder, std::optional<uint32_t> FileDate);
    enum class Removal { Removed, NotFound, Failed };
    // Removes the first entry whose stored path is Source: the last entry is cut off, any
    // other is left out of a copy of the archive that then replaces it, so a crash at any
    // moment leaves one whole archive (with or without the entry). Forget, when given, is
    // called just before the archive changes (to drop the file's record first, so that a
    // crash leaves an entry no record names rather than a record without its entry); when
    // it answers false nothing changes. Failed (logged and counted) when the entry could
    // not be taken out, the media having no room for the copy: the archive is then as it
    // was, though Forget may have been called.
    Removal Remove(const std::string& Source, int64_t Index, int64_t Done,
                   const std::function<bool()>& Forget = nullptr);

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
    Step RestoreEntry(FileHandle& Archive, ChunkPool& Pool, const ArchiveIndex::Entry& Indexed,
                      const std::string& RestoreTypeFolder, std::optional<uint32_t> FileDate);
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
