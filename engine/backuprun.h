#pragma once
// One backup run over the job's SourceFiles in one of its three modes: plain copies
// (optionally encrypted and kept in versions), one archive per file, or one archive for
// the whole run. Every copy and per-file archive is first written under a part name
// beside its final name and only renamed into place when it is complete, so a failed or
// cancelled file never replaces or passes for a good backup. Borrows the job and the
// engine state; owns the two open files of the plain copy in hand.

#include "engine/backupjob.h"
#include "engine/driverecord.h"
#include "platform/fileio.h"

#include <cstddef>
#include <cstdint>
#include <string>

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
    // A file that could not be backed up: its failure line about Target, one error, its
    // line blanked so it gets no record; the part files are removed.
    void FailTarget(size_t Line, const std::string& Target, const std::string& Part);
    void End();
    // Records for the files finished before the cancel (lines From.. are blanked first).
    void Cancel(size_t From, bool InArchive);

    TBackUpJob& fJob;
    int fPauseCount = 0;
};

} // namespace qm
