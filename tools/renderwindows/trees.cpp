#include "trees.h"

#include "machine.h"
#include "render.h"

#include "app/mainwindow/frmmain.h"
#include "app/pages/backup/backuppage.h"
#include "app/trees/qmfilelistview.h"
#include "app/trees/qmfoldertree.h"
#include "app/trees/qmrestorefilelist.h"
#include "app/trees/qmrestoretree.h"
#include "controls/skin.h"
#include "engine/backupjob.h"
#include "platform/datetime.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <filesystem>

namespace qm::renderwindows {

namespace {

struct SampleFile {
    const char* path; // below C:, with slashes
    int64_t size;
    bool backedUp;
};

constexpr SampleFile kFiles[] = {
    {"Documents/budget.xls", 48 * 1024, true},
    {"Documents/letter.doc", 23 * 1024, true},
    {"Documents/notes.txt", 900, true},
    {"Documents/report 2026.pdf", 1536 * 1024, true},
    {"Documents/Minutes of the annual general meeting of the allotment society.doc", 61 * 1024,
     true},
    {"Documents/.~lock.budget.xls", 120, false},
    {"Documents/Letters/to bank.doc", 31 * 1024, true},
    {"Documents/Taxes 2026/return.pdf", 310 * 1024, true},
    {"Documents/Projects/Quillmoor/plan.txt", 4 * 1024, true},
    {"Pictures/Holiday/beach.jpg", 2400 * 1024, true},
    {"Pictures/Holiday/hills.jpg", 2100 * 1024, true},
    {"Pictures/cat.png", 650 * 1024, true},
    {"Music/album/track01.mp3", 5200 * 1024, true},
    {".config/settings.ini", 2 * 1024, false},
    {"Video/film.mkv", 5000000000LL, false}, // sparse: too big to back up while drawing
    {"Recycled/old.tmp", 10, false},
};

std::string dosPath(const char* path) {
    std::string dos = std::string("C:\\") + path;
    for (char& c : dos)
        if (c == '/')
            c = '\\';
    return dos;
}

void asPage(QWidget& page) {
    page.setFixedSize(640, 512);
    page.setAutoFillBackground(true);
    QPalette palette = page.palette();
    palette.setColor(QPalette::Window, skinPanelColor());
    page.setPalette(palette);
}

} // namespace

void makeBackupSample(const TRenderMachine& machine) {
    for (const SampleFile& file : kFiles) {
        const std::string host = machine.drive('C') + "/" + file.path;
        machine.writeFile(host,
                          std::string(static_cast<size_t>(std::min<int64_t>(file.size, 64)), 'q'));
        std::filesystem::resize_file(host, static_cast<uintmax_t>(file.size));
    }
    TBackUpJob job;
    job.SetDestination('E');
    job.SetStartTime(now());
    for (const SampleFile& file : kFiles)
        if (file.backedUp)
            job.SourceFiles.push_back(dosPath(file.path));
    job.Backup();
}

void tickBackupSample(TfrmMain& window) {
    TQMFolderTree* view = window.backupPage()->folderTree();
    TQMFolderTreeModel& tree = view->treeModel();
    tree.click(tree.FindFolderNode("C:\\Pictures"));
    tree.click(tree.FindFolderNode("C:\\Documents\\Letters"));
    TCheckNode* documents = tree.FindFolderNode("C:\\Documents");
    view->expand(view->indexOf(tree.firstRoot()));
    view->expand(view->indexOf(documents));
    view->setCurrentIndex(view->indexOf(documents));
    TQmFilelistModel& files = window.backupPage()->model().files();
    for (size_t i = 0; i < files.rows().size(); ++i)
        if (files.rows()[i].name == "budget.xls")
            files.tick(static_cast<int>(i), true);
    window.backupPage()->model().setBackupLog(
        "12/9/2026 10:14:02 AM C:\\Documents\\budget.xls - Backup with \"Compress-No\","
        "\"Encrypt-No\" option successful.\n"
        "12/9/2026 10:14:03 AM C:\\Documents\\Projects\\Quillmoor\\Minutes of the annual "
        "general meeting.doc - Backup with \"Compress-No\",\"Encrypt-No\" option successful.\n"
        "---end---");
}

void renderRestoreTree() {
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
    tree.Rebuild();
    page.show();
    TCheckNode* documents = tree.nodeByLabels({"C:", "Documents"});
    treeView->expand(treeView->indexOf(tree.firstRoot()));
    treeView->expand(treeView->indexOf(documents));
    tree.click(tree.nodeByLabels({"C:", "Pictures"}));
    treeView->setCurrentIndex(treeView->indexOf(documents));
    list.tick(0, true);
    QApplication::processEvents();
    shoot(page, QStringLiteral("restore_tree"));
    delete treeView; // the views go before the models they show
    delete listView;
}

} // namespace qm::renderwindows
