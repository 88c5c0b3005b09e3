#pragma once
// TBackupPageModel: the rules of the Backup page (TS_BackUp) without its widgets: the
// selection tree and its file list, the media-drive choice (cbMediaDrive), the backup
// kind, and the selection files that keep the ticks per media drive ("Media Profiler").
// It owns the tree and list models; it borrows the drive poll (to follow the media
// drives) and the settings in force. Ticks the user has not saved are never thrown
// away unasked: a drive change made by the poll or a showing of the page saves them to
// the drive they were made for first; when that is not possible the user says whether
// they are the new drive's selection, and never are they written over another drive's
// selection without that word.

#include "app/common/messagefn.h"
#include "app/drives/mediadrivechoice.h"
#include "app/runs/jobrequest.h"
#include "app/stores/selectionfiles.h"
#include "app/trees/qmfilelistmodel.h"
#include "app/trees/qmfoldertreemodel.h"

#include <functional>
#include <string>
#include <vector>

namespace qm {

class TDrivePoll;
struct TDriveChange;
class TSettingsInForce;

class TBackupPageModel {
  public:
    // What the backup collects, in tree order: a ticked folder stands for everything in
    // it, present and future (read it recursively); a partly ticked folder gives its
    // ticked files one by one.
    struct TSelectionItem {
        std::string path;
        bool wholeFolder = false;
    };

    TBackupPageModel(TDrivePoll& poll, const TSettingsInForce& settings, MessageFn message);
    ~TBackupPageModel();
    TBackupPageModel(const TBackupPageModel&) = delete;
    TBackupPageModel& operator=(const TBackupPageModel&) = delete;

    TQMFolderTreeModel& tree() { return tree_; }
    TQmFilelistModel& files() { return files_; }
    const TSettingsInForce& settings() const { return settings_; }

    // Start of the main window: the tree loads its drives, the list shows C:\.
    void FormCreate();
    // The page is shown: folders refreshed, the stored media drive chosen and its
    // selection applied, vanished files dropped.
    void TS_BackUpShow();
    // The program became active again: folders and files read anew.
    void refresh();

    // cbMediaDrive: media drive captions "(E:\)" and the chosen one.
    const std::vector<std::string>& mediaDrives() const { return drives_.items(); }
    int mediaIndex() const { return drives_.index(); }
    std::string mediaDriveText() const;
    // The user chose another drive in the combo.
    void selectMediaDrive(int index);
    // Stores the chosen drive and applies its saved selection. `byUser`: the user chose
    // it, so the selection on screen is first saved to the drive it was made for.
    void cbMediaDriveChange(bool byUser);
    // Saves the ticks to `drive`'s selection files (empty: the drive they belong to).
    // `force` saves also when the page is not shown. False when nothing was written.
    bool SaveSelections(bool force, const std::string& drive = {});
    const std::string& lastMediaDriveText() const { return lastMediaDriveText_; }
    // Ticks changed since they were last saved or loaded.
    bool unsavedTicks() const { return unsavedTicks_; }

    // The three lists of the selection files, walked from the first root.
    TBackupSelectionLists FindFolderToSave();
    // The full paths of the ticked files of a folder node; false without a node.
    bool GetCheckedFileFullPath4DirNode(TCheckNode* node, std::vector<std::string>& list);
    // What a backup of the ticks collects (the job runner's input).
    std::vector<TSelectionItem> checkedSelection();

    bool incremental() const { return incremental_; }
    void setIncremental(bool on);
    // The log of the last backup (Memo_LogBackup), filled by the backup operation.
    const std::string& backupLog() const { return backupLog_; }
    void setBackupLog(std::string text);

    // The request of "Begin Backup": the ticks, media drive and kind (the launcher adds
    // the settings in force).
    TBackupRequest request();
    // How the page starts a run (the main window gives it the job launcher's).
    TStartJob startJob;
    // "Begin Backup": the request to the launcher; the run's log fills Memo_LogBackup.
    void btn_BackupJobClick();

    // Hooks of the main window.
    std::function<bool()> pageVisible;
    std::function<void(bool show, int page)> showWait;
    std::function<void(bool enabled)> setEnableButtons;
    std::function<void()> selectionsChanged; // SelectionsChanged := true
    std::function<void()> onChanged;

    static constexpr int kLoadPage = 2; // the wait window's TS_Load
    static constexpr int kSavePage = 3; // TS_Save

  private:
    void driveChanged(const TDriveChange& change);
    void walkToSave(TCheckNode* node, TBackupSelectionLists& lists);
    void walkSelection(TCheckNode* node, std::vector<TSelectionItem>& items);
    bool loadSelection(const std::string& driveText);
    // Unsaved ticks and another drive in force: true when the user says they are that
    // drive's selection from now on, false when its own selection is to be shown.
    bool keepUnsavedTicksFor(const std::string& driveText);
    void wait(bool show, int page);
    void changed();

    TDrivePoll& poll_;
    const TSettingsInForce& settings_;
    MessageFn message_;
    TQMFolderTreeModel tree_;
    TQmFilelistModel files_;
    int subscription_ = 0;
    TMediaDriveChoice drives_;
    std::string lastMediaDriveText_;
    bool unsavedTicks_ = false;
    bool incremental_ = true;
    std::string backupLog_;
};

} // namespace qm
