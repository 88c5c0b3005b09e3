#pragma once
// TSettingsPageModel: the rules of the Settings page widgets over the settings in force
// (TSettingsInForce, which the main window owns): what a tick, a slider or an arrow may
// change, the messages of a refusal, Apply and Default. Owns no widgets; the page
// refreshes itself from it after every change (onChanged).

#include "app/common/messagefn.h"
#include "app/pages/settings/exceptionlistsmodel.h"
#include "app/stores/settingsinforce.h"

#include <functional>
#include <string>

namespace qm {

class TSettingsPageModel {
  public:
    using WindowSize = TSettingsInForce::WindowSize;

    // `askLine` is the input dialog of the exception lists (TaddToExceptionLst unless
    // given).
    TSettingsPageModel(TSettingsInForce& settings, MessageFn message,
                       TExceptionListsModel::AskLine askLine = {});

    TSettingsInForce& inForce() { return settings_; }
    const TSettingsInForce& inForce() const { return settings_; }

    // The exception lists of the page; ReadSettings reloads them.
    TExceptionListsModel& exceptions() { return exceptions_; }
    const TExceptionListsModel& exceptions() const { return exceptions_; }

    std::function<void()> onChanged;
    // Sizes the main window from the stored Width and Height; WriteSettings calls it
    // after writing them, before its notice.
    std::function<void()> resizeWindow;

    // Stored values into the settings in force and onto the widgets, each value on its
    // own with its default. One read of the registry.
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
        return !pageVisible || levelGuard_ || settings_.compressionType() != 0;
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

    int winSizeIndex() const { return settings_.winSizeIndex(); }
    int compressionType() const { return settings_.compressionType(); }
    int level() const { return settings_.level(); }
    bool encryption() const { return settings_.encryption(); }
    bool keySizeEnabled() const { return settings_.encryption(); }
    int keySizeIndex() const { return settings_.keySizeIndex(); }
    int keySizeBits() const { return settings_.keySizeBits(); }
    int restoring() const { return settings_.restoring(); }
    bool log() const { return settings_.log(); }
    bool revision() const { return settings_.revision(); }
    int revisions() const { return settings_.revisions(); }
    bool revisionSpinEnabled() const { return settings_.revision(); }
    bool reminder() const { return settings_.reminder(); }
    int reminderDays() const { return settings_.reminderDays(); }
    bool reminderSpinEnabled() const { return settings_.reminder(); }
    bool exeptList() const { return settings_.exeptList(); }
    bool saveSelection() const { return settings_.saveSelection(); }
    bool autoStart() const { return settings_.autoStart(); }
    bool autoLaunch() const { return settings_.autoLaunch(); }
    bool updater() const { return settings_.updater(); }

    static constexpr int kMaxRevisions = TSettingsInForce::kMaxRevisions;
    static constexpr int kMaxReminderDays = TSettingsInForce::kMaxReminderDays;

  private:
    void changed();
    void setRevisions(int value);
    void setReminderDays(int value);
    TSettingValues& v() { return settings_.values(); }

    TSettingsInForce& settings_;
    MessageFn message_;
    int levelBefore_ = 1;
    bool levelGuard_ = false;
    TExceptionListsModel exceptions_;
};

} // namespace qm
