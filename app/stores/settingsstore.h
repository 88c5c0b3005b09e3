#pragma once
// TSettingsStore: typed access to the per-user settings declared in settingkeys.h. Each
// value is read on its own: a missing, wrongly typed or unreadable value gives its
// default, and a stored number is clamped to its range, so one bad value never spoils
// the others. Writes report failure so the caller can tell the user. Each call opens the
// registry afresh, unless a Batch is open: then the store owns one registry object that
// read the hive once and keeps its writes until the batch commits.

#include "platform/settingkeys.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class Registry;

class TSettingsStore {
  public:
    TSettingsStore();
    ~TSettingsStore();

    // While a Batch lives, every call of its store reads from one read of the hive and
    // every write is kept; commit() writes them all at once (one write, or none when
    // nothing changed). What is not committed is dropped. A Batch made while another is
    // open joins it: the outer one reads, commits or drops.
    class Batch {
      public:
        explicit Batch(const TSettingsStore& store);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        // False when the write failed; the kept writes are gone either way.
        bool commit();

      private:
        const TSettingsStore& store_;
        bool outer_ = false;
    };

    // Writes the default of every value that is missing, each on its own.
    void checkSettings() const;

    // The stored number clamped to its range, or nothing when it is missing or unreadable.
    std::optional<uint32_t> stored(SettingId id) const;
    // The stored number clamped, or the default.
    uint32_t number(SettingId id) const;
    bool flag(SettingId id) const { return number(id) != 0; }

    bool setNumber(SettingId id, uint32_t value) const;
    bool setFlag(SettingId id, bool value) const { return setNumber(id, value ? 1 : 0); }

    // The value names of a key below the settings key ("Exceptions\Files"), in stored
    // order; empty when the key is missing or unreadable. Reads only.
    std::vector<std::string> valueNames(std::string_view subKey) const;

    // The current media drive: one upper-case letter, empty when none is stored.
    std::string mediaDrive() const;
    // Stores the drive letter of a caption "(X:\)" (its second character, upper-cased).
    bool setMediaDriveFromCaption(const std::string& caption) const;

    static uint32_t clamp(const SettingDef& def, uint32_t value);

  private:
    // The batch's registry, or a new one, with the settings key open (created for a
    // write); nothing when the key cannot be opened.
    Registry* settingsKey(std::unique_ptr<Registry>& own, bool forWriting) const;

    mutable std::unique_ptr<Registry> batch_;
};

} // namespace qm
