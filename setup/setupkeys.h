#pragma once
// The registry keys, file names and texts that the installer writes and the uninstaller
// removes, declared once for both (Qmoor and the updater read some of them).

#include <string_view>

namespace qm::setupkeys {

inline constexpr std::string_view kUninstallKey =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillmoor";
inline constexpr std::string_view kRunKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr std::string_view kProductKey = "\\SOFTWARE\\Quillmoor";
inline constexpr std::string_view kProductRunKey = "\\SOFTWARE\\Quillmoor\\Run";
inline constexpr std::string_view kBpaKey = "\\.bpa";
inline constexpr std::string_view kBpaClassKey = "\\BackupArchive.1";

inline constexpr std::string_view kDisplayName = "Quillmoor Backup Software";
inline constexpr std::string_view kVersion = "1.40";

inline constexpr std::string_view kUninstListName = "uninst.ini";
inline constexpr std::string_view kHelpFolder = "Help";
inline constexpr std::string_view kProgramGroup = "Quillmoor";
inline constexpr std::string_view kMainWindowTitle = "Quillmoor Main Window";

} // namespace qm::setupkeys
