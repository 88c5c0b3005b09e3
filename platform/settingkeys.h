#pragma once
// The per-user settings of Qmoor: every value under "\SOFTWARE\Quillmoor\Settings\" with
// its registry type, its default and the range a stored value is clamped to. This table
// is the only place that names a settings value; everything else goes through
// TSettingsStore and a SettingId. It lives in platform/ because the updater turns the
// Updater setting off too.

#include <array>
#include <cstdint>
#include <string_view>

namespace qm {

enum class SettingId {
    Width,
    Height,
    CompressionType,
    Compression,
    Encryption,
    Restoring,
    Log,
    Revision,
    ExeptList,
    Reminder,
    AutoLaunch,
    Updater,
    AutoBackup,
    SaveSelection,
    LastRemind,
    MediaDrive,
};

enum class SettingType { Dword, Bool, String };

struct SettingDef {
    SettingId id;
    std::string_view name; // the registry value name, as stored
    SettingType type;
    bool hasDefault; // written by checkSettings() when missing
    uint32_t defaultValue;
    uint32_t minValue; // a stored number outside [min, max] is clamped
    uint32_t maxValue;
};

inline constexpr std::string_view kSettingsKey = "\\SOFTWARE\\Quillmoor\\Settings\\";

// In the order checkSettings() writes missing defaults (Width and Height first).
inline constexpr std::array<SettingDef, 16> kSettings = {{
    {SettingId::Width, "Width", SettingType::Dword, true, 790, 200, 8192},
    {SettingId::Height, "Height", SettingType::Dword, true, 580, 200, 8192},
    {SettingId::CompressionType, "CompressionType", SettingType::Dword, true, 0, 0, 2},
    {SettingId::Compression, "Compression", SettingType::Dword, true, 1, 1, 9},
    {SettingId::Encryption, "Encryption", SettingType::Dword, true, 0, 0, 3},
    {SettingId::Restoring, "Restoring", SettingType::Dword, true, 0, 0, 1},
    {SettingId::Log, "Log", SettingType::Bool, true, 1, 0, 1},
    {SettingId::Revision, "Revision", SettingType::Dword, true, 0, 0, 20},
    {SettingId::ExeptList, "ExeptList", SettingType::Bool, true, 0, 0, 1},
    {SettingId::Reminder, "Reminder", SettingType::Dword, true, 0, 0, 31},
    {SettingId::AutoLaunch, "AutoLaunch", SettingType::Bool, true, 0, 0, 1},
    {SettingId::Updater, "Updater", SettingType::Bool, true, 1, 0, 1},
    {SettingId::AutoBackup, "AutoBackup", SettingType::Bool, true, 1, 0, 1},
    {SettingId::SaveSelection, "SaveSelection", SettingType::Bool, true, 1, 0, 1},
    {SettingId::LastRemind, "LastRemind", SettingType::Dword, false, 0, 0, UINT32_MAX},
    {SettingId::MediaDrive, "MediaDrive", SettingType::String, false, 0, 0, 0},
}};

constexpr const SettingDef& settingDef(SettingId id) {
    return kSettings[static_cast<size_t>(id)];
}

// The table is indexed by SettingId; keep the two in the same order.
static_assert([] {
    for (size_t i = 0; i < kSettings.size(); ++i)
        if (static_cast<size_t>(kSettings[i].id) != i)
            return false;
    return true;
}());

// Main window sizes: the small and the large layout.
inline constexpr int kSmallWidth = 790;
inline constexpr int kSmallHeight = 580;
inline constexpr int kLargeWidth = 1010;
inline constexpr int kLargeHeight = 750;

} // namespace qm
