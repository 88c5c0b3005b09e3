#pragma once
// TfrmMain: the skinned borderless main window: the title strip, the left menu Pnl_mnu,
// the page control pgc_Main (pages 0 to 6 and 8) and the three timers. The rules are
// TMainWindowModel's, which this window owns; the window only builds widgets, routes
// their events to the model and carries out what the model asks (show, hide, size,
// quit). It also owns the tray menu, the wait window and the reminder window.

#include "app/mainwindow/mainwindowmodel.h"

#include <QSize>
#include <QWidget>
#include <memory>

class QStackedWidget;
class QTimer;

namespace qm {

class TASHint;
class TBackupPage;
class TDrivesPage;
class THelpPage;
class TJobLauncher;
class TReportsPage;
class TRestorePage;
class TReportsPageModel;
struct TRunWindowHooks;
class TFrmReminder;
class TFrmSplash;
class TFrmWait;
class TSettingsPage;
class TSyncPage;
class TTrayMenu;

struct TMainTimings {
    int drivesMs = 2000;
    int remindMs = 10000;
    int updaterMs = 3600000;
};

struct TMainWindowSetup {
    TMainTimings timings;
    MessageFn message; // ShowMessageForm unless given
    std::unique_ptr<TUpdaterLauncher> updater;
    std::function<bool()> autoLaunchAllowed;
    std::function<void(bool)> setStartupAuto;
    std::function<void()> duplicateCheck;         // part of every drive-poll tick
    std::function<void(const char* url)> openUrl; // ShellExecute unless given
    std::function<bool()> trayAvailable;          // the desktop's answer unless given
    bool splashShown = false;                     // the start-up already showed the splash
};

class TfrmMain : public QWidget {
    Q_OBJECT
  public:
    static constexpr QSize kLogoPanel{434, 80};

    explicit TfrmMain(TMainWindowSetup setup);
    ~TfrmMain() override;

    TMainWindowModel& model() { return *model_; }
    TTrayMenu& tray() { return *tray_; }
    QStackedWidget* pages() const { return pages_; }
    QTimer* timer(const char* name) const;
    TFrmWait* waitWindow() const { return wait_.get(); }
    // The Backup page: its model holds the selection tree and starts its run.
    TBackupPage* backupPage() const { return backupPage_; }
    TSyncPage* syncPage() const { return syncPage_; }
    TFrmReminder* reminderWindow() const { return reminderWindow_.get(); }
    // Starts job runs: each page holds its starter().
    TJobLauncher& jobs() { return *jobs_; }
    TReportsPageModel& reportsPage() { return *reportsModel_; }
    TRestorePage* restorePage() const { return restorePage_; }
    // The job runner's hook: registered for as long as the returned handle lives.
    std::unique_ptr<TMainWindowModel::RunHandle> beginRun(TRunControl& run);

    void ShowAndActivate();
    void SetCenterPos();
    bool ended() const { return ended_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    TMainWindowModel::Actions makeActions();
    QWidget* buildTop();
    QWidget* buildMenu();
    void buildPages();
    void wireBackupPage();
    void buildSyncPage();
    QWidget* buildWelcome();
    QWidget* buildLogoPanel(QWidget* parent);
    void startTimers(const TMainTimings& timings);
    void refresh();
    void hideToTray();
    // How the job runner and the compare window hold a run and follow this window.
    TRunWindowHooks runWindowHooks();
    void applyWindowSize(const TSettingsPageModel::WindowSize& size);
    void showWait(int page);
    void hideWait();
    void showReminder();
    void endProgram();

    std::unique_ptr<TMainWindowModel> model_;
    MessageFn message_;
    std::function<void()> duplicateCheck_;
    std::function<bool()> trayAvailable_;
    TTrayMenu* tray_ = nullptr; // child QObject
    TASHint* hint_ = nullptr;   // child QObject: every hint a balloon
    QWidget* menuPanel_ = nullptr;
    QWidget* logo_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    TSettingsPage* settingsPage_ = nullptr;
    THelpPage* helpPage_ = nullptr;
    std::unique_ptr<TJobLauncher> jobs_;
    std::unique_ptr<TReportsPageModel> reportsModel_;
    TReportsPage* reportsPage_ = nullptr;
    TRestorePage* restorePage_ = nullptr;
    int reportsDrives_ = 0; // the Reports page's subscription to the drive poll
    TDrivesPage* drivesPage_ = nullptr;
    TBackupPage* backupPage_ = nullptr;
    TSyncPage* syncPage_ = nullptr;
    std::unique_ptr<TFrmWait> wait_;
    std::unique_ptr<TFrmReminder> reminderWindow_;
    std::unique_ptr<TFrmSplash> splash_;
    bool splashShown_ = false;
    bool ended_ = false;
    int shownPage_ = -1;
};

} // namespace qm
