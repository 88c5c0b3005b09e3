#pragma once
// The exception lists: file names and extensions (without the dot) that backups leave
// out, stored per user as value names under "\SOFTWARE\Quillmoor\Settings\Exceptions\"
// ("Files" and "Extentions"). Each save replaces the whole key in one write of the hive.

#include <string>
#include <vector>

namespace qm {

using TExceptionLines = std::vector<std::string>;

class TSettingsStore;

// The key's value names, in stored order; empty when the key cannot be read. Read
// through `store`, so a settings read in one batch reads the hive once.
TExceptionLines LoadFileExceptions(const TSettingsStore& store);
TExceptionLines LoadExtExceptions(const TSettingsStore& store);
// Rewrites the key with one value per line (duplicates collapse); false when the hive
// could not be written.
bool SaveFileExceptions(const TExceptionLines& lines);
bool SaveExtExceptions(const TExceptionLines& lines);

// Whether a backup leaves out the file `name` (no folder): its name is a line of
// `files`, or the text after its last dot is a line of `extensions`; letter case is
// ignored, whole lines are compared.
bool IsExcepted(const std::string& name, const TExceptionLines& files,
                const TExceptionLines& extensions);

} // namespace qm
