#include "machine.h"

#include "app/drives/mediadrives.h"
#include "platform/drivetable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>

namespace qm::renderwindows {

TRenderMachine::TRenderMachine() {
    if (!dir_.isValid())
        return;
    const std::string root = dir_.path().toStdString();
    for (const char* sub : {"home", "config", "cache", "ipc", "registry", "by-label", "C/program",
                            "C/Documents", "E", "F", "H"})
        QDir().mkpath(QString::fromStdString(root + "/" + sub));
    QFile::setPermissions(QString::fromStdString(root + "/ipc"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::link(QStringLiteral(QM_SOURCE_DIR "/assets/help"),
                QString::fromStdString(root + "/C/program/Help"));
    // The media drives' file systems, as the drive details show them.
    writeFile(root + "/mounts", "/dev/sda1 / ext4 rw 0 0\n/dev/sdb1 " + root +
                                    "/E vfat rw 0 0\n/dev/sdc1 " + root + "/F exfat rw 0 0\n");
    const std::pair<const char*, std::string> env[] = {
        {"HOME", root + "/home"},
        {"XDG_CONFIG_HOME", root + "/config"},
        {"XDG_CACHE_HOME", root + "/cache"},
        {"QUILLMOOR_REGISTRY_DIR", root + "/registry"},
        {"QUILLMOOR_IPC_DIR", root + "/ipc"},
        {"QUILLMOOR_PROGRAM_DIR", root + "/C/program"},
        {"QUILLMOOR_MOUNTS", root + "/mounts"},
        {"QUILLMOOR_DISK_BY_LABEL", root + "/by-label"},
        {"QUILLMOOR_OPENER", "/bin/true"},
        {"QUILLMOOR_DRIVES", "C=fixed:" + root + "/C"},
    };
    for (const auto& [name, value] : env)
        setenv(name, value.c_str(), 1);
    DriveTable& table = DriveTable::instance();
    table.reload();
    table.map('E', root + "/E", DriveType::Removable, "BACKUP");
    table.map('F', root + "/F", DriveType::Removable, "STICK");
    table.map('H', root + "/H", DriveType::Fixed, "DATA");
    MakeMediaDrive("E:\\");
}

std::string TRenderMachine::drive(char letter) const {
    return dir_.path().toStdString() + "/" + std::string(1, letter);
}

void TRenderMachine::writeFile(const std::string& hostPath, const std::string& content) const {
    QDir().mkpath(QFileInfo(QString::fromStdString(hostPath)).path());
    QFile file(QString::fromStdString(hostPath));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content.data(), qint64(content.size()));
}

} // namespace qm::renderwindows
