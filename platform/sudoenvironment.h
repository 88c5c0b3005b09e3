#pragma once
// What root keeps of the environment of the user it runs for. Through `sudo -E` (or an
// env_keep list) the user's own variables reach root: a Qt variable naming a plugin,
// style or QML folder would run that user's code as root, and a QUILLMOOR_* override
// would let the user pick the files root reads and writes (answers, registry, system
// folders, update server). Each program calls this first in its start, before its
// QApplication exists.

#include <string>
#include <vector>

namespace qm {

// When the process runs as root for another user (euid 0 with SUDO_UID or PKEXEC_UID
// naming a user other than root), removes every QUILLMOOR_* variable and the Qt
// variables that make Qt load code, and says so on stderr; returns the names removed.
// Root's own runs keep them all (and get an empty list).
std::vector<std::string> dropUserEnvironmentUnderSudo();

} // namespace qm
