#pragma once
// Finding a file whose path the disk may spell in other letter case than a catalogue
// does: a folder renamed only in case ("Docs" to "docs") still holds the same files, and
// a file is gone only when no spelling of its path names one.

#include <optional>
#include <string>
#include <string_view>

namespace qm {

// The path of an existing file equal to DosPath but for case (platform/casefold.h),
// each name spelled as on the disk: DosPath itself when it names a file, else the first
// found by reading the folders on its way. None when no spelling names a file.
std::optional<std::string> findFileAnyCase(std::string_view DosPath);

} // namespace qm
