#pragma once
// TRestorePageModel: the rules of the Restore page (TS_Restore) without its widgets: the
// media drive chosen in cbSourceDrive and its catalogue shown as the restore tree and
// file list, the restore options, the settings in force beside them, and the Restore and
// "Delete selected files" buttons, which start job runs. It owns the tree and file list
// models; it borrows the drive poll (to follow the media drives) and the settings.

#include "app/drives/mediadrivechoice.h"
#include "app/runs/jobrequest.h"
#include "app/trees/qmrestorefilelistmodel.h"
#include "app/trees/qmrestoretreemodel.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qm {

class TDrivePoll;
struct TDriveChange;
class TSettingsInForce;

class TRestorePageModel {
  public:
    TRestorePageModel(TDrivePoll& poll, const TSettingsInForce& settings, MessageFn message,
                      TStartJob startJob);
    ~TRestorePageModel();
    TRestorePageModel(const TRestorePageModel&) = delete;
    TRestorePageModel& operator=(const TRestorePageModel&) = delete;

    TQMRestoreTreeModel& tree() { return tree_; }
    TQMRestoreFileListModel& files() { return files_; }

    // The page is shown: settings beside the options, the stored media drive (else the
    // last one) and its catalogue.
    void TS_RestoreShow();
    // The page is left: the catalogue is read afresh at the next showing.
    void TS_RestoreHide();
    void selectDrive(int index);
    // Reads the chosen drive's catalogue into the tree; with no drive chosen the tree is
    // empty.
    void cbSourceDriveChange();

    const std::vector<std::string>& driveItems() const { return drives_.items(); }
    int driveIndex() const { return drives_.index(); }
    bool mediaEncrypted() const { return mediaEncrypted_; }
    bool filesDeleted() const { return filesDeleted_; }

    // RadioButton1 / rb_RestoreDest and rb_Newest / rb_SelectVersion.
    bool toFolder = false;
    bool selectVersions = false;
    // Memo_RstSettingsValues: "On" or "Off" for logging, reminder, replace only old files.
    const std::vector<std::string>& settingsValues() const { return settingsValues_; }
    // Memo_LogRestore: the log of the restore or delete just made, or nothing.
    const std::string& log() const { return log_; }

    void imr_RestoreClick();
    void imr_DeleteSelClick();

    std::function<void(bool show, int page)> showWait;
    std::function<void()> onChanged;

    static constexpr int kWaitCataloguePage = 0;

  private:
    TRestoreRequest request() const;
    void showLogOf(const TJobOutcome& outcome);
    // A drive poll tick: the box offers the media drives and chooses the one in force;
    // while the page shows, the tree follows at once (that drive's catalogue, nothing when
    // no media drive is left), so the box and the tree never stand for different drives.
    void driveChanged(const TDriveChange& change);
    void wait(bool show);
    void changed();

    TDrivePoll& poll_;
    const TSettingsInForce& settings_;
    MessageFn message_;
    TStartJob startJob_;
    TQMRestoreTreeModel tree_;
    TQMRestoreFileListModel files_;
    int subscription_ = 0;
    TMediaDriveChoice drives_;
    bool showing_ = false;
    std::string listed_; // the drive whose catalogue the tree holds, "(E:\)"
    bool mediaEncrypted_ = false;
    bool filesDeleted_ = false;
    std::vector<std::string> settingsValues_;
    std::string log_;
};

} // namespace qm
