#include "setup/setupprogram.h"

#include "controls/messageform.h"
#include "platform/programfolder.h"
#include "platform/sudoenvironment.h"
#include "setup/forminstall.h"
#include "setup/formuninstal.h"
#include "setup/installstate.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>

namespace qm {

int SetupMain(int argc, char** argv) {
    // First of all: run through sudo, the environment may be the user's, and Qt reads it
    // as the application is made.
    dropUserEnvironmentUnderSudo();
    QApplication app(argc, argv);
    // The application's own title; as a display name Qt would append it to every window's
    // caption ("Setup  Quillmoor — ...").
    QApplication::setApplicationName(QStringLiteral("Quillmoor Installation Wizard"));
    const std::optional<std::string> folder = programFolder();
    if (!folder) {
        std::fprintf(stderr, "setup: the program's folder is on no mapped drive\n");
        return 1;
    }
    const std::string file =
        QFileInfo(QApplication::applicationFilePath()).fileName().toStdString();
    switch (ChooseSetupMode(file, *folder)) {
    case TSetupMode::RefuseWhileInstalled:
        ShowMessageForm(0,
                        "Please, uninstall current version of Quillmoor software and start wizard "
                        "again.",
                        TMessageStyle::setupProgram());
        return 0;
    case TSetupMode::Uninstall: {
        TFormUninstal window(*folder);
        window.show();
        return app.exec();
    }
    case TSetupMode::UninstallWithoutUninstaller: {
        std::string installed;
        IsProductInstalled(installed);
        TFormUninstal window(installed);
        window.show();
        return app.exec();
    }
    case TSetupMode::Install:
        break;
    }
    TFormInstall window(*folder, *folder + file);
    window.show();
    return app.exec();
}

} // namespace qm
