#pragma once
// TSyncPageModel: the rules of the Sync page (TS_Sync) without its widgets. The user
// picks a media drive (cbMediaSinc), ticks folders and files of its catalogue in the
// restore tree, compares them with the hard drive (the compare window fills the
// difference list lv_Sync), ticks rows and synchronises: ticked "red" rows are deleted
// from the media when the delete box is ticked, "blue" and "green" rows are copied in
// the direction the option asks. The model owns the tree, its file list and the
// difference list and follows the drive poll for cbMediaSinc's items; the job runs and
// the compare window are the window's (Actions). It borrows the poll (the main window
// owns both).

#include "app/common/messagefn.h"
#include "app/drives/drivepoll.h"
#include "app/drives/mediadrivechoice.h"
#include "app/pages/sync/synclistmodel.h"
#include "app/runs/jobrequest.h"
#include "app/trees/qmrestorefilelistmodel.h"
#include "app/trees/qmrestoretreemodel.h"

#include <functional>
#include <string>
#include <vector>

namespace qm {

class TSyncPageModel {
  public:
    static const char* const kNothingToSync;

    // Rg_SyncOpt.
    enum SyncOption {
        SyncTheFiles = 0,
        MediaOverwritesHardDrive = 1,
        HardDriveOverwritesMedia = 2,
        DoNothing = 3,
    };
    // pgc_sync.
    enum Tab { TSSync_Files = 0, TSSync_Results = 1 };

    struct Actions {
        std::function<void(bool show)> wait; // the wait window of the trees
        std::function<bool()> pageVisible;   // TS_Sync is the page shown
        std::function<void()> compare;       // TFrmCompare, shown modally
        // Starts a run (operation 2 to 5 over the rows); the outcome says whether an
        // engine run changed the media or the hard drive (the catalogue is read again)
        // and whether the user cancelled (nothing further starts).
        TStartJob startJob;
    };

    TSyncPageModel(TDrivePoll& poll, MessageFn message, Actions actions);
    ~TSyncPageModel();
    TSyncPageModel(const TSyncPageModel&) = delete;
    TSyncPageModel& operator=(const TSyncPageModel&) = delete;

    std::function<void()> onChanged;

    TQMRestoreTreeModel& tree() { return tree_; }
    TQMRestoreFileListModel& files() { return files_; }
    TSyncListModel& list() { return list_; }
    const MessageFn& message() const { return message_; }

    // Entering the page: the current media drive is selected in cbMediaSinc (else its
    // last item) and its catalogue read.
    void TS_SyncShow();
    // A drive chosen in cbMediaSinc (its text).
    void cbMediaSincChange(const std::string& caption);
    // The user picked item `index` of cbMediaSinc.
    void selectMediaDrive(int index);
    // cbMediaSinc's items (media-drive captions) and its selection (-1: none).
    const std::vector<std::string>& mediaDrives() const { return drives_.items(); }
    int driveIndex() const { return drives_.index(); }
    void imr_CompareClick();
    void imr_CheckAllClick() { list_.checkAll(true); }
    void imr_UncheckAllClick() { list_.checkAll(false); }
    void imt_backClick();
    void imr_SyncClick();

    void setSyncOption(int option);
    void setDeleteOnMedia(bool on);
    int syncOption() const { return syncOption_; }
    bool deleteOnMedia() const { return deleteOnMedia_; }

    int tab() const { return tab_; }
    // pnl_SyncColors (legend and Sync button) shows with the results.
    bool colorsShown() const { return tab_ == TSSync_Results; }
    const std::string& driveText() const { return driveText_; }
    // SyncMediaDrive: the drive of the last comparison.
    const std::string& syncMediaDrive() const { return syncMediaDrive_; }
    bool mediaEncrypted() const { return mediaEncrypted_; }

  private:
    void setTab(int tab);
    void changed();
    void drivesChanged(const TDriveChange& change);
    void wait(bool show);
    TJobOutcome run(TSyncRequest request, TSyncRun what);

    TDrivePoll& poll_;
    int subscription_ = 0;
    MessageFn message_;
    Actions actions_;
    TMediaDriveChoice drives_;
    TQMRestoreTreeModel tree_;
    TQMRestoreFileListModel files_;
    TSyncListModel list_;
    std::string driveText_;
    std::string syncMediaDrive_;
    bool mediaEncrypted_ = false;
    int tab_ = TSSync_Files;
    int syncOption_ = SyncTheFiles;
    bool deleteOnMedia_ = false;
};

} // namespace qm
