#include "updater/updaterprogram.h"

#include "platform/dospath.h"
#include "platform/programfolder.h"
#include "platform/sudoenvironment.h"
#include "updater/frmmain.h"

#include <QApplication>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace qm {

namespace {

int gTerminatePipe[2] = {-1, -1};

void onTerminate(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(gTerminatePipe[1], &byte, 1);
}

// A request to end (SIGTERM, SIGINT, SIGHUP) ends the update as the tray's Cancel does but
// without a question, so the workers are joined and the staging folder removed.
std::unique_ptr<QSocketNotifier> watchTermination(TFrmMain& window) {
    if (::pipe2(gTerminatePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return nullptr;
    struct sigaction action {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    auto notifier = std::make_unique<QSocketNotifier>(gTerminatePipe[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, &window, [&window] {
        char bytes[16];
        while (::read(gTerminatePipe[0], bytes, sizeof bytes) > 0) {
        }
        window.model().terminate();
    });
    return notifier;
}

std::string hostProgramFolder() {
    if (auto dos = programFolder())
        if (auto host = toHostPath(*dos))
            return *host;
    return QCoreApplication::applicationDirPath().toStdString();
}

} // namespace

int UpdaterMain(int argc, char** argv) {
    // First of all: run through sudo, the environment may be the user's, and Qt reads it
    // as the application is made.
    dropUserEnvironmentUnderSudo();
    QApplication app(argc, argv);
    // The application's own title; as a display name Qt would append it to the window's
    // caption ("Quillmoor Updater — ...").
    QApplication::setApplicationName(QStringLiteral("Quillmoor Update"));
    QApplication::setQuitOnLastWindowClosed(false);
    TUpdaterSetup setup;
    setup.arguments.assign(argv, argv + argc);
    setup.config.server = updateServer();
    setup.config.timeoutMs = updateTimeoutMs();
    setup.config.settingsFolder = hostProgramFolder();
    TFrmMain window(std::move(setup));
    if (!window.created())
        return 0;
    const std::unique_ptr<QSocketNotifier> termination = watchTermination(window);
    window.start();
    return app.exec();
}

} // namespace qm
