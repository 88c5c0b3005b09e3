#include "app/backuppage.h"
#include "app/drivepoll.h"
#include "app/frmmain.h"
#include "app/mediadrives.h"
#include "app/qmfoldertree.h"
#include "app/qmrestorefilelist.h"
#include "app/qmrestoretree.h"
#include "app/settingspagemodel.h"
#include "controls/skin.h"
#include "engine/backupjob.h"
#include "platform/dospath.h"
#include "platform/drivetable.h"
#include "platform/fileio.h"
#include "render.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <filesystem>
#include <fstream>
#include <optional>

namespace {

using namespace qm;

// The environment the machine replaces, put back afterwards.
class Machine {
  public:
    Machine() {
        for (const char* folder : {"C/program", "E", "registry", "home", "config", "ipc"})
            QDir(dir_.path()).mkpath(folder);
        set("QUILLMOOR_DRIVES", "C=fixed:" + dir_.path() + "/C;E=removable:" + dir_.path() + "/E");
        set("QUILLMOOR_REGISTRY_DIR", dir_.path() + "/registry");
        set("QUILLMOOR_PROGRAM_DIR", dir_.path() + "/C/program");
        set("QUILLMOOR_IPC_DIR", dir_.path() + "/ipc");
        set("XDG_CONFIG_HOME", dir_.path() + "/config");
        set("HOME", dir_.path() + "/home");
        DriveTable::instance().reload();
    }
    ~Machine() {
        for (const auto& [name, value] : saved_) {
            if (value.isNull())
                qunsetenv(name.constData());
            else
                qputenv(name.constData(), value);
        }
        DriveTable::instance().reload();
    }

    void file(const std::string& dosPath, int64_t size) {
        createFolderChain(dosPath.substr(0, dosPath.rfind('\\')));
        const std::string host = *toHost(dosPath);
        std::ofstream out(host, std::ios::binary);
        out << std::string(static_cast<size_t>(std::min<int64_t>(size, 4096)), 'q');
        out.close();
        std::filesystem::resize_file(host, static_cast<uintmax_t>(size));
    }

  private:
    static std::optional<std::string> toHost(const std::string& dosPath) {
        return qm::toHostPath(dosPath);
    }
    void set(const char* name, const QString& value) {
        saved_.emplace_back(QByteArray(name), qgetenv(name));
        qputenv(name, value.toUtf8());
    }

    QTemporaryDir dir_;
    std::vector<std::pair<QByteArray, QByteArray>> saved_;
};

void asPage(QWidget& page) {
    page.setFixedSize(640, 512);
    page.setAutoFillBackground(true);
    QPalette palette = page.palette();
    palette.setColor(QPalette::Window, skinPanelColor());
    page.setPalette(palette);
}

} // namespace

void renderTreePages() {
    Machine machine;
    const std::pair<const char*, int64_t> files[] = {
        {"C:\\Documents\\budget.xls", 48 * 1024},
        {"C:\\Documents\\letter.doc", 23 * 1024},
        {"C:\\Documents\\notes.txt", 900},
        {"C:\\Documents\\report 2026.pdf", 1536 * 1024},
        {"C:\\Documents\\.~lock.budget.xls", 120},
        {"C:\\Documents\\Letters\\to bank.doc", 31 * 1024},
        {"C:\\Documents\\Taxes 2026\\return.pdf", 310 * 1024},
        {"C:\\Documents\\Projects\\Quillmoor\\plan.txt", 4 * 1024},
        {"C:\\Pictures\\Holiday\\beach.jpg", 2400 * 1024},
        {"C:\\Pictures\\Holiday\\hills.jpg", 2100 * 1024},
        {"C:\\Pictures\\cat.png", 650 * 1024},
        {"C:\\Music\\album\\track01.mp3", 5200 * 1024},
        {"C:\\.config\\settings.ini", 2 * 1024},
        {"C:\\Video\\film.mkv", 5000000000LL},
    };
    for (const auto& [path, size] : files)
        machine.file(path, size);
    createFolderChain("C:\\Recycled");
    MakeMediaDrive("E:\\");
    SetMediaDriveSetting("(E:\\)");

    // A real backup writes the catalogue the restore tree is built from.
    TBackUpJob job;
    job.SetDestination('E');
    job.SetStartTime(now());
    for (const auto& [path, size] : files)
        if (size < 100 * 1024 * 1024)
            job.SourceFiles.push_back(path);
    job.Backup();

    MessageFn quiet = [](int, const std::string&) { return 1; };
    TDrivePoll poll{TDrivePoll::Hooks{}};
    TSettingsPageModel settings(quiet);
    settings.ReadSettings();
    {
        TBackupPage page(poll, settings, quiet, nullptr);
        asPage(page);
        TBackupPageModel& model = page.model();
        model.FormCreate();
        model.setBackupLog("12/09/2026 10:14:02 AM C:\\Documents\\budget.xls - saved.\n"
                           "12/09/2026 10:14:02 AM C:\\Documents\\letter.doc - saved.");
        page.show();
        TQMFolderTreeModel& tree = model.tree();
        tree.click(tree.FindFolderNode("C:\\Pictures"));
        tree.click(tree.FindFolderNode("C:\\Documents\\Letters"));
        TCheckNode* documents = tree.FindFolderNode("C:\\Documents");
        page.folderTree()->expand(page.folderTree()->indexOf(tree.firstRoot()));
        page.folderTree()->expand(page.folderTree()->indexOf(documents));
        page.folderTree()->setCurrentIndex(page.folderTree()->indexOf(documents));
        model.files().tick(1, true);
        QApplication::processEvents();
        render(page, "page_backup");
        model.SaveSelections(true, "(E:\\)");
    }
    {
        // The whole window: showing the Backup page applies the selection saved on E:.
        TMainWindowSetup setup;
        setup.splashShown = true;
        setup.message = quiet;
        TfrmMain window(std::move(setup));
        window.model().ShowMenuPanel();
        window.model().menuClick(TMainWindowModel::MenuButton::Backup);
        TQMFolderTree* tree = window.backupPage()->folderTree();
        TQMFolderTreeModel& model = tree->treeModel();
        tree->expand(tree->indexOf(model.firstRoot()));
        tree->setCurrentIndex(tree->indexOf(model.FindFolderNode("C:\\Documents")));
        QApplication::processEvents();
        render(window, "main_backup");
    }
    {
        TQMRestoreTreeModel tree;
        TQMRestoreFileListModel list;
        tree.RestoreFileList = &list;
        list.FolderTree = &tree;
        list.setDateFormat(TDTFormat::df_Customize);
        TBackUpJob lister;
        lister.SetDestination('E');
        lister.ListDriveFiles(&tree.PathList, &tree.TimeList, &tree.SizeList, nullptr);
        QWidget page;
        asPage(page);
        page.setObjectName(QStringLiteral("TS_Restore"));
        auto* layout = new QVBoxLayout(&page);
        auto* title = new QLabel(QStringLiteral("Select Files and Directories to Restore"), &page);
        title->setFont(skinLabelFont());
        title->setStyleSheet(QStringLiteral("color: white;"));
        layout->addWidget(title);
        auto* row = new QHBoxLayout;
        auto* treeView = new TQMRestoreTree(tree, &page);
        treeView->setToolTip(QStringLiteral("Folders to restore "));
        treeView->setFixedWidth(200);
        auto* listView = new TQMRestoreFileList(list, &page);
        listView->setToolTip(QStringLiteral("Files to restore"));
        row->addWidget(treeView);
        row->addWidget(listView, 1);
        layout->addLayout(row, 1);
        layout->addStretch();
        tree.Rebuild();
        page.show();
        TCheckNode* documents = tree.nodeByLabels({"C:", "Documents"});
        treeView->expand(treeView->indexOf(tree.firstRoot()));
        treeView->expand(treeView->indexOf(documents));
        tree.click(tree.nodeByLabels({"C:", "Pictures"}));
        treeView->setCurrentIndex(treeView->indexOf(documents));
        list.tick(0, true);
        QApplication::processEvents();
        render(page, "page_restore_tree");
        delete treeView; // the views go before the models they show
        delete listView;
    }
}
