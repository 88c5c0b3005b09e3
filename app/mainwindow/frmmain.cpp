#include "app/mainwindow/frmmain.h"

#include "app/common/captionface.h"
#include "app/drives/mediadrives.h"
#include "app/mainwindow/logolinks.h"
#include "app/mainwindow/traymenu.h"
#include "app/pages/backup/backuppage.h"
#include "app/pages/drives/drivespage.h"
#include "app/pages/help/helppage.h"
#include "app/pages/reports/reportprinter.h"
#include "app/pages/reports/reportspage.h"
#include "app/pages/reports/reportspagemodel.h"
#include "app/pages/restore/restorepage.h"
#include "app/pages/settings/settingspage.h"
#include "app/pages/sync/syncpage.h"
#include "app/runwindows/joblauncher.h"
#include "controls/ashint.h"
#include "controls/frmreminder.h"
#include "controls/frmselectdir.h"
#include "controls/frmsplash.h"
#include "controls/frmwait.h"
#include "controls/imageregion.h"
#include "controls/messageform.h"
#include "controls/regionresources.h"
#include "controls/skin.h"
#include "controls/windowdrag.h"
#include "platform/productkeys.h"
#include "platform/shellexecute.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <cmath>
#include <functional>

namespace qm {

namespace {

using MB = TMainWindowModel::MenuButton;

struct MenuEntry {
    const char* name;
    const char* skin;
    const char* caption;
    const char* hint;
    MB button;
    bool exit;
};

constexpr MenuEntry kMenu[] = {
    {"btn_Backup", "main_btn_backup", "Backup", "Back up your files", MB::Backup, false},
    {"btn_restore", "main_btn_restore", "Restore", "Restore your files", MB::Restore, false},
    {"btn_reports", "main_btn_reports", "Reports", "View/print reports", MB::Reports, false},
    {"btn_tools", "main_btn_tools", "Synchronize", "Synchronize your files", MB::Tools, false},
    {"btn_options", "main_btn_options", "Settings", "View/change settings", MB::Options, false},
    {"btn_Help", "main_btn_help", "Help", "Get help", MB::Help, false},
    {"btn_Drives", "main_btn_drives", "Drives", "Select Source and Media drives", MB::Drives,
     false},
    {"btn_exit", "main_btn_exit", "Close", "Close Quillmoor", MB::Backup, true},
};

QLabel* picture(QWidget* parent, const char* name, const QString& skin, QSize size) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setPixmap(captionFace(skin, {}, size, false));
    label->setScaledContents(true);
    return label;
}

} // namespace

TfrmMain::TfrmMain(TMainWindowSetup setup)
    : message_(setup.message ? std::move(setup.message)
                             : MessageFn([](int kind, const std::string& text) {
                                   return ShowMessageForm(kind, text);
                               })),
      duplicateCheck_(std::move(setup.duplicateCheck)),
      trayAvailable_(setup.trayAvailable ? std::move(setup.trayAvailable)
                                         : std::function<bool()>(&TTrayMenu::available)),
      splashShown_(setup.splashShown) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowTitle(QString::fromLatin1(kMainWindowTitle));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, skinPanelColor());
    setPalette(palette);

    // From now on every hint of the program is a balloon.
    hint_ = new TASHint(this);
    hint_->setFrameWidth(1);
    hint_->setRoundSize(8);
    hint_->setFrameColor(QToolTip::palette().color(QPalette::ToolTipBase));
    hint_->setFrameFade(35);
    hint_->setAutoFrameColor(true);

    TMainWindowModel::Actions actions = makeActions();
    actions.trayAvailable = trayAvailable_;
    actions.autoLaunchAllowed = std::move(setup.autoLaunchAllowed);
    actions.setStartupAuto = std::move(setup.setStartupAuto);
    if (setup.openUrl)
        actions.openUrl = std::move(setup.openUrl);
    model_ =
        std::make_unique<TMainWindowModel>(message_, std::move(actions), std::move(setup.updater));
    model_->busy().setScheduler(
        [this](std::function<void()> task) { QTimer::singleShot(0, this, std::move(task)); });
    tray_ = new TTrayMenu(*model_, this);
    TJobLauncher::Program program{model_->message(), [this] { return model_->runActive(); },
                                  [this](bool shown) { model_->setRevisionWindowShown(shown); },
                                  &model_->settingsInForce()};
    jobs_ = std::make_unique<TJobLauncher>(std::move(program), runWindowHooks());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildTop());
    auto* middle = new QHBoxLayout;
    middle->addWidget(buildMenu());
    pages_ = new QStackedWidget(this);
    pages_->setObjectName(QStringLiteral("pgc_Main"));
    middle->addWidget(pages_, 1);
    layout->addLayout(middle, 1);
    auto* bottom = new QWidget(this);
    bottom->setObjectName(QStringLiteral("pnlBottom"));
    bottom->setFixedHeight(20);
    logo_ = makeCaptionButton(bottom, "img_logo", QStringLiteral("logo_small"),
                              QStringLiteral("Quillmoor"), QSize(80, 18),
                              QString::fromLatin1(logoLinkFor("img_logo")));
    // At the right: the outline rounds the bottom-left corner away.
    auto* bottomLayout = new QHBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 1, 20, 1);
    bottomLayout->addStretch();
    bottomLayout->addWidget(logo_);
    logo_->hide();
    connect(static_cast<TImageRegion*>(logo_), &TImageRegion::clicked, this,
            [this] { model_->logoClick("img_logo"); });
    layout->addWidget(bottom);
    buildPages();

    model_->onChanged = [this] { refresh(); };
    model_->settings().onChanged = [this] { refresh(); };
    model_->FormCreate();
    backupPage_->model().FormCreate(); // the selection tree loads its drives
    applyWindowSize(model_->settings().ApplyWindowSize());
    startTimers(setup.timings);
    // The folder picker offers the source drives and stands over this window.
    TSelectDirModel::setDefaultDrives(&GetHardDrives);
    TFrmSelectDir::setBringUpMainWindow([this] { model_->mnu_ShowMainWindowClick(); });
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                model_->WMM_APP_ACT(state == Qt::ApplicationActive);
            });
    refresh();
}

TfrmMain::~TfrmMain() {
    model_->drivePoll().unsubscribe(reportsDrives_);
    reportsModel_->onChanged = nullptr;
    TFrmSelectDir::setBringUpMainWindow(nullptr);
    TSelectDirModel::setDefaultDrives(nullptr);
    model_->onChanged = nullptr;
    model_->settings().onChanged = nullptr;
    // The pages borrow the model (and subscribe to its drive poll): they go first.
    delete pages_;
    pages_ = nullptr;
    settingsPage_ = nullptr;
    helpPage_ = nullptr;
    drivesPage_ = nullptr;
    syncPage_ = nullptr;
}

TMainWindowModel::Actions TfrmMain::makeActions() {
    TMainWindowModel::Actions a;
    a.hideToTray = [this] { hideToTray(); };
    a.showAndActivate = [this] { ShowAndActivate(); };
    a.quit = [this] { endProgram(); };
    a.windowShown = [this] { return isVisible() && !isMinimized(); };
    a.applyWindowSize = [this](const TSettingsPageModel::WindowSize& s) { applyWindowSize(s); };
    a.showWait = [this](int page) { showWait(page); };
    a.hideWait = [this] { hideWait(); };
    a.showReminderWindow = [this] { showReminder(); };
    a.fillDrivesInfo = [this] { drivesPage_->FillDrivesInfo(); };
    a.saveSelections = [this](bool force) {
        if (backupPage_)
            backupPage_->model().SaveSelections(force);
    };
    a.refreshTrees = [this] {
        if (backupPage_)
            backupPage_->model().refresh();
    };
    a.closeDuplicateInstance = [this] {
        if (duplicateCheck_)
            duplicateCheck_();
    };
    a.openUrl = [](const char* url) { ShellExecute(url); };
    a.raiseWait = [this] {
        if (wait_ && wait_->isVisible())
            wait_->raise();
    };
    return a;
}

QWidget* TfrmMain::buildTop() {
    auto* top = new QWidget(this);
    top->setObjectName(QStringLiteral("pnlTop"));
    top->setFixedHeight(48);
    auto* layout = new QHBoxLayout(top);
    auto* left = picture(top, "Image1", QStringLiteral("main_title_left"), QSize(205, 48));
    left->setFixedWidth(205);
    auto* stretch = picture(top, "Image3", QStringLiteral("main_title_middle"), QSize(16, 48));
    auto* right = picture(top, "Image2", QStringLiteral("main_title_right"), QSize(46, 48));
    right->setFixedWidth(46);
    auto* drag = new TWindowDrag(*this);
    for (QWidget* w : {static_cast<QWidget*>(left), static_cast<QWidget*>(stretch),
                       static_cast<QWidget*>(right)})
        drag->addHandle(w);
    // The two caption buttons stand on the right picture, inside the band that the
    // outline keeps below the title tab.
    const QString minimizeSkin = QStringLiteral("main_minimize");
    auto* minimize = makeCaptionButton(right, "img_Minimize", minimizeSkin, QStringLiteral("_"),
                                       QSize(21, 21), QStringLiteral("Minimize Quillmoor"));
    auto* hiddenMinimize =
        makeCaptionButton(right, "btn_Minimize", minimizeSkin, QStringLiteral("_"), QSize(21, 21),
                          QStringLiteral("Minimize Application"));
    hiddenMinimize->hide();
    auto* close =
        makeCaptionButton(right, "btn_close", QStringLiteral("main_close"), QStringLiteral("X"),
                          QSize(21, 21), QStringLiteral("Close Quillmoor"));
    minimize->move(1, 26);
    hiddenMinimize->move(1, 26);
    close->move(22, 26);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(left);
    layout->addWidget(stretch, 1);
    layout->addWidget(right);
    connect(minimize, &TImageRegion::clicked, this, [this] { showMinimized(); });
    connect(hiddenMinimize, &TImageRegion::clicked, this, [this] { hideToTray(); });
    connect(close, &TImageRegion::clicked, this, [this] { model_->btn_closeClick(); });
    return top;
}

QWidget* TfrmMain::buildMenu() {
    menuPanel_ = new QWidget(this);
    menuPanel_->setObjectName(QStringLiteral("Pnl_mnu"));
    menuPanel_->setFixedWidth(150);
    auto* back = picture(menuPanel_, "img_Btn", QStringLiteral("main_menu_back"), QSize(150, 700));
    back->setGeometry(0, 0, 150, 700); // as high as the larger window's menu
    auto* layout = new QVBoxLayout(menuPanel_);
    layout->setContentsMargins(4, 8, 4, 8);
    for (const MenuEntry& entry : kMenu) {
        auto* button = makeCaptionButton(menuPanel_, entry.name, QString::fromLatin1(entry.skin),
                                         QString::fromLatin1(entry.caption), QSize(142, 30),
                                         QString::fromLatin1(entry.hint));
        layout->addWidget(button);
        const MB which = entry.button;
        if (entry.exit)
            connect(button, &TImageRegion::clicked, this, [this] { model_->btn_closeClick(); });
        else
            connect(button, &TImageRegion::clicked, this,
                    [this, which] { model_->menuClick(which); });
    }
    layout->addStretch();
    return menuPanel_;
}

void TfrmMain::buildPages() {
    QWidget* byIndex[9] = {};
    reportsModel_ = std::make_unique<TReportsPageModel>(
        model_->message(),
        TReportsPageModel::Actions{[this](int page) { model_->ShowWaitForm(true, page); },
                                   [this] { model_->ShowWaitForm(false, 0); },
                                   PrintActivityOnDefaultPrinter,
                                   [this] { return pages_->currentWidget() == reportsPage_; }});
    reportsPage_ = new TReportsPage(*reportsModel_, pages_);
    reportsModel_->onChanged = [this] { reportsPage_->refresh(); };
    reportsDrives_ = model_->drivePoll().subscribe(
        [this](const TDriveChange& change) { reportsModel_->drivesChanged(change); });
    byIndex[TMainWindowModel::PageReports] = reportsPage_;
    restorePage_ = new TRestorePage(model_->drivePoll(), model_->settingsInForce(),
                                    model_->message(), jobs_->starter(), pages_);
    restorePage_->model().showWait = [this](bool show, int page) {
        model_->ShowWaitForm(show, page);
    };
    restorePage_->model().tree().OnBusy = [this](bool show, int, int, int page) {
        model_->ShowWaitForm(show, page);
    };
    byIndex[TMainWindowModel::PageRestore] = restorePage_;
    backupPage_ =
        new TBackupPage(model_->drivePoll(), model_->settingsInForce(), model_->message(), pages_);
    wireBackupPage();
    byIndex[TMainWindowModel::PageBackUp] = backupPage_;
    settingsPage_ = new TSettingsPage(model_->settings(), pages_);
    settingsPage_->onApply = [this] { model_->btn_applyClick(); };
    settingsPage_->onDefault = [this] { model_->imr_SetDefClick(); };
    settingsPage_->pageVisible = [this] { return pages_->currentWidget() == settingsPage_; };
    byIndex[TMainWindowModel::PageSettings] = settingsPage_;
    drivesPage_ = new TDrivesPage(model_->drivePoll(), model_->message(), pages_);
    byIndex[TMainWindowModel::PageDrives] = drivesPage_;
    buildSyncPage();
    byIndex[TMainWindowModel::PageSync] = syncPage_;
    helpPage_ = new THelpPage(pages_);
    byIndex[TMainWindowModel::PageHelp] = helpPage_;
    byIndex[TMainWindowModel::PageStart] = buildWelcome();
    byIndex[7] = new QWidget(pages_); // no page 7: an empty slot keeps the indices
    for (QWidget* page : byIndex)
        pages_->addWidget(page);
    helpPage_->TS_HelpShow();
}

void TfrmMain::wireBackupPage() {
    TBackupPageModel& page = backupPage_->model();
    page.pageVisible = [this] { return pages_->currentWidget() == backupPage_; };
    page.showWait = [this](bool show, int index) { model_->ShowWaitForm(show, index); };
    page.setEnableButtons = [this](bool enabled) { model_->SetEnableButtons(enabled); };
    page.selectionsChanged = [this] { model_->setSelectionsChanged(true); };
    page.tree().OnBusy = [this](bool show, int, int, int index) {
        model_->ShowWaitForm(show, index);
    };
    page.startJob = jobs_->starter();
}

void TfrmMain::buildSyncPage() {
    TSyncPage::Hooks hooks;
    hooks.compare.run = runWindowHooks();
    hooks.wait = [this](bool show) { model_->ShowWaitForm(show, 0); };
    hooks.pageVisible = [this] { return pages_->currentWidget() == syncPage_; };
    hooks.startJob = jobs_->starter();
    syncPage_ = new TSyncPage(model_->drivePoll(), model_->message(), std::move(hooks), pages_);
}

QWidget* TfrmMain::buildWelcome() {
    auto* page = new QWidget(pages_);
    page->setObjectName(QStringLiteral("TS_Start"));
    auto* parent = new QWidget(page);
    parent->setObjectName(QStringLiteral("pnl_w_mnu_Parent"));
    (new QVBoxLayout(page))->addWidget(parent);
    auto* outer = new QVBoxLayout(parent);
    auto* panel = new QWidget(parent);
    panel->setObjectName(QStringLiteral("Pnl_w_mnu"));
    outer->addStretch();
    outer->addWidget(panel, 0, Qt::AlignHCenter);
    outer->addStretch();
    outer->addWidget(buildLogoPanel(parent), 0, Qt::AlignHCenter);
    auto* grid = new QVBoxLayout(panel);
    struct Welcome {
        const char* name;
        const char* skin;
        const char* caption;
        const char* hint;
        int page; // -1: close
    };
    constexpr Welcome kWelcome[] = {
        {"btn_welcome_backup", "welcome_backup", "Back up your files", "Back up your files", 0},
        {"imr_Rest_Welcome", "welcome_restore", "Restore your files", "Restore your files", 1},
        {"Imr_SyncWelcome", "welcome_sync", "Synchronize your files", "Synchronize your files", 3},
        {"btn_welcome_settings", "welcome_settings", "View/change settings", "View/change settings",
         4},
        {"btn_welcome_help", "welcome_help", "Get help", "Get help", 5},
        {"btn_welcome_exit", "welcome_exit", "Close Quillmoor", "Close Quillmoor", -1},
    };
    for (const Welcome& w : kWelcome) {
        auto* button = makeCaptionButton(panel, w.name, QString::fromLatin1(w.skin),
                                         QString::fromLatin1(w.caption), QSize(260, 34),
                                         QString::fromLatin1(w.hint));
        grid->addWidget(button);
        const int target = w.page;
        connect(button, &TImageRegion::clicked, this, [this, target] {
            if (target < 0)
                model_->btn_closeClick();
            else
                model_->welcomeClick(target);
        });
    }
    return page;
}

QWidget* TfrmMain::buildLogoPanel(QWidget* parent) {
    auto* shape = new QWidget(parent);
    shape->setObjectName(QStringLiteral("pnl_shape"));
    shape->setFixedSize(kLogoPanel);
    picture(shape, "Image8", QStringLiteral("welcome_logo_back"), kLogoPanel)
        ->setGeometry(QRect(QPoint(0, 0), kLogoPanel));
    struct Logo {
        const char* name;
        const char* skin;
        const char* caption;
        QRect place;
    };
    const Logo logos[] = {
        {"ImageRegion4", "logo_maker", "Quillmoor", QRect(8, 8, 120, 64)},
        {"imr_Logo_1", "logo_backup", "Backup", QRect(140, 12, 90, 56)},
        {"imr_Logo2", "logo_sync", "Sync", QRect(238, 12, 90, 56)},
        {"imr_Logo3", "logo_updates", "Updates", QRect(336, 12, 90, 56)},
    };
    for (const Logo& logo : logos) {
        auto* button = makeCaptionButton(shape, logo.name, QString::fromLatin1(logo.skin),
                                         QString::fromLatin1(logo.caption), logo.place.size(),
                                         QString::fromLatin1(logoLinkFor(logo.name)));
        button->move(logo.place.topLeft());
        const char* name = logo.name;
        connect(button, &TImageRegion::clicked, this, [this, name] { model_->logoClick(name); });
    }
    return shape;
}

void TfrmMain::startTimers(const TMainTimings& timings) {
    struct TimerDef {
        const char* name;
        int interval;
        void (TMainWindowModel::*tick)();
    };
    const TimerDef timers[] = {
        {"Tmr_Drives", timings.drivesMs, &TMainWindowModel::Tmr_DrivesTimer},
        {"TmrRemind", timings.remindMs, &TMainWindowModel::TmrRemindTimer},
        {"tmr_Updater", timings.updaterMs, &TMainWindowModel::tmr_UpdaterTimer},
    };
    for (const TimerDef& def : timers) {
        auto* timer = new QTimer(this);
        timer->setObjectName(QString::fromLatin1(def.name));
        timer->setInterval(def.interval);
        const auto tick = def.tick;
        // std::invoke, not (model_.get()->*tick)(): see TTrayMenu::add.
        connect(timer, &QTimer::timeout, this, [this, tick] { std::invoke(tick, *model_); });
        timer->start();
    }
}

QTimer* TfrmMain::timer(const char* name) const {
    return findChild<QTimer*>(QString::fromLatin1(name));
}

std::unique_ptr<TMainWindowModel::RunHandle> TfrmMain::beginRun(TRunControl& run) {
    auto handle = model_->beginRun(run);
    tray_->refresh();
    return handle;
}

void TfrmMain::refresh() {
    const int page = model_->activePage();
    if (pages_ && page != shownPage_) {
        const int leaving = shownPage_;
        shownPage_ = page;
        pages_->setCurrentIndex(page);
        if (page == TMainWindowModel::PageHelp)
            helpPage_->TS_HelpShow();
        if (page == TMainWindowModel::PageBackUp)
            backupPage_->TS_BackUpShow();
        if (page == TMainWindowModel::PageSync)
            syncPage_->TS_SyncShow();
        if (page == TMainWindowModel::PageReports)
            reportsModel_->TS_ReportsShow();
        if (leaving == TMainWindowModel::PageRestore)
            restorePage_->model().TS_RestoreHide();
        if (page == TMainWindowModel::PageRestore)
            restorePage_->model().TS_RestoreShow();
    }
    if (menuPanel_) {
        menuPanel_->setVisible(model_->menuVisible());
        for (const MenuEntry& entry : kMenu)
            if (auto* b = menuPanel_->findChild<QWidget*>(QString::fromLatin1(entry.name)))
                b->setEnabled(model_->buttonsEnabled());
    }
    if (logo_)
        logo_->setVisible(model_->menuVisible());
    if (settingsPage_)
        settingsPage_->refresh();
    if (backupPage_)
        backupPage_->refresh();
    if (tray_)
        tray_->refresh();
}

void TfrmMain::ShowAndActivate() {
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
    // The windows that hold the program modal stay in front of the window they disable,
    // or the user could reach none of them: the job runner or the compare window, then a
    // question above it.
    QWidget* run = jobs_ && jobs_->current() ? static_cast<QWidget*>(jobs_->current())
                   : syncPage_               ? syncPage_->compareWindow()
                                             : nullptr;
    if (run && run->isVisible())
        run->raise();
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != this && modal->isVisible()) {
        modal->raise();
        modal->activateWindow();
    }
}

void TfrmMain::SetCenterPos() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(static_cast<int>(std::lround(area.width() / 2.0)) -
             static_cast<int>(std::lround(width() / 2.0)) + area.left(),
         static_cast<int>(std::lround(area.height() / 2.0)) -
             static_cast<int>(std::lround(height() / 2.0)) + area.top());
}

TRunWindowHooks TfrmMain::runWindowHooks() {
    return {[this](TRunControl& run) { return beginRun(run); },
            [this] { model_->mnu_ShowMainWindowClick(); }, [this] { hideToTray(); }, this};
}

void TfrmMain::hideToTray() {
    // Without a tray there would be no way back: minimise instead of hiding.
    if (trayAvailable_())
        hide();
    else
        showMinimized();
}

void TfrmMain::applyWindowSize(const TSettingsPageModel::WindowSize& size) {
    setFixedSize(size.width, size.height);
    if (size.outline)
        TRegionResurces::ApplyRegion(this, QString::fromLatin1(size.outline));
    SetCenterPos();
}

void TfrmMain::showWait(int page) {
    wait_ = std::make_unique<TFrmWait>(page, this);
    menuPanel_->setEnabled(false);
    pages_->setEnabled(false);
    wait_->show();
    wait_->repaint();
}

void TfrmMain::hideWait() {
    wait_.reset();
    menuPanel_->setEnabled(true);
    pages_->setEnabled(true);
}

void TfrmMain::showReminder() {
    reminderWindow_ = std::make_unique<TFrmReminder>(nullptr);
    reminderWindow_->model().onBackup = [this] { model_->mnu_StartBackupClick(); };
    reminderWindow_->model().onTurnOff = [this] {
        model_->settings().setReminderTick(false);
        model_->settings().WriteSettings(false, false);
    };
    reminderWindow_->installEventFilter(this);
    std::optional<QRect> trayRect;
    if (trayAvailable_() && tray_->icon()->geometry().isValid())
        trayRect = tray_->icon()->geometry();
    reminderWindow_->placeBesideTray(trayRect);
    reminderWindow_->show();
    reminderWindow_->raise();
    reminderWindow_->activateWindow();
}

void TfrmMain::endProgram() {
    ended_ = true;
    tray_->removeIcon();
    hide();
    QCoreApplication::quit();
}

void TfrmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!splashShown_) {
        // A start at login shows the splash at the first showing instead.
        splashShown_ = true;
        model_->ShowMenuPanel();
        if (model_->activePage() == TMainWindowModel::PageStart)
            model_->hideMenuPanel();
        splash_ = std::make_unique<TFrmSplash>(nullptr);
        splash_->show();
        splash_->repaint();
        connect(splash_->timer(), &QTimer::timeout, this, [this] { splash_.reset(); });
    }
    model_->FormShow();
}

void TfrmMain::hideEvent(QHideEvent* event) {
    model_->FormHide();
    QWidget::hideEvent(event);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (ended_) {
        event->accept();
        return;
    }
    // A close from the desktop acts as the close button: the program stays in the tray.
    event->ignore();
    model_->btn_closeClick();
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == reminderWindow_.get() && event->type() == QEvent::Hide) {
        model_->reminder().windowClosed();
        return false;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace qm
