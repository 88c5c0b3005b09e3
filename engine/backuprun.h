#pragma once
// One backup run over the job's SourceFiles in one of its three modes: plain copies
// (optionally encrypted and kept in versions), one archive per file, or one archive for
// the whole run. A copy or per-file archive that replaces anything is written into the
// media's staging folder and moved into place through the journal (mediajournal.h) only
// when it is complete, so a failed, cancelled or crashed file never replaces or passes
// for a good backup, and a crash in the middle of a move is finished by the next run.
// Staged files go into place in groups: the group is synced, then its journal lines are
// written and synced, then the files are moved; a copy written in place (no record names
// it yet) waits for the sync of the media's file system at the end, which makes the
// whole run durable before the catalogue records name its files. Borrows the job and the
// engine state; owns the journal, the two open files of the plain copy in hand, the
// group being staged and the list of files written.

#include "engine/backupjob.h"
#include "engine/driverecord.h"
#include "engine/mediajournal.h"
#include "engine/medianames.h"
#include "platform/fileio.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace qm {

class BackupRun {
  public:
    explicit BackupRun(TBackUpJob& Job) : fJob(Job) {}

    // The whole run: start, the mode's loop, then the catalogue records of the files
    // backed up and the end of the run (or the cancel).
    void Run();

  private:
    enum class FileOutcome { Done, Failed, Cancelled };
    // How a new plain copy joins the file's versions.
    struct PlainPlan {
        uint8_t rev = 0;     // the version it becomes
        bool rotate = false; // versions 1 .. rev move down one first, dropping version 0
        uint8_t dropVersions = 0;
        bool dropCheckFiles = false;
        std::string release; // the file's own archive, replaced by the copy
    };

    // Blanks the lines no backup may be made of: every line when the catalogue cannot be
    // opened, a path listed twice (silently, after its first line), a file whose earlier
    // backup is Unfinished on the media, and a path a record cannot hold (logged and
    // counted).
    void DropUnfit(const std::vector<std::string>& Unfinished);
    bool RunPlain();
    bool RunFileArchives();
    bool RunRunArchive();
    // Blanks the lines whose files the job's MayActOn refuses (logged and counted).
    void DropRefused();
    PlainPlan PlanPlainCopy(const DriveListRecord& Record, const std::string& Source,
                            const std::string& Copy);
    FileOutcome CopyFile(size_t Line);

    // A file written complete: in place, or staged with the journal entry of its move.
    struct Outcome {
        size_t line = 0;
        std::string target; // its name in the copy tree
        bool checkFile = false;
        std::optional<uint32_t> date; // the record's date (none: no date to store)
        int64_t size = 0;
        std::string successLine; // logged once it is in place (empty: logged already)
        std::optional<MediaJournal::Entry> entry; // staged: the move that puts it in place
        bool failed = false;
    };
    // The file's record, its success line and its sync at the end of the run.
    void Finished(const Outcome& Done);
    // Finished, or after the group being staged when there is one.
    void Finish(Outcome Done);
    // Adds a staged file to the group; a full group is put in place.
    void Stage(Outcome Done);
    // Syncs the group's staged files, writes and syncs their journal lines, and moves
    // them into place; each file that fails is logged, counted and its line blanked.
    void PutGroupInPlace();
    // Makes the journaled move; false (logged, counted, line blanked) when the journal
    // line is not on the media or the move fails.
    bool PutInPlace(const Outcome& Staged, bool Journaled);
    // The record the run will save for a file, as its journal entry carries it.
    DriveListRecord NewRecord(const std::string& Source, const std::string& MediaPath,
                              uint32_t DosDate, int64_t Size, uint8_t Revision) const;
    // Writes the blocks of Source to the part file; Cancelled leaves both files open.
    FileOutcome CopyBlocks(FileHandle& Source, FileHandle& Target, int64_t Size);
    // Gives Archive the source's date as it was Before its bytes were read (else as it is;
    // now, logged, when unreadable); the date given.
    std::optional<uint32_t> DateArchiveLikeSource(const std::string& Archive,
                                                  const std::string& SourcePath,
                                                  std::optional<uint32_t> Before);
    // False (logged, counted, line blanked) when a name NewRecord, the line's new record,
    // will hold is held by another file's record or was taken earlier in the run for
    // another file (on media that ignore case, also one differing only in case); else
    // they are the line's from now on.
    bool ClaimNames(size_t Line, const DriveListRecord& NewRecord);
    // The names the catalogue's records hold, read on first use.
    MediaNames& Names();
    // Line's file was read as it stood at DosDate with Size bytes: its record says so.
    void Stored(size_t Line, uint32_t DosDate, int64_t Size);
    // A file that could not be backed up: its failure line about Target, one error, its
    // line blanked so it gets no record; the part files are removed.
    void FailTarget(size_t Line, const std::string& Target, const std::string& Part);
    // Pushes the files written by the run to the disk. A file the media fails to keep
    // gets a failure line, one error and its line blanked, so it gets no record.
    void MakeDurable();
    // Sync, records, catalogue closed, and the journal finished once all of it worked.
    void SaveRecords(bool InArchive);
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
    MediaJournal fJournal{fJob.Destination()};
    bool fKeepJournal = false; // a move failed: the next run must finish it
    bool fSyncFailed = false;  // a sync of the media reported a lost write
    // Files finished since the last group went into place, in the order of their lines;
    // fGroupStaged of them are staged, with fStagedBytes bytes.
    std::vector<Outcome> fGroup;
    int fGroupStaged = 0;
    int64_t fStagedBytes = 0;
    // A group goes into place at this many staged files or bytes: two syncs per group.
    static constexpr int kGroupFiles = 256;
    static constexpr int64_t kGroupBytes = 64 << 20;
    bool fFoldsCase = false;
    std::optional<MediaNames> fNames;
};

} // namespace qm
