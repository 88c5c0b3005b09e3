#include "engine/revisionrestore.h"

#include "engine/copytree.h"
#include "engine/enginestate.h"
#include "engine/logline.h"
#include "engine/mediajournal.h"
#include "engine/passwordprobe.h"
#include "engine/restorerun.h"
#include "platform/dospath.h"
#include "platform/fileio.h"

#include <algorithm>
#include <utility>

namespace qm {

namespace {

std::optional<TDateTime> versionDate(const std::string& path) {
    std::optional<uint32_t> dos = fileDosDateTime(path);
    if (!dos)
        return std::nullopt;
    return dosToDateTime(*dos);
}

} // namespace

void RevisionRestore::CollectVersions(const DriveListRecord& Record, TRevisionLst& Entry) {
    const bool inRunArchive = Record.Compression != 0 && Record.InArchive != 0;
    // The versions the record names, no more: a name past its revision may be another
    // file's copy ("a_1.txt" of a file so called, beside "a.txt").
    for (int k = 0; k < kMaxRevisionDates && k <= Record.Revision; ++k) {
        std::string version = VersionName(Record.MediaPath, k);
        if (!fileExists(version))
            return;
        ++Entry.Count;
        std::optional<TDateTime> date = versionDate(version);
        if (!date)
            Entry.Dates[k] = now();
        else if (inRunArchive)
            Entry.Dates[k] = Record.Date;
        else
            Entry.Dates[k] = *date;
    }
}

int RevisionRestore::ChooseVersion(const DriveListRecord& Record, int32_t Count, TDateTime D) {
    for (int k = 0; k + 1 < Count; ++k) {
        std::string version = VersionName(Record.MediaPath, k);
        std::optional<TDateTime> date = versionDate(version);
        if (!date) {
            fJob.AddLog(logline::DateUnreadable(version));
            ++Engine().ErrorCount;
            return k;
        }
        if (*date == D)
            return k;
    }
    return Count > 1 ? Count - 1 : 0;
}

void TBackUpJob::CollectRevisions(TRevisionFileList& List, int& RevisedCount,
                                  const TRevisionCallback& Callback) {
    TEngineState& engine = Engine();
    List.assign(SourceFiles.size(), TRevisionLst{});
    fCollectProblem.clear();
    // What goes wrong here is told by the restore that follows, once the run's log is
    // there, and that restore then restores nothing.
    auto stop = [this] {
        fCollectProblem = logline::DamagedFile(
            CataloguePath(fDestination), "catalogue " + std::exchange(CatalogueUnreadable, {}) +
                                             "; the run stops before it changes anything.");
        CloseDriveListUnchanged();
    };
    std::string unreadable;
    if (MediaJournal::Recover(Destination(), nullptr, &unreadable) ==
        MediaJournal::Recovery::Unreadable) {
        fCollectProblem = unreadable;
        CatalogueUnreadable.clear();
        CloseDriveListUnchanged();
        return;
    }
    LoadDriveList();
    OpenDriveList();
    if (!CatalogueUnreadable.empty())
        return stop();
    for (size_t i = 0; i < SourceFiles.size(); ++i) {
        if (i % 10 == 0)
            engine.ProcessMessages();
        const std::optional<size_t> line = CatalogPaths.Find(SourceFiles[i]);
        if (line && *line < CatalogRevisions.size() && CatalogRevisions[*line] != "0")
            ++RevisedCount;
        DriveListRecord record;
        if (!FindDriveListRecord(SourceFiles[i], record))
            return stop();
        List[i].Path = record.SourcePath;
        if (!record.SourcePath.empty() && HoldsBackupShape(record)) {
            if (engine.CancelFlag)
                return;
            RevisionRestore::CollectVersions(record, List[i]);
        }
        if (Callback)
            Callback(static_cast<int64_t>(SourceFiles.size()), static_cast<int64_t>(i));
    }
}

void TBackUpJob::SortRevisionDates(std::array<TDateTime, kMaxRevisionDates>& Dates, int From,
                                   int To) {
    for (int i = From; i < To; ++i) {
        for (int j = To; j > i; --j) {
            if (Dates[i] > Dates[j])
                std::swap(Dates[i], Dates[j]);
        }
    }
}

void TBackUpJob::RestoreRevisions(TRevisionFileList& List, bool SortDates) {
    TEngineState& engine = Engine();
    RestoreRun run(*this, [this](const std::string& Version, const std::string& SourcePath) {
        return VerifyRevisionCheckFile(Version, SourcePath);
    });
    RevisionRestore chooser(*this);
    auto finish = [this] { FinishRevisionRestoreRun(); };
    if (!fCollectProblem.empty()) {
        AddLog(std::exchange(fCollectProblem, {}));
        ++engine.ErrorCount;
        run.End(finish);
        return;
    }
    if (!run.Start()) {
        run.End(finish);
        return;
    }
    size_t i = 0;
    try {
        for (; i < List.size(); ++i) {
            TRevisionLst& x = List[i];
            DriveListRecord record;
            if (x.Path.empty() || !LookUpRecord(x.Path, record) || record.SourcePath.empty())
                continue;
            if (!HoldsBackupShape(record)) {
                AddLog(logline::CantRestoreError(record.SourcePath));
                ++engine.ErrorCount;
                continue;
            }
            if (UnreadableAtBackup(record)) {
                ++engine.FilesDone;
                engine.Progress(engine.FilesDone + 1, false, 100, 100, engine.BytesDone);
                AddLog(logline::CantRestore(record.MediaPath));
                ++engine.ErrorCount;
                continue;
            }
            if (RestoreOld() && !IsTargetOlder(record))
                continue;
            const int32_t count = std::clamp(x.Count, 0, kMaxRevisionDates);
            // The newest version is the last one backed up, the highest number, whatever
            // its date says (a file put back to an older copy keeps that copy's date, and two
            // backups in one 2-second step share one).
            const TDateTime newest = count > 0 ? x.Dates[count - 1] : x.Dates[0];
            if (SortDates && count > 0) {
                SortRevisionDates(x.Dates, 0, count - 1);
                x.Dates[0] = x.Dates[count - 1];
            }
            const TDateTime chosen = SortDates ? newest : x.Dates[0];
            const int chosenVersion =
                SortDates ? std::max(count - 1, 0) : chooser.ChooseVersion(record, count, chosen);
            const std::string version = VersionName(record.MediaPath, chosenVersion);
            if (record.Compression != 0) {
                engine.ArchiveEncrypted = record.Encryption != 0;
                RestoreFromArchive(x.Path, version, RestoreType(), dateTimeToDos(chosen));
                AddLog(logline::End());
                if (engine.CancelFlag) {
                    run.Cancel(finish);
                    return;
                }
                continue;
            }
            // The newest version is the one the record's size describes; an older one is
            // read whole, to its own length.
            const std::optional<int64_t> expected = chosenVersion == record.Revision
                                                        ? std::optional<int64_t>(record.Size)
                                                        : std::nullopt;
            if (run.RestoreCopy(record, static_cast<int32_t>(i), version, dateTimeToDos(chosen),
                                expected) == RestoreRun::Outcome::Cancelled) {
                run.Cancel(finish);
                return;
            }
        }
    } catch (const std::bad_alloc&) {
        run.StopOutOfMemory(List[i].Path, finish);
        return;
    }
    run.End(finish);
}

PasswordCheck TBackUpJob::VerifyRevisionCheckFile(const std::string& VersionPath,
                                                  const std::string& PromptPath) {
    PasswordProbe probe(PasswordProbe::KeySizes::AllThree, [&VersionPath](bool& Failed) {
        return PasswordProbe::ReadCheckFile(VersionPath, Failed);
    });
    return probe.Run(PromptPath);
}

} // namespace qm

namespace qm {

// A revision restore ends as a plain restore does: the job's lists are emptied.
void TBackUpJob::FinishRevisionRestoreRun() {
    FinishRestoreRun();
}

} // namespace qm
