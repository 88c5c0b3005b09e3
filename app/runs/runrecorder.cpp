#include "app/runs/runrecorder.h"

#include "app/stores/reportstore.h"
#include "engine/backupjob.h"
#include "engine/enginestate.h"
#include "platform/dospath.h"
#include "platform/fileio.h"
#include "platform/programfiles.h"
#include "platform/sizetext.h"
#include "platform/stagedfile.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <unistd.h>

namespace qm {

namespace {

// The whole log, or nothing when it cannot be read (logging off, no program folder).
std::optional<std::string> readLog(const std::string& path) {
    if (path.empty())
        return std::nullopt;
    FileHandle file = FileHandle::open(path, OpenMode::Read);
    if (!file)
        return std::nullopt;
    std::string text;
    char buffer[65536];
    for (int64_t n; (n = file.read(buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

} // namespace

TRunRecorder::TRunRecorder(TJobContext& context, const char* activity) : context_(context) {
    record_.ActivityType = activity;
    record_.Status = "Complete";
}

// Beside the program; where this user cannot write the program's folder (an installation
// for all users), in the user's state folder, which the run, the log box and the report
// all read through here.
std::string TRunRecorder::logPath() const {
    const std::string folder =
        context_.services.programFolder ? context_.services.programFolder() : std::string();
    if (folder.empty())
        return {};
    const std::string beside = folder + std::string(kLogFileName);
    const std::optional<std::string> host = toHostPath(folder);
    if (host && ::access(host->c_str(), W_OK) == 0)
        return beside;
    const std::optional<std::string> state =
        toDosPath(StagedFileLedger::StateFile(std::string(kLogFileName)));
    if (!state || !createFolderChain(extractFileDir(*state)))
        return beside;
    return *state;
}

void TRunRecorder::markStart() {
    record_.StartTime = now();
}

void TRunRecorder::prepareRun(TBackUpJob& job, bool log) {
    const TDateTime start = now();
    record_.StartDay = static_cast<int32_t>(std::floor(start));
    record_.StartTimeOfDay = start - std::floor(start);
    job.SetLogSave(log);
    if (log)
        job.LogFileName = logPath();
    if (const std::string path = logPath(); !path.empty())
        deleteFile(path);
}

TJobOutcome TRunRecorder::finish(int64_t fileCount, int64_t bytes, char driveLetter) {
    TJobOutcome outcome;
    TJobRunnerModel& runner = context_.runner;
    outcome.ran = true;
    outcome.log = readLog(logPath());
    record_.EndTime = now();
    record_.ProcessTime = ElapsedText(record_.StartTime, record_.EndTime);
    record_.FileCount = static_cast<int32_t>(std::clamp<int64_t>(fileCount, 0, INT32_MAX));
    record_.SizeText = sizeText_.empty() ? SizeToStr(bytes) : sizeText_;
    record_.Errors = Engine().ErrorCount;
    if (context_.services.hideRunner)
        context_.services.hideRunner();
    outcome.cancelled = runner.CancelRequested;
    if (runner.CancelRequested)
        record_.Status = "Interrupted by user";
    else if (summary_ && context_.services.showSummary)
        context_.services.showSummary(record_);
    const TSavedReport saved = SaveReport(record_, std::string(1, driveLetter) + ":\\", logPath());
    outcome.reportLogPath = saved.logPath;
    outcome.record = record_;
    return outcome;
}

} // namespace qm
