#include "app/pages/sync/syncpagemodel.h"

#include "app/drives/mediadrives.h"
#include "app/runs/jobrunnermodel.h"
#include "engine/backupjob.h"

#include <new>

namespace qm {

const char* const TSyncPageModel::kNothingToSync =
    "Nothing to Synchronize. Please select files or use other Media Drive.";

namespace {

// The copy run the option asks for: both ways, or one way over the other side.
TSyncRun copyRun(int option) {
    switch (option) {
    case TSyncPageModel::MediaOverwritesHardDrive:
        return TSyncRun::MediaToHardDrive;
    case TSyncPageModel::HardDriveOverwritesMedia:
        return TSyncRun::HardDriveToMedia;
    default:
        return TSyncRun::BothWays;
    }
}

} // namespace

TSyncPageModel::TSyncPageModel(TDrivePoll& poll, MessageFn message, Actions actions)
    : poll_(poll), message_(std::move(message)), actions_(std::move(actions)) {
    tree_.RestoreFileList = &files_;
    files_.FolderTree = &tree_;
    subscription_ = poll_.subscribe([this](const TDriveChange& change) { drivesChanged(change); });
}

TSyncPageModel::~TSyncPageModel() {
    poll_.unsubscribe(subscription_);
}

void TSyncPageModel::drivesChanged(const TDriveChange& change) {
    drives_.follow(change);
    const std::string shown = drives_.text();
    // On the page, a drive that went away (or another one now selected) is read at once
    // rather than left standing for a comparison against a drive that is not there.
    if (actions_.pageVisible && actions_.pageVisible() &&
        TrimmedCaption(shown) != TrimmedCaption(driveText_)) {
        cbMediaSincChange(shown);
        return;
    }
    changed();
}

void TSyncPageModel::selectMediaDrive(int index) {
    if (drives_.choose(index))
        cbMediaSincChange(drives_.text());
}

void TSyncPageModel::changed() {
    if (onChanged)
        onChanged();
}

void TSyncPageModel::wait(bool show) {
    if (actions_.wait)
        actions_.wait(show);
}

void TSyncPageModel::setTab(int tab) {
    if (tab_ == tab)
        return;
    tab_ = tab;
    changed();
}

void TSyncPageModel::setSyncOption(int option) {
    if (option >= SyncTheFiles && option <= DoNothing)
        syncOption_ = option;
    changed();
}

void TSyncPageModel::setDeleteOnMedia(bool on) {
    deleteOnMedia_ = on;
    changed();
}

void TSyncPageModel::TS_SyncShow() {
    wait(true);
    setTab(TSSync_Files);
    drives_.readDrives();
    cbMediaSincChange(drives_.text());
    files_.clear();
}

void TSyncPageModel::cbMediaSincChange(const std::string& caption) {
    driveText_ = caption;
    // A walk of the tree that lets events run holds its nodes and lists: the new
    // catalogue waits for it.
    if (tree_.walks().busy()) {
        tree_.walks().runOrDefer("drive", [this, caption] { cbMediaSincChange(caption); });
        return;
    }
    const std::string text = TrimmedCaption(caption);
    mediaEncrypted_ = false;
    setTab(TSSync_Files);
    // A drive that is gone leaves nothing to compare against: its catalogue goes too.
    tree_.clear();
    if (text.empty()) {
        wait(false);
        changed();
        return;
    }
    if (text.size() > 2)
        SetMediaDriveSetting(text);
    TBackUpJob job;
    job.SetDestination(text[1]);
    try {
        job.LoadDriveList();
        job.ListDriveFiles(&tree_.PathList, &tree_.TimeList, &tree_.SizeList, nullptr);
        if (tree_.PathList.empty()) {
            wait(false);
            message_(kMsgOk, kNothingToSync);
            tree_.clear();
            changed();
            return;
        }
        // Asked only of a catalogue that exists: the question opens it for writing.
        mediaEncrypted_ = job.HasEncryptedFiles();
        tree_.Rebuild();
    } catch (const std::bad_alloc&) {
        // A catalogue too large for the memory there is: shown as none, and said so.
        tree_.clear();
        wait(false);
        message_(kMsgOk, TQMRestoreTreeModel::TooLargeMessage(text));
        changed();
        return;
    }
    files_.clear();
    wait(false);
    changed();
}

void TSyncPageModel::imr_CompareClick() {
    syncMediaDrive_ = driveText_;
    setTab(TSSync_Files);
    if (actions_.compare)
        actions_.compare();
    setTab(list_.empty() ? TSSync_Files : TSSync_Results);
    changed();
}

void TSyncPageModel::imt_backClick() {
    setTab(TSSync_Files);
}

TJobOutcome TSyncPageModel::run(TSyncRequest request, TSyncRun what) {
    request.run = what;
    return actions_.startJob ? actions_.startJob({std::move(request)}) : TJobOutcome{};
}

void TSyncPageModel::imr_SyncClick() {
    TSyncRequest base;
    base.mediaCaption = syncMediaDrive_;
    const TSyncLists deletions = deleteOnMedia_ ? list_.ticked(TSyncKind::Red) : TSyncLists{};
    const TSyncLists blue = list_.ticked(TSyncKind::Blue);
    const TSyncLists green = list_.ticked(TSyncKind::Green);
    bool changedMedia = false;
    bool cancelled = false;
    // With the delete box ticked the deletion run starts whenever there are rows, also
    // with no red row ticked: its report then says that nothing was deleted.
    if (deleteOnMedia_ && !list_.empty()) {
        TSyncRequest request = base;
        request.deletions = deletions;
        const TJobOutcome result = run(request, TSyncRun::Deletions);
        changedMedia = result.ran;
        // The user cancelled the synchronisation, not just its deletions.
        cancelled = result.cancelled;
    }
    if (deletions.empty() && blue.empty() && green.empty() && !deleteOnMedia_) {
        message_(kMsgOk, kNothingToSync);
        return;
    }
    if ((!blue.empty() || !green.empty()) && syncOption_ != DoNothing && !cancelled) {
        TSyncRequest request = base;
        if (syncOption_ == SyncTheFiles) {
            request.mediaToHardDrive = blue;
            request.hardDriveToMedia = green;
        } else {
            TSyncLists both = blue;
            both.append(green);
            request.mediaToHardDrive = both;
            request.hardDriveToMedia = both;
        }
        changedMedia = run(request, copyRun(syncOption_)).ran || changedMedia;
    }
    // The catalogue changed: the tree is read again (and the files tab comes back);
    // the rows stay until the next comparison.
    if (changedMedia)
        cbMediaSincChange(driveText_);
}

} // namespace qm
