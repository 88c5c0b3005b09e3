#pragma once
// The program's folder: the folder of the running executable as a DOS path with a
// trailing backslash ("C:\opt\quillmoor\"), where Log.txt, User.dat and the help
// pages live. QUILLMOOR_PROGRAM_DIR replaces it for tests and the demo; it may hold a
// DOS path or a host folder below a mapped drive.

#include <optional>
#include <string>

namespace qm {

// Empty when the folder is not below any mapped drive.
std::optional<std::string> programFolder();

}  // namespace qm
