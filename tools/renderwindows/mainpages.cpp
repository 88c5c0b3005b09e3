// The main window's pages over a sandbox machine: a temporary folder mapped as the
// fixed drives C: and H:, the removable media drive E: ("BACKUP", with its marker) and
// a removable stick F:, with the registry and every other override pointed into it.

#include "app/frmmain.h"
#include "app/mediadrives.h"
#include "platform/drivetable.h"
#include "render.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

namespace {

struct SandboxMachine {
    QTemporaryDir dir;

    SandboxMachine() {
        const QString root = dir.path();
        for (const char* sub :
             {"C/program", "C/Documents", "E", "F", "H", "registry", "config", "ipc", "by-label"})
            QDir().mkpath(root + "/" + sub);
        const auto set = [&](const char* name, const QString& value) {
            setenv(name, value.toLocal8Bit().constData(), 1);
        };
        set("HOME", root + "/C");
        set("XDG_CONFIG_HOME", root + "/config");
        set("QUILLMOOR_REGISTRY_DIR", root + "/registry");
        set("QUILLMOOR_IPC_DIR", root + "/ipc");
        set("QUILLMOOR_PROGRAM_DIR", root + "/C/program");
        QFile mounts(root + "/mounts");
        if (mounts.open(QIODevice::WriteOnly))
            mounts.write(("/dev/sda1 / ext4 rw 0 0\n/dev/sdb1 " + root + "/E vfat rw 0 0\n" +
                          "/dev/sdc1 " + root + "/F exfat rw 0 0\n")
                             .toLocal8Bit());
        mounts.close();
        set("QUILLMOOR_MOUNTS", root + "/mounts");
        set("QUILLMOOR_DISK_BY_LABEL", root + "/by-label");
        set("QUILLMOOR_DRIVES", "C=fixed:" + root + "/C");
        qm::DriveTable& table = qm::DriveTable::instance();
        table.reload();
        table.map('E', (root + "/E").toStdString(), qm::DriveType::Removable, "BACKUP");
        table.map('F', (root + "/F").toStdString(), qm::DriveType::Removable, "STICK");
        table.map('H', (root + "/H").toStdString(), qm::DriveType::Fixed, "DATA");
        qm::MakeMediaDrive("E:\\");
    }
};

} // namespace

void renderMainPages() {
    SandboxMachine machine;
    qm::TMainWindowSetup setup;
    setup.splashShown = true;
    setup.message = [](int, const std::string&) { return 1; };
    qm::TfrmMain window(std::move(setup));
    window.model().ShowMenuPanel();
    window.model().menuClick(qm::TMainWindowModel::MenuButton::Drives);
    render(window, "main_drives");
}
