#include "app/pages/backup/backuppagemodel.h"

#include "app/drives/drivepoll.h"
#include "app/drives/mediadrives.h"
#include "app/stores/settingsinforce.h"
#include "platform/dospath.h"
#include "platform/pathtools.h"

namespace qm {

namespace {

// The siblings from `node` on, as they stand now.
std::vector<TCheckNode*> runFrom(const TCheckTree& tree, TCheckNode* node) {
    std::vector<TCheckNode*> run;
    if (!node)
        return run;
    const auto& list = node->parent ? node->parent->children : tree.roots();
    for (size_t i = static_cast<size_t>(node->row); i < list.size(); ++i)
        run.push_back(list[i].get());
    return run;
}

TCheckNode* firstChild(const TCheckNode* node) {
    return node->children.empty() ? nullptr : node->children.front().get();
}

} // namespace

TBackupPageModel::TBackupPageModel(TDrivePoll& poll, const TSettingsInForce& settings,
                                   MessageFn message)
    : poll_(poll), settings_(settings), message_(std::move(message)) {
    tree_.Filelist = &files_;
    files_.FolderTree = &tree_;
    files_.message = message_;
    files_.setDateFormat(TDTFormat::df_Customize);
    tree_.OnNodeStateChange = [this] { unsavedTicks_ = true; };
    drives_.readDrives();
    subscription_ = poll_.subscribe([this](const TDriveChange& change) { driveChanged(change); });
}

TBackupPageModel::~TBackupPageModel() {
    poll_.unsubscribe(subscription_);
}

void TBackupPageModel::changed() {
    if (onChanged)
        onChanged();
}

void TBackupPageModel::wait(bool show, int page) {
    if (showWait)
        showWait(show, page);
}

void TBackupPageModel::FormCreate() {
    tree_.setActive(true);
    files_.setDirectory("C:\\");
}

void TBackupPageModel::TS_BackUpShow() {
    tree_.RefreshFolders();
    drives_.chooseStored();
    changed();
    cbMediaDriveChange(false);
    files_.RemoveMissingFiles();
}

void TBackupPageModel::refresh() {
    tree_.RefreshFolders();
    files_.RemoveMissingFiles();
}

void TBackupPageModel::driveChanged(const TDriveChange& change) {
    if (change.sourcesChanged)
        tree_.Reload(); // keeps the ticks of the folders still there
    drives_.follow(change);
    changed();
    if (change.mediaAppeared)
        TS_BackUpShow();
    else if (change.reapplySelection)
        cbMediaDriveChange(false);
}

std::string TBackupPageModel::mediaDriveText() const {
    return drives_.text();
}

void TBackupPageModel::selectMediaDrive(int index) {
    if (!drives_.choose(index))
        return;
    changed();
    cbMediaDriveChange(true);
}

void TBackupPageModel::cbMediaDriveChange(bool byUser) {
    const std::string text = TrimmedCaption(mediaDriveText());
    if (text.size() > 2)
        SetMediaDriveSetting(text);
    if (selectionsChanged)
        selectionsChanged();
    wait(true, kLoadPage);
    if (settings_.saveSelection()) {
        // The selection on screen goes to the drive it was made for; made before any
        // drive was chosen, it goes nowhere unasked (the question follows).
        if (byUser && !lastMediaDriveText_.empty()) {
            if (setEnableButtons)
                setEnableButtons(false);
            SaveSelections(false, lastMediaDriveText_);
            if (setEnableButtons)
                setEnableButtons(true);
        } else if (unsavedTicks_ && !lastMediaDriveText_.empty() &&
                   !sameTextDos(text, lastMediaDriveText_)) {
            SaveSelections(true, lastMediaDriveText_);
        }
        if (!text.empty() && (!unsavedTicks_ || (!sameTextDos(text, lastMediaDriveText_) &&
                                                 !keepUnsavedTicksFor(text))))
            loadSelection(text);
    }
    lastMediaDriveText_ = text;
    tree_.NotifyChange();
    files_.ReadDirectory();
    wait(false, kLoadPage);
    changed();
}

bool TBackupPageModel::keepUnsavedTicksFor(const std::string& driveText) {
    // Ticks that could not go to the drive they were made for (it went, or there was
    // none) never take the place of another drive's selection unasked.
    const std::string made =
        lastMediaDriveText_.empty()
            ? std::string("The backup selection on screen was made before a media drive was "
                          "chosen.")
            : "The backup selection on screen was made for " + lastMediaDriveText_ +
                  ", where it cannot be saved now.";
    if (!message_)
        return false;
    wait(false, kLoadPage);
    return message_(kMsgYesNo, made + " Use it for " + driveText + "? No shows the selection " +
                                   "saved for " + driveText + ".") == kResultYes;
}

bool TBackupPageModel::loadSelection(const std::string& driveText) {
    if (driveText.size() < 2)
        return false;
    TBackupSelectionLists lists;
    bool cut = false;
    if (!TSelectionFiles(driveText[1]).read(lists, &cut)) {
        wait(false, kLoadPage);
        if (message_)
            message_(kMsgOk, "The saved backup selection on " + driveText +
                                 " cannot be read. The ticks on screen are kept.");
        return false;
    }
    tree_.ClearSelection();
    tree_.LoadSelection(lists.folders, lists.grey);
    tree_.LoadFileSelection(lists.files);
    unsavedTicks_ = false;
    if (cut && message_) {
        wait(false, kLoadPage);
        message_(kMsgOk, "The saved backup selection on " + driveText +
                             " is longer than a selection can be. Only its first part was read.");
    }
    return true;
}

bool TBackupPageModel::SaveSelections(bool force, const std::string& drive) {
    if (!settings_.saveSelection())
        return false;
    // Without a drive named, the ticks go to the drive they were loaded for.
    const bool driveless = drive.empty() && lastMediaDriveText_.empty();
    const std::string text = TrimmedCaption(!drive.empty()                 ? drive
                                            : !lastMediaDriveText_.empty() ? lastMediaDriveText_
                                                                           : mediaDriveText());
    if (text.size() < 3 || !DriveHasMedium(std::string(1, text[1]) + ":\\"))
        return false;
    if (!force && !(pageVisible && pageVisible()))
        return false;
    if (driveless) {
        // Ticks made before a media drive was chosen belong to none: they take the place
        // of this drive's selection only on the user's Yes; No shows its own.
        if (!unsavedTicks_)
            return false;
        const bool keep = keepUnsavedTicksFor(text);
        lastMediaDriveText_ = text;
        if (!keep) {
            loadSelection(text);
            return false;
        }
    }
    wait(true, kSavePage);
    const TSelectionFiles files(text[1]);
    const bool saved = files.write(FindFolderToSave());
    wait(false, kSavePage);
    if (!saved) {
        if (message_)
            message_(kMsgOk, "The backup selection could not be saved to " + files.folder() +
                                 ". The ticks on screen are kept.");
        return false;
    }
    unsavedTicks_ = false;
    return true;
}

TBackupSelectionLists TBackupPageModel::FindFolderToSave() {
    TBackupSelectionLists lists;
    TBusyGuard::Scope walk(tree_.walks()); // no node goes while the walk lets events run
    walkToSave(tree_.firstRoot(), lists);
    return lists;
}

void TBackupPageModel::walkToSave(TCheckNode* node, TBackupSelectionLists& lists) {
    for (TCheckNode* n : runFrom(tree_, node)) {
        if (tree_.servePending)
            tree_.servePending();
        if (n->state == TCheckTree::kChecked) {
            lists.folders.push_back(n->path); // it stands for everything below it
            continue;
        }
        if (n->state == TCheckTree::kGrey) {
            lists.grey.push_back(n->path);
            std::vector<std::string> files;
            GetCheckedFileFullPath4DirNode(n, files);
            lists.files.insert(lists.files.end(), files.begin(), files.end());
        }
        if (TCheckNode* child = firstChild(n))
            walkToSave(child, lists);
    }
}

bool TBackupPageModel::GetCheckedFileFullPath4DirNode(TCheckNode* node,
                                                      std::vector<std::string>& list) {
    if (!node)
        return false;
    list.clear();
    TBackgrndTreeView& fileTree = tree_.fileTree();
    TBackgrndTreeView::Node* chain = fileTree.FindPath(node->path, {});
    if (!chain)
        chain = fileTree.AddPath(tree_.chainPath(node));
    if (!chain)
        return false;
    for (const TBackgrndTreeView::Node* file : TBackgrndTreeView::files(chain))
        if (file->state == TCheckTree::kChecked)
            list.push_back(JoinPath(node->path, file->text));
    return true;
}

std::vector<TBackupPageModel::TSelectionItem> TBackupPageModel::checkedSelection() {
    std::vector<TSelectionItem> items;
    TBusyGuard::Scope walk(tree_.walks());
    walkSelection(tree_.firstRoot(), items);
    return items;
}

void TBackupPageModel::walkSelection(TCheckNode* node, std::vector<TSelectionItem>& items) {
    for (TCheckNode* n : runFrom(tree_, node)) {
        if (n->state == TCheckTree::kChecked) {
            items.push_back({n->path, true});
            continue;
        }
        if (n->state == TCheckTree::kGrey) {
            std::vector<std::string> files;
            GetCheckedFileFullPath4DirNode(n, files);
            for (std::string& file : files)
                items.push_back({std::move(file), false});
        }
        if (TCheckNode* child = firstChild(n))
            walkSelection(child, items);
    }
}

void TBackupPageModel::setIncremental(bool on) {
    incremental_ = on;
    changed();
}

void TBackupPageModel::setBackupLog(std::string text) {
    backupLog_ = std::move(text);
    changed();
}

TBackupRequest TBackupPageModel::request() {
    TBackupRequest r;
    r.mediaCaption = mediaDriveText();
    r.incremental = incremental();
    const std::vector<TBackupPageModel::TSelectionItem> items = checkedSelection();
    r.selection = [items](const TSelectionVisit& visit) {
        for (const auto& item : items)
            if (!visit(item.path, item.wholeFolder))
                return;
    };
    return r;
}

void TBackupPageModel::btn_BackupJobClick() {
    if (!startJob)
        return;
    const TJobOutcome outcome = startJob({request()});
    if (outcome.log)
        setBackupLog(*outcome.log);
}

} // namespace qm
