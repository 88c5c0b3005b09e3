#pragma once
// TSettingsStore: typed access to the per-user settings declared in settingkeys.h. Each
// value is read on its own: a missing, wrongly typed or unreadable value gives its
// default, and a stored number is clamped to its range, so one bad value never spoils
// the others. Writes report failure so the caller can tell the user. Owns nothing; each
// call opens the registry afresh.

#include "app/settingkeys.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qm {

class TSettingsStore {
  public:
    // Writes the default of every value that is missing, each on its own.
    void checkSettings() const;

    // The stored number clamped to its range, or nothing when it is missing or unreadable.
    std::optional<uint32_t> stored(SettingId id) const;
    // The stored number clamped, or the default.
    uint32_t number(SettingId id) const;
    bool flag(SettingId id) const { return number(id) != 0; }

    bool setNumber(SettingId id, uint32_t value) const;
    bool setFlag(SettingId id, bool value) const { return setNumber(id, value ? 1 : 0); }

    // The current media drive: one upper-case letter, empty when none is stored.
    std::string mediaDrive() const;
    // Stores the drive letter of a caption "(X:\)" (its second character, upper-cased).
    bool setMediaDriveFromCaption(const std::string& caption) const;

    static uint32_t clamp(const SettingDef& def, uint32_t value);
};

} // namespace qm
