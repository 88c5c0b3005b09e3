#pragma once
// The one Windows version question the installer asks. This system counts as Windows
// 2000 or later, so installing for all users is offered, gated by the administrator
// probe (IsAdmin).

namespace qm {

bool IsWin2000OrLater();

} // namespace qm
