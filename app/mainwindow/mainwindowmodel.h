#pragma once
// TMainWindowModel: the rules of the main window without its widgets: which page of
// pgc_Main shows, the left menu and its page-switch flow, hiding and closing, the close
// request from other programs, the tray items, the wait window and the three timers.
// Everything that must not run inside a busy loop goes through its TBusyGuard. It owns
// the settings in force and the settings page model, the reminder, the updater launcher
// and the drive poll; the window supplies the side effects it cannot do itself through
// Actions.

#include "app/common/busyguard.h"
#include "app/common/messagefn.h"
#include "app/drives/drivepoll.h"
#include "app/mainwindow/reminder.h"
#include "app/mainwindow/updaterlauncher.h"
#include "app/pages/settings/settingspagemodel.h"
#include "app/runs/runcontrol.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

namespace qm {

class TMainWindowModel {
  public:
    enum Page {
        PageBackUp = 0,
        PageRestore = 1,
        PageReports = 2,
        PageSync = 3,
        PageSettings = 4,
        PageHelp = 5,
        PageStart = 6,
        PageDrives = 8,
    };
    enum class MenuButton { Backup, Restore, Reports, Tools, Options, Help, Drives };

    static constexpr int kAppExchange = 1024 + 2234; // 3258
    static constexpr uint32_t kExchangeClose = 0x12012;
    static constexpr uint32_t kExchangeCloseIfIdle = 0x12013;
    static constexpr int64_t kExchangeCloseCheck = 18;

    struct Actions {
        std::function<void(bool force)> saveSelections;
        std::function<void()> fillDrivesInfo;
        std::function<void()> hideToTray;      // minimise, leave only the tray icon
        std::function<bool()> trayAvailable;   // the desktop shows tray icons (unset: yes)
        std::function<void()> showAndActivate; // bring the window up
        std::function<void()> quit;            // remove the tray icon and end the loop
        std::function<bool()> windowShown;     // window and application window visible
        std::function<void(const TSettingsPageModel::WindowSize&)> applyWindowSize;
        std::function<void(int page)> showWait;
        std::function<void()> hideWait;
        std::function<void()> showReminderWindow;
        std::function<bool()> autoLaunchAllowed;
        std::function<void(bool on)> setStartupAuto;
        std::function<void()> closeDuplicateInstance; // the end of every drive-poll tick
        std::function<void(const char* url)> openUrl; // the desktop's web browser
        std::function<void()> raiseWait;              // the wait window to the front
        // Re-reads the selection trees when the user comes back to the program
        // (missing folders and files dropped); empty until the trees exist.
        std::function<void()> refreshTrees;
    };

    TMainWindowModel(MessageFn message, Actions actions,
                     std::unique_ptr<TUpdaterLauncher> updater = nullptr);

    std::function<void()> onChanged;

    // The settings in force, and the Settings page's rules over them.
    TSettingsInForce& settingsInForce() { return settingsInForce_; }
    TSettingsPageModel& settings() { return settings_; }
    TBusyGuard& busy() { return busy_; }
    // How pages ask the user: holds the busy guard while the question is open.
    const MessageFn& message() const { return message_; }
    TReminder& reminder() { return reminder_; }
    // The drive poll: pages that show drives subscribe to it.
    TDrivePoll& drivePoll() { return drivePoll_; }

    int activePage() const { return activePage_; }
    bool menuVisible() const { return menuVisible_; }
    bool buttonsEnabled() const { return buttonsEnabled_; }
    bool closeWithoutAsking() const { return closeWithoutAsking_; }
    bool loadInStartups() const { return loadInStartups_; }
    bool waitShown() const { return waitShown_; }
    bool runActive() const { return run_ != nullptr; }
    // The run in force takes every tray item that starts, shows a page or exits.
    bool runLocksWholeTray() const { return run_ && run_->locksWholeTray(); }
    bool closed() const { return closed_; }
    bool selectionsChanged() const { return selectionsChanged_; }
    void setSelectionsChanged(bool changed) { selectionsChanged_ = changed; }
    void setRevisionWindowShown(bool shown) { revisionWindowShown_ = shown; }

    // Start of the window: settings read, welcome page, menu hidden.
    void FormCreate();
    // Each showing: window size from the settings, one drive-poll tick.
    void FormShow();
    void ShowMenuPanel();
    void hideMenuPanel();
    void SetEnableButtons(bool enabled);
    void showPage(int page);

    void menuClick(MenuButton button);
    void welcomeClick(int page);
    void btn_applyClick();
    // The Default button of the Settings page.
    void imr_SetDefClick();
    // The close buttons: the program goes to the tray; without a tray it ends (asking).
    void btn_closeClick();
    // The close of the window; returns true when the program ends.
    bool FormClose();
    void WMM_APP_EXCHANGE(uint32_t wParam, int64_t lParam);
    // The program became active (or inactive) on the desktop.
    void WMM_APP_ACT(bool activated);
    // A logo button: opens its web address.
    void logoClick(std::string_view button);

    // Tray menu items.
    void mnu_ShowMainWindowClick();
    void mnu_StartBackupClick();
    void mnu_LaunchFileSyncClick();
    void mnu_FileSyncSettingsClick();
    void mnu_FileSynchronizationClick();
    void mnu_LoadFileSyncinStartupsClick();
    void mnu_StartBackupAutomaticallyClick();
    void mnu_DisableAutoLaunchClick();
    void mnu_ExitClick();

    // The wait window of the trees; nests with every other busy state.
    void ShowWaitForm(bool show, int page);
    // The main window was hidden: the wait window goes with it, but the work that
    // showed it still runs, so the busy state lasts until that work hides it.
    void FormHide();

    // Timers.
    void Tmr_DrivesTimer();
    void TmrRemindTimer();
    void tmr_UpdaterTimer();

    // The job runner registers its run for as long as the handle lives: the main
    // window is busy, a close request stops the run first.
    class RunHandle : public TRunHold {
      public:
        RunHandle(TMainWindowModel& model, TRunControl& run);
        ~RunHandle() override;
        RunHandle(const RunHandle&) = delete;
        RunHandle& operator=(const RunHandle&) = delete;

      private:
        TMainWindowModel& model_;
        TBusyGuard::Scope scope_;
    };
    std::unique_ptr<RunHandle> beginRun(TRunControl& run);

  private:
    TDrivePoll::Hooks drivePollHooks();
    void changed();
    void readSettings();
    bool writeSettings(bool showMessage);
    bool windowShown() const;
    void askApplyChanges();
    void applyWindowSize();
    void deferTray(const char* id, std::function<void()> task);
    void closeNow();

    TBusyGuard busy_; // first: the message function below holds it
    MessageFn message_;
    Actions actions_;
    TSettingsInForce settingsInForce_;
    TSettingsPageModel settings_;
    TReminder reminder_;
    std::unique_ptr<TUpdaterLauncher> updater_;
    TDrivePoll drivePoll_;
    TRunControl* run_ = nullptr;
    int activePage_ = PageStart;
    bool menuVisible_ = false;
    bool buttonsEnabled_ = true;
    bool closeWithoutAsking_ = false;
    bool selectionsChanged_ = false;
    bool revisionWindowShown_ = false;
    bool loadInStartups_ = false;
    bool waitShown_ = false;
    bool closed_ = false;
};

} // namespace qm
