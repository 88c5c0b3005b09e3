#include "app/runs/backupcollector.h"

#include "engine/backupjob.h"
#include "platform/dospath.h"
#include "platform/fileio.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace qm {

namespace {

// Dates closer than this count as the same (about 0.09 seconds).
constexpr double kSameDate = 0.000001;

double parseDate(const std::string& text) {
    std::string number = text;
    for (char& c : number)
        if (c == ',')
            c = '.';
    return std::strtod(number.c_str(), nullptr);
}

// The file date as the catalogue stores it: local time at DOS precision; none when the
// date has no DOS form (the catalogue then holds the time of the backup instead).
std::optional<double> dosDate(double value) {
    const uint32_t dos = dateTimeToDos(value);
    if (dos == 0)
        return std::nullopt;
    return dosToDateTime(dos);
}

} // namespace

TBackupCollector::TBackupCollector(TJobRunnerModel& runner, TBackUpJob& job, Rules rules)
    : runner_(runner), job_(job), rules_(std::move(rules)) {}

void TBackupCollector::setCatalogue(std::vector<std::string> paths, std::vector<std::string> dates,
                                    std::vector<std::string> sizes) {
    incremental_ = true;
    catalogue_ = std::move(paths);
    dates_.clear();
    for (const std::string& d : dates)
        dates_.push_back(parseDate(d));
    sizes_.clear();
    for (const std::string& s : sizes)
        sizes_.push_back(std::strtoll(s.c_str(), nullptr, 10));
}

void TBackupCollector::collect(const TSelectionWalk& selection) {
    if (!selection)
        return;
    selection([this](const std::string& path, bool wholeFolder) {
        if (runner_.CancelRequested)
            return false;
        runner_.processMessages();
        return wholeFolder ? scanFolder(path, true) : addTickedFile(path);
    });
}

bool TBackupCollector::scanFolder(const std::string& folder, bool top) {
    // The path comes from the disk, never from typing: a blank at either end is part of
    // a name ("trail " and "trail" are two folders here) and is kept.
    std::string f = folder;
    if (!f.empty() && f.back() == '\\')
        f.pop_back();
    const FolderListing listing = listFolder(f + "\\");
    // A folder that cannot be listed (or only in part), or whose names cannot be looked
    // at, hides files that were ticked with it: it is named and counted, and what was
    // listed of it is still backed up. (A ticked folder deleted since holds nothing to
    // back up.)
    if ((!listing.ok || !listing.whole) && (!top || folderExists(f)))
        unopened_.push_back(f);
    // Names a DOS path cannot carry cannot be backed up: each is one error of the run.
    for (const std::string& host : listing.skippedNames)
        addUnnamable(host, f + "\\" + host.substr(host.rfind('/') + 1));
    for (const FolderEntry& entry : listing.entries) {
        if (runner_.CancelRequested)
            return false;
        runner_.processMessages();
        const std::string path = f + "\\" + entry.name;
        if (entry.isFolder) {
            // A linked folder may lead anywhere, even back up the tree: never entered.
            if (entry.isLink || upperCaseDos(entry.name) == "RECYCLED")
                continue;
            if (!scanFolder(path, false))
                return false;
            continue;
        }
        if (!addFile(path, entry.size, dosDate(entry.modified)))
            return false;
    }
    return true;
}

void TBackupCollector::addUnnamable(const std::string& host, const std::string& shown) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(host, ec);
    if (fs::is_directory(status)) {
        // Every file below a folder with such a name is left out: each is named.
        for (fs::recursive_directory_iterator
                 it(host, fs::directory_options::skip_permission_denied, ec),
             end;
             !ec && it != end; it.increment(ec))
            if (it->is_regular_file(ec)) {
                std::string below = it->path().string().substr(host.size());
                std::replace(below.begin(), below.end(), '/', '\\');
                unnamable_.push_back(shown + below);
            }
        return;
    }
    if (fs::is_regular_file(fs::status(host, ec)))
        unnamable_.push_back(shown);
}

bool TBackupCollector::addTickedFile(const std::string& path) {
    // Ticked once, deleted since: nothing to back up.
    if (!fileExists(path))
        return true;
    const int64_t size = fileSize(path);
    const std::optional<uint32_t> dos = fileDosDateTime(path);
    // A file that cannot be read stays in the list: the engine logs and counts it.
    if (size < 0)
        return addFile(path, 0, 0.0);
    return addFile(path, size, dos ? std::optional<double>(dosToDateTime(*dos)) : std::nullopt);
}

bool TBackupCollector::unchanged(const std::string& path, int64_t size,
                                 std::optional<double> date) const {
    const std::optional<std::size_t> line = catalogue_.Find(path);
    if (!line || *line >= dates_.size())
        return false;
    // A record spelled otherwise stands for this file only when its own spelling is gone
    // (or names this very file, on a disk that ignores case): "REPORT.TXT" beside a
    // catalogued "report.txt" is a file of its own, whatever its date.
    const std::string& catalogued = catalogue_[*line];
    if (catalogued != path && fileExists(catalogued) &&
        fileIdentity(catalogued) != fileIdentity(path))
        return false;
    // A date without a DOS form never matches its record, which holds the time of the
    // backup: the size alone tells such a file changed, or every run would copy it
    // again and count its date once more.
    if (!date)
        return *line < sizes_.size() && sizes_[*line] == size;
    return std::fabs(*date - dates_[*line]) < kSameDate;
}

bool TBackupCollector::addFile(const std::string& path, int64_t size, std::optional<double> date) {
    if (rules_.excluded && rules_.excluded(extractFileName(path)))
        return true;
    if (rules_.fits && !rules_.fits(path)) {
        refused_.push_back(path);
        return true;
    }
    runner_.setTotals(runner_.TotalCount + 1, runner_.TotalSize + size);
    if (incremental_) {
        if (unchanged(path, size, date))
            return !runner_.CancelRequested;
        ++runner_.NewCount;
        runner_.NewSize += size;
        runner_.setRemaining(runner_.NewCount, runner_.NewSize);
    } else {
        runner_.setRemaining(runner_.TotalCount, runner_.TotalSize);
    }
    job_.SourceFiles.push_back(path);
    if (runner_.CancelRequested)
        return false;
    runner_.processMessages();
    return true;
}

} // namespace qm
