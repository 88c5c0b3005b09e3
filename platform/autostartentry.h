#pragma once
// The autostart entries that stand for the "Qmoor.exe" Run values: a desktop entry
// "quillmoor.desktop" that starts the program with "-w" at login. The per-user one is in
// $XDG_CONFIG_HOME/autostart (the Run value under HKEY_CURRENT_USER); the all-users one
// in /etc/xdg/autostart, where every desktop reads it (the Run value under
// HKEY_LOCAL_MACHINE). QUILLMOOR_SYSTEM_ROOT puts the system folders below another
// folder (tests).

#include <string>

namespace qm {

inline constexpr const char* kAutostartFileName = "quillmoor.desktop";

// The autostart folder of the user the program works for (userConfigFolder()).
std::string userAutostartFolder();
// <system root>/etc/xdg/autostart.
std::string machineAutostartFolder();
// QUILLMOOR_SYSTEM_ROOT without a trailing "/", else "" (the host's root).
std::string systemRoot();

// Writes `folder`/quillmoor.desktop starting `programPath` with "-w"; `enabled` false
// writes a disabled entry that also hides an all-users entry of the same name. Creates
// the folder when missing: the all-users one (and its parents) 0755, as every user's
// desktop must read it; any other 0700.
bool writeAutostartEntry(const std::string& folder, const std::string& programPath, bool enabled);
// Removes `folder`/quillmoor.desktop when it starts `programPath`; true when it is gone
// or was never there.
bool removeAutostartEntry(const std::string& folder, const std::string& programPath);

} // namespace qm
