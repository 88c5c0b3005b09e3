#pragma once
// Where a restore may write a file. Stored paths (catalogue records, archive entry
// headers) come from the media and are not trusted: a path that would climb out of the
// chosen folder ("..", a second drive letter, an empty name) gives no target at all, and
// the run logs the file as not restorable. Plain functions; nothing is owned.

#include <optional>
#include <string>

namespace qm {

// Target of a plain copy or version backed up from SourcePath: SourcePath itself when
// RestoreType is empty, else RestoreType + the source folder without "X:\" + "\" + name.
std::optional<std::string> PlainRestoreTarget(const std::string& RestoreType,
                                              const std::string& SourcePath);
// Target of an archive entry whose stored path is StoredPath: StoredPath itself when
// RestoreType is empty, else RestoreType + StoredPath from its third character on.
std::optional<std::string> ArchiveRestoreTarget(const std::string& RestoreType,
                                                const std::string& StoredPath);

} // namespace qm
