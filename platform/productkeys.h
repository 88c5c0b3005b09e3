#pragma once
// The registry keys, value names and window title that more than one of the programs use:
// setup writes most of them, Qmoor and the updater read or add to them. Each is declared
// here once; the keys only one program uses stay with it (setup/setupkeys.h, the settings
// table in platform/settingkeys.h), and the files of the install folder are named in
// platform/programfiles.h.

#include <string_view>

namespace qm {

// The product's entry in the list of installed programs (HKLM for all users, else HKCU).
inline constexpr std::string_view kUninstallKey =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillmoor";
// Its value naming the installed uninstaller; the folder part is the install folder.
inline constexpr std::string_view kUninstallStringValue = "UninstallString";

// Start at logon: the value "Qmoor.exe" holds the command.
inline constexpr std::string_view kRunKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
// The product's own start switch ("Auto" = "ON"/"OFF") and the install stamp ("Date").
inline constexpr std::string_view kProductRunKey = "\\SOFTWARE\\Quillmoor\\Run";
inline constexpr std::string_view kAutoStartValue = "Auto";
inline constexpr std::string_view kInstallStampValue = "Date";

// The updater's key: the day it last ran ("Date", HKCU) and the update server ("Server",
// HKLM).
inline constexpr std::string_view kUpdateKey = "\\SOFTWARE\\Quillmoor\\Update";
inline constexpr std::string_view kUpdateDayValue = "Date";
inline constexpr std::string_view kUpdateServerValue = "Server";

// The main window's title, through which setup and the updater find a running Qmoor.
inline constexpr const char* kMainWindowTitle = "Quillmoor Main Window";

} // namespace qm
