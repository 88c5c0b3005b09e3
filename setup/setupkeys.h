#pragma once
// The registry keys and names that only setup uses: the installer writes them and the
// uninstaller removes them. The keys the other programs read too are in
// platform/productkeys.h, the file names of the install folder in platform/programfiles.h.

#include <string_view>

namespace qm::setupkeys {

inline constexpr std::string_view kProductKey = "\\SOFTWARE\\Quillmoor";
inline constexpr std::string_view kBpaKey = "\\.bpa";
inline constexpr std::string_view kBpaClassKey = "\\BackupArchive.1";

inline constexpr std::string_view kDisplayName = "Quillmoor Backup Software";
inline constexpr std::string_view kVersion = "1.40";

inline constexpr std::string_view kProgramGroup = "Quillmoor";

} // namespace qm::setupkeys
