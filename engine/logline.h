#pragma once
// Every line the engine writes to the run log, one function per layout, so that each
// text exists once. "now" in a line is formatDateTime(now()) at the time of the call.

#include "engine/backupjob.h"

#include <string>
#include <string_view>

namespace qm::logline {

// now + " " + source + " - can not find file."
std::string CanNotFindFile(std::string_view Source);
// "***ERROR***" + now + " " + source + " - can't open file."
std::string CantOpenFile(std::string_view Source);
// "***ERROR***" + now + " " + folder + " - can't open folder.": a folder below a ticked
// one that cannot be listed or entered, or whose path is too long to open.
std::string CantOpenFolder(std::string_view Folder);
// now + " - " + source + " - file can not get file date/time (current time used)."
std::string SourceDateUnreadable(std::string_view Source);
// now + " " + path + " - file can not get file date/time (current time used)."
// (path: the new archive of a one-archive-per-file backup, or a version being looked at)
std::string DateUnreadable(std::string_view Path);
// now + " " + source + " - can not add to archive."
std::string CanNotAddToArchive(std::string_view Source);
// now + " " + source + " - Backup with "<compression>","Encrypt-<encryption>" option
// successful."
std::string BackupSuccessful(std::string_view Source, std::string_view CompressionWord,
                             std::string_view EncryptionWord);
// "Compress-Multi" (ctOnesFile), "Compress-Single" (ctMultipleFile), "Compress-No".
std::string CompressionWord(bool Compression, TCompressionType Type);
// Decimal KeySize when encrypting, else "No".
std::string EncryptionWord(bool Encryption, int KeySize);
// "*** ERROR *** " + now + " " + path + " - can't restore."
std::string CantRestoreError(std::string_view Path);
// "*** ERROR *** " + now + " " + path + " - not enough memory; the run stops here.": the
// computer ran out of memory while the run worked on path.
std::string OutOfMemory(std::string_view Path);
// now + " " + media + " - can't restore."
std::string CantRestore(std::string_view MediaPath);
// "*** ERROR *** " + now + " " + archive + " - source backup archive not found"
std::string ArchiveNotFound(std::string_view Archive);
// now + " " + path + " restored to its "Original Location"."
std::string RestoredToOriginal(std::string_view Path);
// now + " " + path + " restored to new "Selected Destination Path"."
std::string RestoredToSelected(std::string_view Path);
// now + " " + source + " - deleted."
std::string Deleted(std::string_view Source);
// "---end---"
std::string End();
// now + " " + source + " - file is too large for an archive."
std::string TooLargeForArchive(std::string_view Source);
// "***ERROR***" + now + " " + source + " - path is too long to back up.": a path that a
// catalogue record cannot hold.
std::string PathTooLong(std::string_view Source);
// "***ERROR***" + now + " " + path + " - not backed up: its name holds a character that
// a backup path cannot carry." Control characters of the name are shown as "^" and a
// letter ("^J" for a line feed), so the line stays one line.
std::string UnnamableFile(std::string_view Path);
// "***ERROR***" + now + " " + source + " - not backed up: its copy would be the media
// copy of " + other + ", which the media drive does not tell apart by case."
std::string SharesMediaCopy(std::string_view Source, std::string_view Other);
// "***ERROR***" + now + " " + source + " - not backed up: its copy would take the name
// that the backup of " + other + " has on the media drive."
std::string NameTakenOnMedia(std::string_view Source, std::string_view Other);
// "***ERROR***" + now + " " + source + " - not backed up: the media drive holds an
// unfinished backup of it, which the next run tries to finish first."
std::string UnfinishedBackup(std::string_view Source);
// "***ERROR***" + now + " " + source + " - not deleted: the media drive holds an
// unfinished backup of it, which the next run tries to finish first."
std::string UnfinishedDelete(std::string_view Source);
// "***ERROR***" + now + " " + source + " - not deleted: its backup on the media drive is
// reached through a link."
std::string NotDeletedBehindLink(std::string_view Source);
// "***ERROR***" + now + " " + source + " - can't delete it from " + archive + ": the media
// drive has no room to rewrite the archive, which is left whole."
std::string CantDeleteFromArchive(std::string_view Source, std::string_view Archive);
// "***ERROR***" + now + " " + path + " - left as it is: the file changed after the
// comparison.": the caller's check refused to act on a file (TBackUpJob::MayActOn).
std::string ChangedSinceCompared(std::string_view Path);
// The same for any other reason: "***ERROR***" + now + " " + source + " - can't delete it
// from " + archive + ": " + reason + "; the archive is left whole."
std::string CantDeleteFromArchive(std::string_view Source, std::string_view Archive,
                                  std::string_view Reason);
// "***ERROR***" + now + " " + media + " - can't delete; it stays on the media drive.": a
// backup's file the delete run found but could not remove (a folder of it swapped for a
// link, a file the run may not delete).
std::string CantDeleteFromMedia(std::string_view MediaPath);
// "***ERROR***" + now + " " + path + " - " + what: a damaged catalogue or archive.
std::string DamagedFile(std::string_view Path, std::string_view What);

} // namespace qm::logline
