#include "app/mainwindow/mainwindowmodel.h"

#include "app/mainwindow/logolinks.h"

#include <array>
#include <cstdio>
#include <exception>

namespace qm {

namespace {

const char* const kApplyQuestion = "Do you want the new changes to be applied?";
const char* const kExitQuestion = "Are you sure you want to exit Quillmoor?";

struct MenuRoute {
    TMainWindowModel::MenuButton button;
    bool saveSelection;
    bool askApply;
    int page;
};

constexpr std::array<MenuRoute, 7> kMenuRoutes = {{
    {TMainWindowModel::MenuButton::Backup, false, true, TMainWindowModel::PageBackUp},
    {TMainWindowModel::MenuButton::Restore, true, true, TMainWindowModel::PageRestore},
    {TMainWindowModel::MenuButton::Reports, true, true, TMainWindowModel::PageReports},
    {TMainWindowModel::MenuButton::Tools, true, true, TMainWindowModel::PageSync},
    {TMainWindowModel::MenuButton::Options, true, false, TMainWindowModel::PageSettings},
    {TMainWindowModel::MenuButton::Help, true, true, TMainWindowModel::PageHelp},
    {TMainWindowModel::MenuButton::Drives, true, true, TMainWindowModel::PageDrives},
}};

bool validPage(int page) {
    return page >= 0 && page <= 8 && page != 7;
}

// A question of the main window runs a modal loop, in which timers and tray clicks
// arrive. They must not switch pages or re-read the settings the question is about.
MessageFn holdingGuard(TBusyGuard& busy, MessageFn message) {
    return [&busy, message = std::move(message)](int kind, const std::string& text) {
        TBusyGuard::Scope question(busy);
        return message(kind, text);
    };
}

template <typename F, typename... Args> void call(const F& f, Args&&... args) {
    if (f)
        f(std::forward<Args>(args)...);
}

} // namespace

TMainWindowModel::TMainWindowModel(MessageFn message, Actions actions,
                                   std::unique_ptr<TUpdaterLauncher> updater)
    : message_(holdingGuard(busy_, std::move(message))), actions_(std::move(actions)),
      settings_(settingsInForce_, message_), reminder_(actions_.showReminderWindow),
      updater_(std::move(updater)), drivePoll_(drivePollHooks()) {
    settings_.resizeWindow = [this] { applyWindowSize(); };
    // A media drive plugged in while a page of another media drive is shown: the user
    // is taken to the Backup page for it.
    drivePoll_.subscribe([this](const TDriveChange& change) {
        if (change.mediaAppeared && (activePage_ == PageRestore || activePage_ == PageSync))
            showPage(PageBackUp);
    });
}

TDrivePoll::Hooks TMainWindowModel::drivePollHooks() {
    TDrivePoll::Hooks hooks;
    hooks.message = message_;
    hooks.autoLaunchDisabled = [this] { return settings_.autoLaunch(); };
    hooks.autoOpenBackup = [this] { return settings_.autoStart(); };
    hooks.windowInView = [this] { return windowShown(); };
    hooks.openWindow = [this](bool backupPage) {
        if (backupPage)
            mnu_StartBackupClick();
        else
            mnu_LaunchFileSyncClick();
    };
    // Only a selection that was loaded for a drive is written back; an untouched tree
    // must not overwrite a drive's saved selection.
    hooks.saveSelections = [this] {
        if (selectionsChanged_)
            call(actions_.saveSelections, true);
    };
    hooks.closeDuplicateInstance = [this] { call(actions_.closeDuplicateInstance); };
    return hooks;
}

void TMainWindowModel::changed() {
    if (onChanged)
        onChanged();
}

void TMainWindowModel::readSettings() {
    settings_.ReadSettings();
    loadInStartups_ = actions_.autoLaunchAllowed ? actions_.autoLaunchAllowed() : false;
    changed();
}

bool TMainWindowModel::windowShown() const {
    return actions_.windowShown && actions_.windowShown();
}

bool TMainWindowModel::writeSettings(bool showMessage) {
    return settings_.WriteSettings(showMessage, windowShown());
}

void TMainWindowModel::FormCreate() {
    closeWithoutAsking_ = false;
    TSettingsStore().checkSettings();
    readSettings();
    selectionsChanged_ = false;
    drivePoll_.start();
    menuVisible_ = false;
    showPage(PageStart);
    tmr_UpdaterTimer();
}

void TMainWindowModel::FormShow() {
    applyWindowSize();
    Tmr_DrivesTimer();
}

void TMainWindowModel::applyWindowSize() {
    call(actions_.applyWindowSize, settings_.ApplyWindowSize());
}

void TMainWindowModel::ShowMenuPanel() {
    menuVisible_ = true;
    changed();
}

void TMainWindowModel::hideMenuPanel() {
    menuVisible_ = false;
    changed();
}

void TMainWindowModel::SetEnableButtons(bool enabled) {
    buttonsEnabled_ = enabled;
    changed();
}

void TMainWindowModel::showPage(int page) {
    if (!validPage(page))
        return;
    activePage_ = page;
    if (page == PageSettings || page == PageBackUp || page == PageRestore)
        readSettings();
    changed();
}

void TMainWindowModel::askApplyChanges() {
    if (!settings_.FindChanges())
        return;
    // Held until the answer is carried out, so nothing re-reads the page in between.
    TBusyGuard::Scope answer(busy_);
    if (message_(kMsgYesNo, kApplyQuestion) == kResultYes)
        writeSettings(false);
    else
        readSettings();
}

void TMainWindowModel::menuClick(MenuButton button) {
    for (const MenuRoute& route : kMenuRoutes) {
        if (route.button != button)
            continue;
        SetEnableButtons(false);
        // The buttons come back whatever the steps below do.
        struct Enable {
            TMainWindowModel* model;
            ~Enable() { model->SetEnableButtons(true); }
        } enable{this};
        if (route.saveSelection)
            call(actions_.saveSelections, false);
        if (route.askApply)
            askApplyChanges();
        showPage(route.page);
        if (route.page == PageDrives)
            call(actions_.fillDrivesInfo);
        return;
    }
}

void TMainWindowModel::welcomeClick(int page) {
    ShowMenuPanel();
    showPage(page);
}

void TMainWindowModel::btn_applyClick() {
    writeSettings(true);
    applyWindowSize();
}

void TMainWindowModel::imr_SetDefClick() {
    settings_.DefaultClick(windowShown());
}

void TMainWindowModel::btn_closeClick() {
    askApplyChanges();
    // Hidden without a tray icon, the program could only be killed.
    if (actions_.trayAvailable && !actions_.trayAvailable()) {
        FormClose();
        return;
    }
    call(actions_.hideToTray);
}

bool TMainWindowModel::FormClose() {
    if (closed_)
        return true;
    if (!closeWithoutAsking_ && message_(kMsgYesNo, kExitQuestion) != kResultYes)
        return false;
    if (selectionsChanged_)
        call(actions_.saveSelections, true);
    ShowWaitForm(false, 0);
    closed_ = true;
    call(actions_.quit);
    return true;
}

void TMainWindowModel::closeNow() {
    FormClose();
}

void TMainWindowModel::WMM_APP_EXCHANGE(uint32_t wParam, int64_t lParam) {
    if (wParam == kExchangeClose && lParam == kExchangeCloseCheck) {
        closeWithoutAsking_ = true;
        // A run in progress is stopped as its Cancel button would; the close follows
        // once the run has let go of the window.
        if (run_)
            run_->requestCancel();
        busy_.runOrDefer("close", [this] { closeNow(); });
        return;
    }
    if (wParam == kExchangeCloseIfIdle && !run_ && !revisionWindowShown_) {
        closeWithoutAsking_ = true;
        busy_.runOrDefer("close", [this] { closeNow(); });
    }
}

void TMainWindowModel::WMM_APP_ACT(bool activated) {
    if (!activated || run_ || !windowShown())
        return;
    if (waitShown_) {
        call(actions_.raiseWait);
        return;
    }
    // A refresh rebuilds the trees: never under a loop that holds them.
    busy_.runOrDefer("activate", [this] {
        // The refresh walks the trees, which can run out of memory; an exception must
        // not leave the event that called it. The next activation refreshes again.
        try {
            call(actions_.refreshTrees);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "Refreshing the trees failed: %s\n", e.what());
        }
    });
}

void TMainWindowModel::logoClick(std::string_view button) {
    if (const char* url = logoLinkFor(button))
        call(actions_.openUrl, url);
}

void TMainWindowModel::deferTray(const char* id, std::function<void()> task) {
    busy_.runOrDefer(std::string("tray:") + id, std::move(task));
}

void TMainWindowModel::mnu_ShowMainWindowClick() {
    ShowMenuPanel();
    call(actions_.showAndActivate);
}

void TMainWindowModel::mnu_StartBackupClick() {
    deferTray("page", [this] {
        ShowMenuPanel();
        showPage(PageBackUp);
        call(actions_.showAndActivate);
    });
}

void TMainWindowModel::mnu_LaunchFileSyncClick() {
    deferTray("page", [this] {
        hideMenuPanel();
        call(actions_.showAndActivate);
        showPage(PageStart);
    });
}

void TMainWindowModel::mnu_FileSyncSettingsClick() {
    deferTray("page", [this] {
        ShowMenuPanel();
        showPage(PageSettings);
        call(actions_.showAndActivate);
    });
}

void TMainWindowModel::mnu_FileSynchronizationClick() {
    deferTray("page", [this] {
        ShowMenuPanel();
        showPage(PageSync);
        call(actions_.showAndActivate);
    });
}

void TMainWindowModel::mnu_LoadFileSyncinStartupsClick() {
    deferTray("startups", [this] {
        loadInStartups_ = !loadInStartups_;
        call(actions_.setStartupAuto, loadInStartups_);
        changed();
    });
}

void TMainWindowModel::mnu_StartBackupAutomaticallyClick() {
    deferTray("autobackup", [this] {
        settings_.setAutoStart(!settings_.autoStart());
        writeSettings(true);
    });
}

void TMainWindowModel::mnu_DisableAutoLaunchClick() {
    deferTray("autolaunch", [this] {
        settings_.setAutoLaunch(!settings_.autoLaunch());
        writeSettings(true);
    });
}

void TMainWindowModel::mnu_ExitClick() {
    deferTray("exit", [this] { FormClose(); });
}

void TMainWindowModel::ShowWaitForm(bool show, int page) {
    if (show == waitShown_)
        return;
    waitShown_ = show;
    if (show) {
        busy_.enter();
        call(actions_.showWait, page);
        return;
    }
    call(actions_.hideWait);
    busy_.leave();
}

void TMainWindowModel::FormHide() {
    if (waitShown_)
        call(actions_.hideWait);
}

void TMainWindowModel::Tmr_DrivesTimer() {
    busy_.runOrDefer("timer:drives", [this] {
        TBusyGuard::Scope scope(busy_); // the poll may ask a modal question
        drivePoll_.Tmr_DrivesTimer();
    });
}

void TMainWindowModel::TmrRemindTimer() {
    busy_.runOrDefer("timer:remind", [this] {
        TBusyGuard::Scope scope(busy_);
        reminder_.TmrRemindTimer(settings_.reminder(), settings_.reminderDays());
    });
}

void TMainWindowModel::tmr_UpdaterTimer() {
    busy_.runOrDefer("timer:updater", [this] {
        if (settings_.updater() && updater_)
            updater_->RunUpdater();
    });
}

TMainWindowModel::RunHandle::RunHandle(TMainWindowModel& model, TRunControl& run)
    : model_(model), scope_(model.busy_) {
    model_.run_ = &run;
}

TMainWindowModel::RunHandle::~RunHandle() {
    model_.run_ = nullptr;
    model_.changed(); // the tray items come back
}

std::unique_ptr<TMainWindowModel::RunHandle> TMainWindowModel::beginRun(TRunControl& run) {
    if (run_)
        return nullptr; // one run at a time
    return std::make_unique<RunHandle>(*this, run);
}

} // namespace qm
