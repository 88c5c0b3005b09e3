#pragma once
// Plugged-in media as drive letters. The drive table's extender adds every user medium
// of the mount table (see mounttable.h) with a stable letter: the letter a mount point
// had before (remembered per user in the registry under
// "\SOFTWARE\Quillmoor\Platform\DriveLetters", value name = mount point, data = the
// letter), else the first letter after the fixed drives that is free and not
// remembered for another medium. Letters named in QUILLMOOR_DRIVES are left to it.

#include "platform/drivetable.h"
#include "platform/mounttable.h"

#include <map>
#include <set>
#include <string>

namespace qm {

// Installs the extender on the process-wide drive table (which reloads at once).
void installRemovableDrives(const MountSource& source = {});
void uninstallRemovableDrives();

// The extender's work: maps each user medium of the source's table into `table`.
void addRemovableDrives(DriveTable& table, const MountSource& source);

// Picks the letter for a medium; 0 when every letter is taken.
char chooseDriveLetter(const std::string& mountPoint, const std::set<char>& taken,
                       const std::map<std::string, char>& remembered, char firstLetter);

}  // namespace qm
