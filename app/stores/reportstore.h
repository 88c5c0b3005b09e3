#pragma once
// Where activity reports live on a media drive: one folder per run under
// "<root>Quillmoor\Reports\", named "Log " and the run's start, holding Report.dat and
// the run's Log.txt. Plain functions over DOS paths; nothing is owned.

#include "app/stores/activityrecord.h"

#include <cstdint>
#include <string>

namespace qm {

// "07-Dec-26, 3-05-09 PM": the start as 'dd-mmm-yy,, h-nn-ss AM/PM' in the user's
// locale, without its first "." and then its first ",".
std::string ReportStamp(TDateTime startTime);

struct TSavedReport {
    std::string folder;  // with a trailing backslash; empty when none could be made
    std::string logPath; // the run's log in the folder; empty when it could not be moved
    bool recordWritten = false;
};

// Stores a run's record under `root` ("E:\"), with the program folder's Log.txt moved
// beside it. A run that starts in the same second as an earlier one gets a folder of its
// own (" (2)", " (3)", ... after the name), so no report replaces another. The log is
// moved (copied and deleted across devices); logPath is set only when the move worked.
// Never fails loudly: a full or missing drive gives a result with empty fields.
TSavedReport SaveReport(const TActivityRecord& record, const std::string& root,
                        const std::string& programLog);

// Appends every entry of the drive's Reports folder, newest first (equal start times
// keep the folder order). A folder without a readable Report.dat stays in the list as a
// zero record that still names its folder, so it can be deleted; a stray file gives a
// zero record without folder.
// Nothing is listed from a Reports folder reached through a link, and no Report.dat is
// read through one.
void LoadReports(TActivityArray& list, const std::string& root);

// What a page shows of a run's log stored in a report folder: the file read through real
// folders only, a regular file only and never waiting, at most its first
// kMaxReportLogShown bytes (cut after the last whole line) and then the line
// kReportLogCut. Empty when it cannot be read that way: the media drive may hold a link
// to any file of the computer, a pipe or a device there.
inline constexpr int64_t kMaxReportLogShown = 1 << 20;
inline constexpr const char* kReportLogCut =
    "(The log is longer than 1 MB; only its first 1 MB is shown.)";
std::string ReadReportLog(const std::string& logPath);

// Deletes a report folder that LoadReports listed: in a real folder (none of the names
// from the drive's root to it a link) the report's Report.dat and Log.txt, never through
// a link, and then the folder when nothing else is in it. True when the folder is gone.
bool DeleteReportFolder(const std::string& folder);

} // namespace qm
