#pragma once
// One backup run over the job's SourceFiles in one of its three modes: plain copies
// (optionally encrypted and kept in versions), one archive per file, or one archive for
// the whole run. Every copy and per-file archive is first written under a part name
// beside its final name and only renamed into place when it is complete, so a failed or
// cancelled file never replaces or passes for a good backup. No file is synced on its
// own: one sync of the media's file system at the end makes the whole run durable before
// the catalogue records name its files. Borrows the job and the engine state; owns the
// two open files of the plain copy in hand and the list of files written.

#include "engine/backupjob.h"
#include "engine/driverecord.h"
#include "platform/fileio.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace qm {

class BackupRun {
  public:
    explicit BackupRun(TBackUpJob& Job) : fJob(Job) {}

    // The whole run: start, the mode's loop, then the catalogue records of the files
    // backed up and the end of the run (or the cancel).
    void Run();

    // Name under which a copy or archive is written until it is complete.
    static std::string PartName(const std::string& FinalName);

  private:
    enum class FileOutcome { Done, Failed, Cancelled };

    bool RunPlain();
    bool RunFileArchives();
    bool RunRunArchive();
    FileOutcome CopyFile(size_t Line);
    // Writes the blocks of Source to the part file; Cancelled leaves both files open.
    FileOutcome CopyBlocks(FileHandle& Source, FileHandle& Target, int64_t Size);
    void DateArchiveLikeSource(const std::string& SourcePath);
    // On media that ignore case: false (logged, counted, line blanked) when MediaPath is
    // the copy or archive of another file, in the catalogue or earlier in this run, whose
    // path differs only in case; else MediaPath is this line's from now on.
    bool ClaimMediaName(size_t Line, const std::string& MediaPath);
    // Whether the media path of Source's old record (of another name than ArchiveName)
    // may go now that the new one is in place: it is Source's own copy or archive and no
    // other record names it.
    bool MayRelease(const DriveListRecord& Old, const std::string& Source);
    // A file that could not be backed up: its failure line about Target, one error, its
    // line blanked so it gets no record; the part files are removed.
    void FailTarget(size_t Line, const std::string& Target, const std::string& Part);
    // Pushes the files written by the run to the disk. A file the media fails to keep
    // gets a failure line, one error and its line blanked, so it gets no record.
    void MakeDurable();
    void End();
    // Records for the files finished before the cancel (lines From.. are blanked first).
    void Cancel(size_t From, bool InArchive);

    // A copy or archive renamed into place by this run, and the SourceFiles line it
    // holds (kWholeRun: the run archive, every line).
    struct WrittenFile {
        std::string Path;
        size_t Line;
        bool CheckFile;
    };
    static constexpr size_t kWholeRun = std::numeric_limits<size_t>::max();

    TBackUpJob& fJob;
    int fPauseCount = 0;
    std::vector<WrittenFile> fWritten;
    // Folded media path -> number of catalogue records naming it; made when first needed.
    std::optional<std::unordered_map<std::string, int>> fMediaUsers;
    bool fFoldsCase = false;
    // Folded media path -> the source path whose copy it is (media that ignore case).
    std::optional<std::unordered_map<std::string, std::string>> fMediaOwners;
};

} // namespace qm
