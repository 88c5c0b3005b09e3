#include "app/pages/restore/restorepagemodel.h"

#include "app/drives/drivepoll.h"
#include "app/runs/restoreoperation.h"
#include "app/stores/reportstore.h"
#include "app/stores/settingsinforce.h"
#include "app/stores/settingsstore.h"
#include "engine/backupjob.h"

#include <new>
#include <unordered_map>

namespace qm {

TRestorePageModel::TRestorePageModel(TDrivePoll& poll, const TSettingsInForce& settings,
                                     MessageFn message, TStartJob startJob)
    : poll_(poll), settings_(settings), message_(std::move(message)),
      startJob_(std::move(startJob)) {
    tree_.RestoreFileList = &files_;
    files_.FolderTree = &tree_;
    tree_.setActive(true);
    subscription_ = poll_.subscribe([this](const TDriveChange& c) { driveChanged(c); });
}

TRestorePageModel::~TRestorePageModel() {
    poll_.unsubscribe(subscription_);
}

void TRestorePageModel::changed() {
    if (onChanged)
        onChanged();
}

void TRestorePageModel::wait(bool show) {
    if (showWait)
        showWait(show, kWaitCataloguePage);
}

void TRestorePageModel::driveChanged(const TDriveChange& change) {
    drives_.follow(change);
    if (showing_ && TrimmedCaption(drives_.text()) != listed_) {
        cbSourceDriveChange();
        return;
    }
    changed();
}

void TRestorePageModel::TS_RestoreShow() {
    showing_ = true;
    wait(true);
    auto onOff = [](bool on) { return std::string(on ? "On" : "Off"); };
    settingsValues_ = {onOff(settings_.log()), onOff(settings_.reminder()),
                       onOff(settings_.restoring() == 1)};
    drives_.chooseStored();
    cbSourceDriveChange();
    files_.clear();
    changed();
}

void TRestorePageModel::TS_RestoreHide() {
    showing_ = false;
    listed_.clear();
    tree_.clear();
    files_.clear();
    changed();
}

void TRestorePageModel::selectDrive(int index) {
    if (drives_.choose(index))
        cbSourceDriveChange();
}

void TRestorePageModel::cbSourceDriveChange() {
    // A walk of the tree that lets events run holds its nodes and lists: the catalogue
    // waits for it.
    if (tree_.walks().busy()) {
        tree_.walks().runOrDefer("drive", [this] { cbSourceDriveChange(); });
        return;
    }
    filesDeleted_ = false;
    const std::string text = TrimmedCaption(drives_.text());
    listed_ = text;
    tree_.clear();
    files_.clear();
    mediaEncrypted_ = false;
    if (text.empty()) {
        wait(false);
        changed();
        return;
    }
    if (text.size() > 2)
        TSettingsStore().setMediaDriveFromCaption(text);
    try {
        TBackUpJob job;
        job.SetDestination(text[1]);
        job.ListDriveFiles(&tree_.PathList, &tree_.TimeList, &tree_.SizeList, nullptr);
        mediaEncrypted_ = job.HasEncryptedFiles();
        if (!tree_.PathList.empty())
            tree_.Rebuild();
    } catch (const std::bad_alloc&) {
        // A catalogue too large for the memory there is: shown as none, and said so.
        tree_.clear();
        wait(false);
        message_(kMsgOk, TQMRestoreTreeModel::TooLargeMessage(text));
        changed();
        return;
    }
    if (tree_.PathList.empty()) {
        wait(false);
        message_(kMsgOk, TRestoreOperation::kNothing);
        tree_.clear();
        changed();
        return;
    }
    wait(false);
    changed();
}

TRestoreRequest TRestorePageModel::request() const {
    TRestoreRequest r;
    r.mediaCaption = drives_.text();
    r.mediaEncrypted = mediaEncrypted_;
    r.selectVersions = selectVersions;
    r.toFolder = toFolder;
    const std::vector<TQMRestoreTreeModel::CatalogueFile> ticked = tree_.CheckedFiles();
    auto sizes = std::make_shared<std::unordered_map<std::string, int64_t>>();
    for (const auto& file : ticked)
        if (file.index < tree_.SizeList.size())
            (*sizes)[file.path] = std::strtoll(tree_.SizeList[file.index].c_str(), nullptr, 10);
    r.selection = [ticked](const TSelectionVisit& visit) {
        for (const auto& file : ticked)
            if (!visit(file.path, false))
                return;
    };
    r.catalogueSize = [sizes](const std::string& path) -> std::optional<int64_t> {
        const auto found = sizes->find(path);
        if (found == sizes->end())
            return std::nullopt;
        return found->second;
    };
    return r;
}

void TRestorePageModel::imr_RestoreClick() {
    if (!startJob_)
        return;
    showLogOf(startJob_({request()}));
    changed();
}

void TRestorePageModel::showLogOf(const TJobOutcome& outcome) {
    // No run (refused, or cancelled before it began): the box keeps what it showed.
    if (!outcome.ran)
        return;
    // The log of this run as stored with its report; nothing when there is none, so an
    // older run's log is never shown as this one's.
    log_ = ReadReportLog(outcome.reportLogPath);
}

void TRestorePageModel::imr_DeleteSelClick() {
    if (!startJob_)
        return;
    const TJobOutcome outcome = startJob_({TDeleteRequest{request()}});
    filesDeleted_ = outcome.filesDeleted;
    showLogOf(outcome);
    if (filesDeleted_)
        cbSourceDriveChange();
    changed();
}

} // namespace qm
