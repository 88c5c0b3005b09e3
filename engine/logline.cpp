#include "engine/logline.h"

#include "platform/datetime.h"

namespace qm::logline {

namespace {

std::string Now() {
    return formatDateTime(now());
}

std::string Join(std::initializer_list<std::string_view> parts) {
    std::string line;
    for (std::string_view part : parts)
        line += part;
    return line;
}

} // namespace

std::string CanNotFindFile(std::string_view Source) {
    return Join({Now(), " ", Source, " - can not find file."});
}

std::string CantOpenFile(std::string_view Source) {
    return Join({"***ERROR***", Now(), " ", Source, " - can't open file."});
}

std::string CantOpenFolder(std::string_view Folder) {
    return Join({"***ERROR***", Now(), " ", Folder, " - can't open folder."});
}

std::string SourceDateUnreadable(std::string_view Source) {
    return Join({Now(), " - ", Source, " - file can not get file date/time (current time used)."});
}

std::string DateUnreadable(std::string_view Path) {
    return Join({Now(), " ", Path, " - file can not get file date/time (current time used)."});
}

std::string UnnamableFile(std::string_view Path) {
    std::string shown;
    for (char c : Path) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u >= 32 && u != 127) {
            shown += c;
            continue;
        }
        shown += '^';
        shown += static_cast<char>(u ^ 0x40);
    }
    return Join({"***ERROR***", Now(), " ", shown,
                 " - not backed up: its name holds a character that a backup path cannot carry."});
}

std::string SharesMediaCopy(std::string_view Source, std::string_view Other) {
    return Join({"***ERROR***", Now(), " ", Source,
                 " - not backed up: its copy would be the media copy of ", Other,
                 ", which the media drive does not tell apart by case."});
}

std::string NameTakenOnMedia(std::string_view Source, std::string_view Other) {
    return Join({"***ERROR***", Now(), " ", Source,
                 " - not backed up: its copy would take the name that the backup of ", Other,
                 " has on the media drive."});
}

std::string UnfinishedBackup(std::string_view Source) {
    return Join({"***ERROR***", Now(), " ", Source,
                 " - not backed up: the media drive holds an unfinished backup of it, which the "
                 "next run tries to finish first."});
}

std::string CantDeleteFromMedia(std::string_view MediaPath) {
    return Join(
        {"***ERROR***", Now(), " ", MediaPath, " - can't delete; it stays on the media drive."});
}

std::string UnfinishedDelete(std::string_view Source) {
    return Join({"***ERROR***", Now(), " ", Source,
                 " - not deleted: the media drive holds an unfinished backup of it, which the "
                 "next run tries to finish first."});
}

std::string NotDeletedBehindLink(std::string_view Source) {
    return Join({"***ERROR***", Now(), " ", Source,
                 " - not deleted: its backup on the media drive is reached through a link."});
}

std::string CantDeleteFromArchive(std::string_view Source, std::string_view Archive) {
    return Join({"***ERROR***", Now(), " ", Source, " - can't delete it from ", Archive,
                 ": the media drive has no room to rewrite the archive, which is left whole."});
}

std::string CantDeleteFromArchive(std::string_view Source, std::string_view Archive,
                                  std::string_view Reason) {
    return Join({"***ERROR***", Now(), " ", Source, " - can't delete it from ", Archive, ": ",
                 Reason, "; the archive is left whole."});
}

std::string CanNotAddToArchive(std::string_view Source) {
    return Join({Now(), " ", Source, " - can not add to archive."});
}

std::string PathTooLong(std::string_view Source) {
    return Join({"***ERROR***", Now(), " ", Source, " - path is too long to back up."});
}

std::string ChangedSinceCompared(std::string_view Path) {
    return Join({"***ERROR***", Now(), " ", Path,
                 " - left as it is: the file changed after the comparison."});
}

std::string TooLargeForArchive(std::string_view Source) {
    return Join({Now(), " ", Source, " - file is too large for an archive."});
}

std::string BackupSuccessful(std::string_view Source, std::string_view CompressionWord,
                             std::string_view EncryptionWord) {
    return Join({Now(), " ", Source, " - Backup with \"", CompressionWord, "\",\"Encrypt-",
                 EncryptionWord, "\" option successful."});
}

std::string CompressionWord(bool Compression, TCompressionType Type) {
    if (!Compression)
        return "Compress-No";
    if (Type == TCompressionType::ctOnesFile)
        return "Compress-Multi";
    return "Compress-Single";
}

std::string EncryptionWord(bool Encryption, int KeySize) {
    if (!Encryption)
        return "No";
    return std::to_string(KeySize);
}

std::string CantRestoreError(std::string_view Path) {
    return Join({"*** ERROR *** ", Now(), " ", Path, " - can't restore."});
}

std::string OutOfMemory(std::string_view Path) {
    return Join({"*** ERROR *** ", Now(), " ", Path, " - not enough memory; the run stops here."});
}

std::string CantRestore(std::string_view MediaPath) {
    return Join({Now(), " ", MediaPath, " - can't restore."});
}

std::string ArchiveNotFound(std::string_view Archive) {
    return Join({"*** ERROR *** ", Now(), " ", Archive, " - source backup archive not found"});
}

std::string RestoredToOriginal(std::string_view Path) {
    return Join({Now(), " ", Path, " restored to its \"Original Location\"."});
}

std::string RestoredToSelected(std::string_view Path) {
    return Join({Now(), " ", Path, " restored to new \"Selected Destination Path\"."});
}

std::string Deleted(std::string_view Source) {
    return Join({Now(), " ", Source, " - deleted."});
}

std::string End() {
    return "---end---";
}

std::string DamagedFile(std::string_view Path, std::string_view What) {
    return Join({"***ERROR***", Now(), " ", Path, " - ", What});
}

} // namespace qm::logline
