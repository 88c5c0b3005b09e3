#include "app/mainwindow/qmoorprogram.h"

#include "app/mainwindow/autolaunch.h"
#include "app/mainwindow/frmmain.h"
#include "app/mainwindow/traymenu.h"
#include "app/mainwindow/updaterlauncher.h"
#include "controls/frmsplash.h"
#include "controls/messageform.h"
#include "platform/dospath.h"
#include "platform/localeformatsource.h"
#include "platform/programfiles.h"
#include "platform/programfolder.h"
#include "platform/realuser.h"
#include "platform/registry.h"
#include "platform/removabledrives.h"
#include "platform/sudoenvironment.h"
#include "platform/windowtitle.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <unistd.h>

namespace qm {

namespace {

std::string hostProgramFolder() {
    if (auto dos = programFolder())
        if (auto host = toHostPath(*dos))
            return *host;
    return QCoreApplication::applicationDirPath().toStdString();
}

std::optional<int64_t> launchDetached(const std::string& program,
                                      const std::vector<std::string>& args) {
    QStringList list;
    for (const std::string& a : args)
        list << QString::fromStdString(a);
    qint64 pid = 0;
    if (!QProcess::startDetached(QString::fromStdString(program), list, {}, &pid))
        return std::nullopt;
    return pid;
}

bool processRunning(int64_t pid) {
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == 0;
}

// Pumps events while the splash is up (it hides itself after its interval).
void waitForSplash(TFrmSplash& splash) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!splash.isVisible())
            loop.quit();
    });
    poll.start(100);
    if (splash.isVisible())
        loop.exec();
}

} // namespace

bool isLogonStart(const std::vector<std::string>& arguments) {
    for (size_t i = 1; i < arguments.size(); ++i)
        if (arguments[i] == "-w")
            return true;
    return false;
}

int ProgramMain(int argc, char** argv) {
    // First of all: run through sudo, the environment may be the user's, and Qt reads it
    // as the application is made.
    dropUserEnvironmentUnderSudo();
    QApplication app(argc, argv);
    // The application's own title. As a display name Qt would append it to every window
    // caption ("Quillmoor Main Window — Quillmoor Backup"), and other programs find the
    // main window by its exact caption. Qmoor keeps nothing in Qt's per-application
    // folders (QStandardPaths' application locations, a default QSettings), so the name
    // moves no data.
    QApplication::setApplicationName(QStringLiteral("Quillmoor Backup"));
    QApplication::setQuitOnLastWindowClosed(false);
    const bool logon = isLogonStart(std::vector<std::string>(argv, argv + argc));
    // Before any date text or drive letter is made: the user's formats, and plugged-in
    // media as drive letters.
    applyUserLocaleFormats();
    installRemovableDrives();

    std::unique_ptr<TFrmSplash> splash;
    if (!logon) {
        splash = std::make_unique<TFrmSplash>(nullptr);
        splash->show();
        splash->repaint();
    }
    if (FindWindowByTitle(kMainWindowTitle)) {
        ShowMessageForm(0, "Program is already running. Can't create process.");
        return 0;
    }

    const std::string folder = hostProgramFolder();
    auto autoLaunch = std::make_unique<TAutoLaunch>(
        TAutoLaunch::Environment{folder,
                                 QCoreApplication::applicationFilePath().toStdString(),
                                 GetUserName(),
                                 [] { return IsAdmin(); },
                                 {}});
    autoLaunch->AutoLaunchAllowed();
    if (autoLaunch->UpdateRunValue(logon) == TAutoLaunch::RunValueOutcome::EndThisStart)
        return 0;
    if (logon && !autoLaunch->AutoLaunchAllowed())
        return 0;

    // Two copies started together both passed the check above; the title decides.
    std::unique_ptr<WindowTitleOwner> title = WindowTitleOwner::registerTitle(kMainWindowTitle);
    if (!title) {
        if (!logon)
            ShowMessageForm(0, "Program is already running. Can't create process.");
        return 0;
    }

    TMainWindowSetup setup;
    setup.updater = std::make_unique<TUpdaterLauncher>(folder, launchDetached, processRunning);
    TAutoLaunch* launch = autoLaunch.get();
    setup.autoLaunchAllowed = [launch] { return launch->AutoLaunchAllowed(); };
    setup.setStartupAuto = [launch](bool on) { launch->SetStartupAuto(on); };
    setup.duplicateCheck = [launch] { launch->RemoveDuplicateRunValues(); };
    setup.splashShown = !logon;
    TfrmMain frmMain(std::move(setup));

    QSocketNotifier notifier(title->fd(), QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &frmMain, [&] {
        title->processPending([&](uint32_t message, uint32_t wParam, int32_t lParam) {
            if (message != static_cast<uint32_t>(TMainWindowModel::kAppExchange))
                return int32_t(0);
            frmMain.model().WMM_APP_EXCHANGE(wParam, lParam);
            return int32_t(1);
        });
    });

    if (splash) {
        waitForSplash(*splash);
        splash.reset();
    }
    frmMain.tray().SetTray();
    // A start at login stays in the tray, unless the desktop has none.
    if (!logon || !TTrayMenu::available())
        frmMain.ShowAndActivate();
    const int result = frmMain.ended() ? 0 : app.exec();
    frmMain.tray().removeIcon();
    return result;
}

} // namespace qm
