#pragma once
// The Windows version classes the installer asks about. This system is none of the
// listed Windows versions, so the class is -1 ("any other version"), and it counts as
// Windows 2000 or later: installing for all users is offered, gated by the
// administrator probe (IsAdmin).

namespace qm {

// 0 Windows 95, 1 Windows 98, 2 Windows 98 SE, 3 Windows Me, 4 NT 4, 5 Windows 2000,
// 6 Windows XP, -1 any other version.
int GetOSVersionClass();
bool IsWin2000OrLater();

} // namespace qm
