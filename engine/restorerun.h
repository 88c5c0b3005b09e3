#pragma once
// The plain-copy part of a restore, shared by the restore run and the revision restore:
// moves one media copy (or version) back to the computer block by block through the
// engine's CopyBuffer, decrypting it after its password check, and reports progress.
// The file is written beside its target and replaces it only when complete, so a failed
// or cancelled restore leaves the file on the computer as it was.
// It borrows the job and the engine state; it owns only the two open files of the
// file in hand.

#include "engine/backupjob.h"
#include "engine/driverecord.h"

#include <cstdint>
#include <functional>
#include <string>

namespace qm {

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
    // catalogue opened.
    void Start();
    // Restores the record's file from MediaFile (the copy or the chosen version) and
    // gives it DosDate. Index is the file's position in the run, for progress.
    Outcome RestoreCopy(const DriveListRecord& Record, int32_t Index, const std::string& MediaFile,
                        uint32_t DosDate);
    // Normal end: the final progress call, counters zeroed, lists cleared by Finish,
    // catalogue closed without rewriting its count.
    void End(const std::function<void()>& Finish);
    // Cancel: the flag cleared, lists cleared, catalogue closed; no final progress call.
    void Cancel(const std::function<void()>& Finish);

  private:
    // Steps the blocks of a skipped file for progress only; false when cancelled.
    bool StepSkipped(const DriveListRecord& Record, int32_t Index, const std::string& MediaFile);
    bool Fail(const std::string& SourcePath, bool Encrypted);

    TBackUpJob& fJob;
    TVerify fVerify;
};

} // namespace qm
