#pragma once
// TBackupCollector: turns the ticked selection into the backup's file list. A fully
// ticked folder is scanned with everything below it (folders named RECYCLED and linked
// folders are not entered), a ticked file is taken on its own; the exception lists leave
// files out; an incremental backup keeps only files whose date differs from the media
// catalogue's (or, for a date a record cannot hold, whose size differs). Counts and sizes go to the
// runner as files are found; the walk lets window events run and stops at a cancel. Borrows the
// runner and the job.

#include "app/runs/jobrunnermodel.h"
#include "engine/catalogpathlist.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qm {

class TBackUpJob;

// One ticked entry of a selection, in the tree's order: a fully ticked folder
// (wholeFolder) or a single ticked file. The visitor returns false to end the walk.
using TSelectionVisit = std::function<bool(const std::string& path, bool wholeFolder)>;
using TSelectionWalk = std::function<void(const TSelectionVisit& visit)>;

class TBackupCollector {
  public:
    struct Rules {
        std::function<bool(const std::string& name)> excluded; // the exception lists
        // Whether the path's record can hold it (source and media paths fit).
        std::function<bool(const std::string& path)> fits;
    };

    TBackupCollector(TJobRunnerModel& runner, TBackUpJob& job, Rules rules);

    // An incremental backup: the catalogue's source paths, dates and sizes (as number
    // texts), indexed alike.
    void setCatalogue(std::vector<std::string> paths, std::vector<std::string> dates,
                      std::vector<std::string> sizes);

    void collect(const TSelectionWalk& selection);

    // Paths that a record cannot hold: refused, for the run to log.
    const std::vector<std::string>& refused() const { return refused_; }
    // Files below a scanned folder that a DOS path cannot name (a name on the way holds
    // ":", "?", a control character...), as the folder's path and the names on disk:
    // left out, for the run to log.
    const std::vector<std::string>& unnamable() const { return unnamable_; }
    // Folders below a ticked one that could not be listed or entered (no permission, a
    // path too long to open): what they hold is left out, for the run to log.
    const std::vector<std::string>& unopened() const { return unopened_; }

  private:
    // Top: the ticked folder itself, which may have gone since it was ticked.
    bool scanFolder(const std::string& folder, bool top);
    // Returns false when the walk is to end (cancel). Date: the file's date at DOS
    // precision; none when it has no DOS form (before 1980, after 2107).
    bool addFile(const std::string& path, int64_t size, std::optional<double> date);
    bool addTickedFile(const std::string& path);
    // A name the folder listing left out (its host path, and as the log shows it): the
    // file, or every file below the folder.
    void addUnnamable(const std::string& host, const std::string& shown);
    bool unchanged(const std::string& path, int64_t size, std::optional<double> date) const;

    TJobRunnerModel& runner_;
    TBackUpJob& job_;
    Rules rules_;
    bool incremental_ = false;
    TCatalogPathList catalogue_;
    std::vector<double> dates_;
    std::vector<int64_t> sizes_;
    std::vector<std::string> refused_;
    std::vector<std::string> unnamable_;
    std::vector<std::string> unopened_;
};

} // namespace qm
