#pragma once
// Where a restore may write a file. Stored paths (catalogue records, archive entry
// headers) come from the media and are not trusted: a path that would climb out of the
// chosen folder ("..", a second drive letter, an empty name) gives no target at all, and
// the run logs the file as not restorable. Plain functions; nothing is owned.

#include "platform/stagedfile.h"

#include <optional>
#include <string>

namespace qm {

// The list of the restores' temporaries (a file in the user's state folder): every
// restore writes its file through a StagedFile listed there, and the next restore run
// removes what a crash left beside the targets.
StagedFileLedger RestoreLedger();

// Target of a plain copy or version backed up from SourcePath: SourcePath itself when
// RestoreType is empty, else RestoreType + the source folder without "X:\" + "\" + name.
std::optional<std::string> PlainRestoreTarget(const std::string& RestoreType,
                                              const std::string& SourcePath);
// Target of an archive entry whose stored path is StoredPath: StoredPath itself when
// RestoreType is empty, else RestoreType + StoredPath from its third character on.
std::optional<std::string> ArchiveRestoreTarget(const std::string& RestoreType,
                                                const std::string& StoredPath);

// The permission bits of a restored file that replaces none: the bits its media copy or
// archive kept of the source (Kept: given only on media that keep permissions, where the
// backup set them), else a new file's (0666); never a bit the umask takes away, nor
// set-id or sticky bits, whatever the media says.
uint32_t NewRestoredFileMode(const std::optional<FileAccess>& Kept);

} // namespace qm
