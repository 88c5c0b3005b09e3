// Renders every small window, the job runner and the main window's pages offscreen to
// PNG files, so the skin and the layouts can be checked without a screen:
//     renderwindows <output folder>

#include "app/backupoperation.h"
#include "app/exceptionlists.h"
#include "app/formpassword.h"
#include "app/formrevision.h"
#include "app/frmprogress.h"
#include "app/frmsummary.h"
#include "app/reportspage.h"
#include "app/reportspagemodel.h"
#include "app/reportstore.h"
#include "app/settingspage.h"
#include "app/settingspagemodel.h"
#include "controls/addtoexceptionlst.h"
#include "controls/ashint.h"
#include "controls/ashintwindow.h"
#include "controls/frmreminder.h"
#include "controls/frmselectdir.h"
#include "controls/frmsplash.h"
#include "controls/frmwait.h"
#include "controls/messageform.h"
#include "controls/regionresources.h"
#include "controls/skin.h"
#include "platform/drivetable.h"
#include "render.h"
#include "setup/forminstall.h"
#include "setup/formselectfolder.h"
#include "setup/formuninstal.h"

#ifdef QM_RENDER_UPDATER
#include "updater/frmmain.h"
#endif

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTemporaryDir>
#include <cstdio>

namespace {

QString gOut;
bool gOk = true;

} // namespace

// Paints the window with its outline, the cut-away parts left checkered-grey.
void render(QWidget& window, const QString& name) {
    window.show();
    QApplication::processEvents();
    QPixmap shot = window.grab();
    QImage image(shot.size(), QImage::Format_RGB32);
    image.fill(QColor(200, 200, 200));
    QPainter painter(&image);
    if (!window.mask().isEmpty())
        painter.setClipRegion(window.mask());
    painter.drawPixmap(0, 0, shot);
    painter.end();
    const QString path = gOut + "/" + name + ".png";
    if (!image.save(path)) {
        std::fprintf(stderr, "renderwindows: cannot write %s\n", qPrintable(path));
        gOk = false;
    }
    window.hide();
}

namespace {

// A page of the main window at the size it has in the small window.
void renderPage(QWidget& page, const QString& name) {
    page.setFixedSize(640, 512);
    page.setAutoFillBackground(true);
    QPalette palette = page.palette();
    palette.setColor(QPalette::Window, qm::skinPanelColor());
    page.setPalette(palette);
    render(page, name);
}

qm::TActivityRecord sampleRecord(int day, const char* type, const char* status, int files) {
    qm::TActivityRecord r;
    r.ActivityType = type;
    r.StartTime = qm::encodeDateTime({2026, 12, day, 14, 5, 9, 0});
    r.EndTime = r.StartTime + 0.0312;
    r.StartDay = static_cast<int32_t>(r.StartTime);
    r.StartTimeOfDay = r.StartTime - r.StartDay;
    r.ProcessTime = qm::ElapsedText(r.StartTime, r.EndTime);
    r.FileCount = files;
    r.SizeText = "12.40 Mb";
    r.Status = status;
    r.Errors = day % 3;
    return r;
}

// The main program's windows and pages, over a temporary media drive E: with reports.
void renderMainProgram() {
    using namespace qm;
    QTemporaryDir machine;
    QDir(machine.path()).mkpath("E");
    QDir(machine.path()).mkpath("registry");
    qputenv("QUILLMOOR_DRIVES", ("E=removable:" + machine.path() + "/E").toUtf8());
    qputenv("QUILLMOOR_REGISTRY_DIR", (machine.path() + "/registry").toUtf8());
    DriveTable::instance().reload();
    SaveReport(sampleRecord(5, "Backup", "Complete", 1532), "E:\\", "");
    SaveReport(sampleRecord(6, "Restore", "Complete", 42), "E:\\", "");
    SaveReport(sampleRecord(7, "Backup", "Interrupted by user", 311), "E:\\", "");
    SaveReport(sampleRecord(8, "Delete", "Complete", 7), "E:\\", "");

    TFrmSummary summary(nullptr, sampleRecord(7, "Backup", "Complete", 1532));
    render(summary, "summary");

    TFormPassword password(nullptr, TPasswordModel::Mode::ListWithSkip,
                           TPasswordModel::promptFor("Can't find a valid password for "
                                                     "decryption. Add other password or click "
                                                     "'Skip'.",
                                                     "C:\\Documents\\budget.xls"),
                           {});
    password.model().load({"first", "second password"});
    render(password, "password_list");
    TFormPassword single(nullptr, TPasswordModel::Mode::Single, "Enter Password for Encryption",
                         {});
    render(single, "password_single");

    TRevisionFileList versions(3);
    const char* names[] = {"C:\\Documents\\budget.xls", "C:\\Documents\\letter.doc",
                           "C:\\Photos\\garden.jpg"};
    for (int i = 0; i < 3; ++i) {
        versions[static_cast<size_t>(i)].Path = names[i];
        versions[static_cast<size_t>(i)].Count = 2 + i;
        for (int k = 0; k < 2 + i; ++k)
            versions[static_cast<size_t>(i)].Dates[static_cast<size_t>(k)] =
                encodeDateTime({2026, 11, 20 + k, 9 + i, 15, 0, 0});
    }
    TFormRevision revision(nullptr, versions);
    revision.show();
    revision.list()->openPopup(2);
    render(revision, "revision");

    TFrmProgress::Setup setup;
    TFrmProgress progress(kOpBackup, std::make_unique<TBackupOperation>(TBackupRequest{}),
                          std::move(setup));
    TJobRunnerModel& runner = progress.model();
    runner.Activated = true; // drawn mid-run: the operation itself is not started
    runner.setTotals(1532, 13002342);
    runner.setOperationText("Backup process...");
    runner.showDoneImage();
    runner.FileProgress(611, false, 2000000, 1400000, 5210000);
    render(progress, "job_runner_backup");

    TReportsPageModel reportsModel({}, {});
    TReportsPage reports(reportsModel, nullptr);
    reportsModel.onChanged = [&reports] { reports.refresh(); };
    reportsModel.setDriveItems({"(E:\\)"});
    reports.show(); // showing the page reads the drive's reports
    QApplication::processEvents();
    reportsModel.lv_ReportsChange(1);
    renderPage(reports, "page_reports");
    reportsModel.onChanged = nullptr;

    TSettingsPageModel settingsModel({});
    SaveFileExceptions({"Thumbs.db", "pagefile.sys"});
    SaveExtExceptions({"tmp", "bak"});
    settingsModel.ReadSettings();
    TSettingsPage settings(settingsModel, nullptr);
    renderPage(settings, "page_settings");
}

} // namespace
#ifdef QM_RENDER_UPDATER
namespace {

// The updater's window in each of its states. Its start stores the day in the registry,
// so the registry is a throw-away folder here.
void renderUpdater() {
    QTemporaryDir registry;
    qputenv("QUILLMOOR_REGISTRY_DIR", registry.path().toLocal8Bit());
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
    qunsetenv("QUILLMOOR_REGISTRY_DIR");
}

} // namespace
#endif

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: renderwindows <output folder>\n");
        return 2;
    }
    gOut = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(gOut);
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
    renderMainProgram();
    {
        // Setup's windows: the wizard on each page, its folder picker, the uninstall window.
        TFormInstall wizard("C:\\", "C:\\setup");
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
    renderMainPages();
    return gOk ? 0 : 1;
}
