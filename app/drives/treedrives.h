#pragma once
// The drives the selection tree shows: the local drives from C: on (fixed, removable or
// of unknown type) that hold a readable medium and are not media drives. Listing never
// changes a drive: no marker is ever removed here.

#include <string>
#include <vector>

namespace qm {

// Roots ("C:\") of the mapped drives from C: on whose type is fixed, removable or unknown.
std::vector<std::string> EnumLocalDrives();
// True for a media drive, and for a drive whose medium cannot be read (not shown).
bool IsMediaVolume(const std::string& root);
// EnumLocalDrives less the media volumes.
std::vector<std::string> GetTreeDrives();

} // namespace qm
