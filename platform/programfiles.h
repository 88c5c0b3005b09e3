#pragma once
// The files of the installed system, by their Windows names ("Updater.exe", the names
// registry values and messages use), and the names they carry in the program folder.
// This table is the one place that maps the two: Windows names stay in registry values
// and messages; the host name is what is started and looked for on disk.
//
//   Qmoor.exe      -> Qmoor
//   Updater.exe    -> updater
//   Uninstall.exe  -> Uninstall
//   setup.exe      -> setup
//   common.exe     -> common   (a release may bring it; the updater starts it)
//   User.dat, Log.txt, Settings.dat, Help\ keep their names.

#include <string>
#include <string_view>

namespace qm {

inline constexpr std::string_view kMainProgramName = "Qmoor.exe";
inline constexpr std::string_view kUpdaterName = "Updater.exe";
inline constexpr std::string_view kUninstallerName = "Uninstall.exe";
inline constexpr std::string_view kCommonProgramName = "common.exe";
// Files and folders the programs keep beside them in the install folder.
inline constexpr std::string_view kUserFileName = "User.dat";         // who installed
inline constexpr std::string_view kLogFileName = "Log.txt";           // Qmoor's run log
inline constexpr std::string_view kSettingsFileName = "Settings.dat"; // the updater's switch
inline constexpr std::string_view kHelpFolderName = "Help";           // the help pages

// The file name in the program folder for a program's Windows name; other names are
// returned unchanged.
std::string hostProgramFile(std::string_view windowsName);

// `folder` (a host folder) joined with the host name of `windowsName`.
std::string hostProgramPath(const std::string& folder, std::string_view windowsName);

} // namespace qm
