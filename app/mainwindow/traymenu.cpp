#include "app/mainwindow/traymenu.h"

#include "app/mainwindow/mainwindowmodel.h"
#include "controls/skin.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace qm {

TTrayMenu::TTrayMenu(TMainWindowModel& model, QObject* parent)
    : QObject(parent), model_(model), menu_(std::make_unique<QMenu>()) {
    menu_->setObjectName(QStringLiteral("ppm_Main"));
    add("mnu_ShowMainWindow", QStringLiteral("Show Main Window"),
        &TMainWindowModel::mnu_ShowMainWindowClick)
        ->setVisible(false);
    add("mnu_StartBackup", QStringLiteral("Backup"), &TMainWindowModel::mnu_StartBackupClick);
    add("mnu_LaunchFileSync", QStringLiteral("Launch Quillmoor"),
        &TMainWindowModel::mnu_LaunchFileSyncClick);
    add("mnu_FileSyncSettings", QStringLiteral("Quillmoor Settings"),
        &TMainWindowModel::mnu_FileSyncSettingsClick);
    add("mnu_FileSynchronization", QStringLiteral("File Synchronization"),
        &TMainWindowModel::mnu_FileSynchronizationClick);
    add("mnu_LoadFileSyncinStartups", QStringLiteral("Load Quillmoor in Startups"),
        &TMainWindowModel::mnu_LoadFileSyncinStartupsClick, true);
    add("mnu_StartBackupAutomatically", QStringLiteral("Auto-Open Backup Window"),
        &TMainWindowModel::mnu_StartBackupAutomaticallyClick, true);
    add("mnu_DisableAutoLaunch", QStringLiteral("Disable Auto-Launch"),
        &TMainWindowModel::mnu_DisableAutoLaunchClick, true);
    add("mnu_Exit", QStringLiteral("Exit Quillmoor"), &TMainWindowModel::mnu_ExitClick);

    icon_ = new QSystemTrayIcon(this);
    icon_->setObjectName(QStringLiteral("TrayIcon"));
    icon_->setIcon(QIcon(skinPicture(QStringLiteral("icon_app"), QSize(16, 16))));
    icon_->setToolTip(QStringLiteral("Quillmoor Backup"));
    icon_->setContextMenu(menu_.get());
    pendingMenu_ = new QTimer(this);
    pendingMenu_->setSingleShot(true);
    connect(pendingMenu_, &QTimer::timeout, this, [this] { menu_->popup(QCursor::pos()); });
    connect(icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason r) { iconActivated(r); });
    refresh();
}

TTrayMenu::~TTrayMenu() {
    removeIcon();
}

void TTrayMenu::iconActivated(int reason) {
    // A double click, told by the desktop or (where a tray reports every click as a
    // trigger) as a second click while the first one's menu waits, opens the window.
    const bool secondClick = reason == QSystemTrayIcon::Trigger && pendingMenu_->isActive();
    if (reason == QSystemTrayIcon::DoubleClick || secondClick) {
        pendingMenu_->stop();
        menu_->hide();
        model_.mnu_ShowMainWindowClick();
        return;
    }
    if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::Context)
        return;
    // Outside a run the menu takes the window along to the front; during a run (the
    // items are disabled then) the menu pops up without it.
    if (item("mnu_LaunchFileSync")->isEnabled())
        bringOwnerToFront();
    // The desktop shows the context menu itself. A left click's menu opens once the
    // double-click time has passed without a second click; a popup grabs the mouse, so
    // one opened at once would take the second click of a double click.
    if (reason == QSystemTrayIcon::Trigger)
        pendingMenu_->start(QApplication::doubleClickInterval());
}

void TTrayMenu::bringOwnerToFront() {
    auto* window = qobject_cast<QWidget*>(parent());
    if (!window || !window->isVisible())
        return;
    window->raise();
    window->activateWindow();
}

bool TTrayMenu::available() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TTrayMenu::SetTray() {
    if (available())
        icon_->show();
}

void TTrayMenu::removeIcon() {
    if (icon_)
        icon_->hide();
}

QAction* TTrayMenu::add(const char* name, const QString& caption, void (TMainWindowModel::*slot)(),
                        bool checkable) {
    auto* action = menu_->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setCheckable(checkable);
    // The model toggles the tick itself; refresh() shows its state. std::invoke rather
    // than (model_.*slot)(): with -fsanitize=undefined GCC 12 loads `this` for the
    // checks of that call on the virtual-member branch only and then checks a stale
    // register, which crashes the sanitizer build (scripts/sanitize.sh).
    connect(action, &QAction::triggered, this, [this, slot] {
        std::invoke(slot, model_);
        refresh();
    });
    return action;
}

QAction* TTrayMenu::item(const char* name) const {
    return menu_->findChild<QAction*>(QString::fromLatin1(name));
}

void TTrayMenu::refresh() {
    item("mnu_LoadFileSyncinStartups")->setChecked(model_.loadInStartups());
    item("mnu_StartBackupAutomatically")->setChecked(model_.settings().autoStart());
    item("mnu_DisableAutoLaunch")->setChecked(model_.settings().autoLaunch());
    // During a job run the menu offers "Show Main Window" and the three ticks, nothing
    // that starts something, shows a page or exits. A comparison takes away Backup,
    // Launch and Settings only.
    const bool run = model_.runActive();
    item("mnu_ShowMainWindow")->setVisible(run);
    for (const char* name : {"mnu_StartBackup", "mnu_LaunchFileSync", "mnu_FileSyncSettings"})
        item(name)->setEnabled(!run);
    for (const char* name : {"mnu_FileSynchronization", "mnu_Exit"})
        item(name)->setEnabled(!model_.runLocksWholeTray());
}

} // namespace qm
