#pragma once
// TRunRecorder: the parts every operation shares around its engine run: the activity
// record (start, end, elapsed time, count, size, status, errors), the run log in the
// program folder (deleted before the run, read back after it), the summary window and
// the report stored on the media drive. Borrows the context; owns the record in hand.

#include "app/runs/joboperation.h"

#include <string>

namespace qm {

class TBackUpJob;

class TRunRecorder {
  public:
    TRunRecorder(TJobContext& context, const char* activity);

    // The run's start (the record's StartTime and the report folder's name).
    void markStart();
    // Just before the engine runs: start day and time of day, the job's log switch and
    // log file, and the run log deleted (also with logging off). The run log is the
    // program folder's Log.txt, or the user's state folder's where this user cannot
    // write the program folder.
    void prepareRun(TBackUpJob& job, bool log);
    // After the run: the log read back, the record completed, the runner hidden, the
    // summary unless cancelled, the report stored under the drive's root; returns the
    // run's outcome. `fileCount` and `bytes` are what the record shows.
    TJobOutcome finish(int64_t fileCount, int64_t bytes, char driveLetter);

    // The synchronisation's deletions: no summary window, and no size in the record.
    void recordWithoutSummaryOrSize() {
        summary_ = false;
        sizeText_ = "0 Kb";
    }

    const TActivityRecord& record() const { return record_; }
    std::string logPath() const;

  private:
    TJobContext& context_;
    TActivityRecord record_;
    bool summary_ = true;
    std::string sizeText_; // when set, the record's size text instead of the bytes
};

} // namespace qm
