#pragma once
// The plain-copy part of a restore, shared by the restore run and the revision restore:
// moves one media copy (or version) back to the computer block by block through the
// engine's CopyBuffer, decrypting it after its password check, and reports progress.
// The file is written beside its target and replaces it only when complete, so a failed
// or cancelled restore leaves the file on the computer as it was.
// While it lives, the whole media drive is read and written without following a link
// (a LinkFreeFolder over its root): a restore target there, named by a record the media
// itself holds, is written only through folders opened as real ones.
// It borrows the job and the engine state; it owns that guard and the two open files of
// the file in hand.

#include "engine/backupjob.h"
#include "engine/driverecord.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace qm {

// Whether a record's size marks a file that was unreadable when the record was written:
// the size is the failed size query's (IsUnreadableSourceSize) and the backup disagrees,
// the newest copy's length (a plain copy) or the size field of the file's last entry in
// its archive. A real file of that size (4 GiB give or take one) has a backup of that
// size and restores as any other. Record.MediaPath carries the media drive's current
// letter.
bool UnreadableAtBackup(const DriveListRecord& Record);

class RestoreRun {
  public:
    enum class Outcome { Next, Cancelled };
    // The password check of one encrypted file: 0 opens it, 2 or 3 skip it. A prompt
    // names SourcePath, the user's file, rather than its copy on the media.
    using TVerify =
        std::function<PasswordCheck(const std::string& MediaFile, const std::string& SourcePath)>;

    // The job keeps an archive session for as long as the run object lives.
    RestoreRun(TBackUpJob& Job, TVerify Verify);
    ~RestoreRun();
    RestoreRun(const RestoreRun&) = delete;
    RestoreRun& operator=(const RestoreRun&) = delete;

    // Start of a run: temporaries a crashed restore left removed, a backup left half
    // done finished (MediaJournal::Recover), SkipEncrypted cleared, counters zeroed,
    // catalogue opened. False (logged, one error) when the catalogue, or the journal
    // of a backup left half done, could not be read: the run restores nothing.
    bool Start();
    // Restores the record's file from MediaFile (the copy or the chosen version) and
    // gives it DosDate. Index is the file's position in the run, for progress. Expected:
    // the length the copy must have (the record's size, for the newest version); a copy
    // of another length, or an encrypted one whose check file is there but cannot be
    // read, is not restored (logged and counted), and the computer's file stays as it was.
    Outcome RestoreCopy(const DriveListRecord& Record, int32_t Index, const std::string& MediaFile,
                        uint32_t DosDate, std::optional<int64_t> Expected);
    // Normal end: the final progress call, counters zeroed, lists cleared by Finish,
    // catalogue closed without rewriting its count.
    void End(const std::function<void()>& Finish);
    // Cancel: the flag cleared, lists cleared, catalogue closed; no final progress call.
    void Cancel(const std::function<void()>& Finish);
    // Memory ran out while SourcePath was restored: the run ends as a cancel would, with
    // a line that says why and one error.
    void StopOutOfMemory(const std::string& SourcePath, const std::function<void()>& Finish);

  private:
    // Steps the blocks of a skipped file for progress only; false when cancelled.
    bool StepSkipped(const DriveListRecord& Record, int32_t Index, const std::string& MediaFile);
    bool Fail(const std::string& SourcePath, bool Encrypted);

    TBackUpJob& fJob;
    TVerify fVerify;
    std::unique_ptr<LinkFreeFolder> fDriveGuard;
};

} // namespace qm
