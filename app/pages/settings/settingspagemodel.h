#pragma once
// TSettingsPageModel: the state of the Settings page widgets and their rules. The job
// runs read these values, not the registry, so they are the settings in force; Apply,
// the apply-changes question or a tray tick writes them through TSettingsStore. Owns no
// widgets; the page refreshes itself from it after every change (onChanged).

#include "app/common/messagefn.h"
#include "app/pages/settings/exceptionlistsmodel.h"
#include "app/stores/settingsstore.h"

#include <functional>
#include <string>

namespace qm {

class TSettingsPageModel {
  public:
    struct WindowSize {
        int width = kSmallWidth;
        int height = kSmallHeight;
        const char* outline = "REGION1"; // nullptr: leave the outline as it is
    };

    // `askLine` is the input dialog of the exception lists (TaddToExceptionLst unless
    // given).
    explicit TSettingsPageModel(MessageFn message, TExceptionListsModel::AskLine askLine = {});

    // The exception lists of the page; ReadSettings reloads them.
    TExceptionListsModel& exceptions() { return exceptions_; }
    const TExceptionListsModel& exceptions() const { return exceptions_; }

    std::function<void()> onChanged;
    // Sizes the main window from the stored Width and Height; WriteSettings calls it
    // after writing them, before its notice.
    std::function<void()> resizeWindow;

    // Stored values onto the widgets, each value on its own with its default. One read
    // of the registry.
    void ReadSettings();
    // Widgets into the store: one read and at most one write. `windowShown` lets the
    // size switch write Width and Height and resize the window (only while the main
    // window is in view). False after the permission message.
    bool WriteSettings(bool showMessage, bool windowShown);
    bool FindChanges() const;
    void SetDefSettings();
    // Default button: defaults written (and the window resized) without message, then
    // the notice.
    void DefaultClick(bool windowShown);
    // Reads Width and Height; selects the size switch to match.
    WindowSize ApplyWindowSize();

    // Widget rules.
    void setWinSizeIndex(int index);
    void setCompressionType(int type); // 1 (single, hidden) turns into 2
    void levelFocused();
    // Whether the level takes a change now: not on the shown page while "No
    // compression" is ticked (outside the refusal's own message).
    bool levelTakesChange(bool pageVisible) const {
        return !pageVisible || levelGuard_ || compressionType_ != 0;
    }
    // Returns false when the change was refused (no compression chosen).
    bool changeLevel(int position, bool pageVisible);
    // The refusal: the level goes back to where it was when the bar got the focus, and
    // the message says why.
    void refuseLevelChange();
    void setEncryption(bool on);
    void setKeySizeIndex(int index);
    void setRestoring(int index);
    void setLog(bool on);
    void setRevisionTick(bool on);
    // Mouse-up or key-up over the revision tick: explains a refusal.
    void revisionTickReleased();
    void revisionUp();
    void revisionDown();
    void setReminderTick(bool on);
    void reminderUp();
    void reminderDown();
    void setExeptList(bool on);
    void setSaveSelection(bool on);
    void setAutoStart(bool on);  // cb_AutoStart and mnu_StartBackupAutomatically
    void setAutoLaunch(bool on); // cb_AutoLaunch and mnu_DisableAutoLaunch
    void setUpdater(bool on);

    int winSizeIndex() const { return winSizeIndex_; }
    int compressionType() const { return compressionType_; }
    int level() const { return level_; }
    bool encryption() const { return encryption_; }
    bool keySizeEnabled() const { return encryption_; }
    int keySizeIndex() const { return keySizeIndex_; }
    int keySizeBits() const { return 128 + 64 * keySizeIndex_; }
    int restoring() const { return restoring_; }
    bool log() const { return log_; }
    bool revision() const { return revision_; }
    int revisions() const { return revisions_; }
    bool revisionSpinEnabled() const { return revision_; }
    bool reminder() const { return reminder_; }
    int reminderDays() const { return reminderDays_; }
    bool reminderSpinEnabled() const { return reminder_; }
    bool exeptList() const { return exeptList_; }
    bool saveSelection() const { return saveSelection_; }
    bool autoStart() const { return autoStart_; }
    bool autoLaunch() const { return autoLaunch_; }
    bool updater() const { return updater_; }

    static constexpr int kMaxRevisions = 20;
    static constexpr int kMaxReminderDays = 31;

  private:
    void changed();
    void setRevisions(int value);
    void setReminderDays(int value);
    uint32_t encryptionValue() const { return encryption_ ? keySizeIndex_ + 1 : 0; }

    MessageFn message_;
    TSettingsStore store_;
    int winSizeIndex_ = 0;
    int compressionType_ = 0;
    int level_ = 1;
    int levelBefore_ = 1;
    bool levelGuard_ = false;
    bool encryption_ = false;
    int keySizeIndex_ = 0;
    int restoring_ = 0;
    bool log_ = true;
    bool revision_ = false;
    int revisions_ = 0;
    bool reminder_ = false;
    int reminderDays_ = 0;
    bool exeptList_ = false;
    bool saveSelection_ = true;
    bool autoStart_ = true;
    bool autoLaunch_ = false;
    bool updater_ = true;
    TExceptionListsModel exceptions_;
};

} // namespace qm
