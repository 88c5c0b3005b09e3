// Renders every window of the programs offscreen to PNG files, so the skin can be
// checked without a screen:
//     renderwindows <output folder>
// It works on a machine of its own (machine.h), never the user's. The main window's
// pages are drawn by mainwindow.cpp; a page adds its scenes in mainpages.cpp.

#include "jobwindows.h"
#include "machine.h"
#include "mainwindow.h"
#include "render.h"
#include "trees.h"

#include "controls/addtoexceptionlst.h"
#include "controls/ashint.h"
#include "controls/ashintwindow.h"
#include "controls/frmreminder.h"
#include "controls/frmselectdir.h"
#include "controls/frmsplash.h"
#include "controls/frmwait.h"
#include "controls/messageform.h"
#include "controls/regionresources.h"
#include "platform/answerscript.h"
#include "platform/dospath.h"
#include "setup/forminstall.h"
#include "setup/formselectfolder.h"
#include "setup/formuninstal.h"

#ifdef QM_RENDER_UPDATER
#include "updater/frmmain.h"
#endif

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <cstdio>

namespace {

void render(QWidget& window, const QString& name) {
    qm::renderwindows::shoot(window, name);
}

#ifdef QM_RENDER_UPDATER
// The updater's window in each of its states. Its start stores the day in the registry:
// the renderer's machine (machine.h) keeps that away from the user's.
void renderUpdater() {
    qm::TUpdaterSetup setup;
    setup.arguments = {"updater"};
    setup.isAdmin = [] { return true; };
    setup.message = [](int, const std::string&) { return 1; };
    qm::TFrmMain window(std::move(setup));
    qm::TUpdaterModel::View view;
    window.paintView(view);
    render(window, "updater_request");
    view.mainPage = view.buttonsPage = qm::TUpdaterModel::TS_Description;
    view.description = "Backups of large folders start faster.\nThe Restore page remembers the "
                       "last folder.\nFixes for encrypted archives on removable media, and "
                       "a clearer summary after each run.";
    window.paintView(view);
    render(window, "updater_description");
    view.mainPage = view.buttonsPage = qm::TUpdaterModel::TS_Download;
    view.total = 3;
    view.index = 1;
    view.fileLabel = " File: Backup.htm...";
    view.currentTotal = 1000;
    view.currentReceived = 640;
    window.paintView(view);
    render(window, "updater_download");
    qm::TfrmMessage failure(nullptr,
                            "The download of \"Help/Backup.htm\" failed: the server sent nothing "
                            "for 20 seconds. Nothing was installed; please try again later.",
                            0, qm::TMessageStyle::updaterProgram());
    render(failure, "message_updater_failure");
    qm::TfrmMessage question(nullptr, qm::TUpdaterModel::kNotComplete, 2,
                             qm::TMessageStyle::updaterProgram());
    render(question, "message_updater_question");
}
#endif

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const qm::renderwindows::TRenderMachine machine;
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: renderwindows <output folder>\n");
        return 2;
    }
    if (!machine.valid()) {
        std::fprintf(stderr, "renderwindows: cannot make its temporary folder\n");
        return 1;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    qm::renderwindows::setOutputFolder(out);
    // Questions are answered by script; one that no line answers is reported on stderr.
    qm::AnswerScript::instance().start();
    using namespace qm;
    {
        TfrmMessage box(nullptr, "Are you sure you want to delete all reports?", 2);
        render(box, "message_yes_no");
        TfrmMessage ok(nullptr, "New settings applied.", 0);
        render(ok, "message_ok");
        TfrmMessage path(nullptr,
                         "Can't open C:\\Documents and Settings\\Administrator\\My Documents\\"
                         "Projects\\2026\\Quarterly\\Reports\\Archive\\VeryLongFileNameWithout"
                         "AnyBlanksAtAll_final_version_3.xls",
                         1);
        render(path, "message_long_path");
        TfrmMessage setup(nullptr, "Wrong folder name.", 0, TMessageStyle::setupProgram());
        render(setup, "message_setup");
        TfrmMessage updater(nullptr, "Your Quillmoor program is up to date.", 0,
                            TMessageStyle::updaterProgram());
        render(updater, "message_updater");
    }
    {
        TaddToExceptionLst input(nullptr, "Enter file name:", "pagefile.sys", true);
        render(input, "input_dialog");
        TFrmReminder reminder;
        render(reminder, "reminder");
        QWidget owner;
        for (int i = 0; i < TFrmWait::kPageCount; ++i) {
            TFrmWait wait(i, &owner);
            render(wait, QStringLiteral("wait_%1").arg(i));
        }
        TFrmSelectDir picker;
        picker.prepare();
        render(picker, "select_dir");
        TFrmSplash splash;
        render(splash, "splash");
    }
    {
        TASHint hint;
        hint.setFrameWidth(1);
        hint.setRoundSize(8);
        hint.showHint(QPoint(100, 100), "Use selected drive as Target Media");
        render(*TASHintWindow::current(), "balloon_hint");
        // The tray icon's hint, asked in the screen's bottom right corner: above the
        // point, its pointer below.
        hint.showHint(QGuiApplication::primaryScreen()->availableGeometry().bottomRight() -
                          QPoint(4, 4),
                      "Quillmoor Backup");
        render(*TASHintWindow::current(), "balloon_hint_tray_corner");
        QWidget main;
        main.setFixedSize(790, 580);
        main.setStyleSheet("background: rgb(124,146,193)");
        TRegionResurces::ApplyRegion(&main, "REGION1");
        render(main, "main_outline_region1");
        QWidget large;
        large.setFixedSize(1010, 750);
        large.setStyleSheet("background: rgb(124,146,193)");
        TRegionResurces::ApplyRegion(&large, "REGION2");
        render(large, "main_outline_region2");
    }
    {
        // Setup's windows: the wizard on each page, its folder picker, the uninstall window.
        // The medium is the repository's assets folder, which holds License.htm.
        const std::string assets =
            toDosPath(QDir::currentPath().toStdString() + "/assets").value_or("C:\\");
        TFormInstall wizard(assets, assets + "\\setup");
        wizard.show();
        QApplication::processEvents();
        wizard.model().rb_AgreeClick();
        const char* const pages[] = {"setup_wizard_pg1", "setup_wizard_pg2", "setup_wizard_pg3",
                                     "setup_wizard_pg4"};
        for (int page = 0; page < 4; ++page) {
            wizard.model().setProgress(page == 2 ? 3 : 0);
            wizard.model().setPage(static_cast<TInstallWizardModel::Page>(page));
            render(wizard, pages[page]);
            wizard.show();
        }
        TFormSelectFolder picker;
        picker.prepare();
        render(picker, "setup_select_folder");
        TFormUninstal uninstall("C:\\opt\\Quillmoor\\");
        render(uninstall, "setup_uninstall");
    }
#ifdef QM_RENDER_UPDATER
    renderUpdater();
#endif
    renderwindows::renderJobWindows();
    renderwindows::renderMainWindow(machine);
    renderwindows::renderRestoreTree();
    return renderwindows::allWritten() ? 0 : 1;
}
