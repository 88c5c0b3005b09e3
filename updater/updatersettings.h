#pragma once
// What the updater stores: the day it last ran ("Date" under "\SOFTWARE\Quillmoor\Update"
// of the user, which the main program reads to know when to start it again) and the
// user's choice to stop updating ("Settings.dat" in the program folder, section
// "UPDATER", key "Updater" = 0, plus the main program's own "Updater" setting, so that
// it stops starting the updater; run by root, the file only in a folder no other user may
// change). Failures are reported on stderr and otherwise ignored.

#include <string>

namespace qm {

// Stores today's day number (whole days since 30 December 1899).
void WriteUpdateDay();
// `folder` is the host folder of "Settings.dat".
void DisableUpdater(const std::string& folder);

} // namespace qm
