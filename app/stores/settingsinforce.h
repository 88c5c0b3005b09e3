#pragma once
// TSettingsInForce: the settings the program runs with. Runs, pages and timers read these
// values, not the registry; the Settings page changes them by its widget rules
// (TSettingsPageModel) and Apply, the apply-changes question or a tray tick writes them.
// Load reads every value and both exception lists in one read of the hive, Save writes
// them in one write. Knows no widget and asks no question.

#include "app/stores/exceptionlists.h"
#include "app/stores/settingsstore.h"

#include <optional>
#include <string>

namespace qm {

// The values themselves, with the defaults of a first start (the Default button).
struct TSettingValues {
    int winSizeIndex = 0;    // 0 the small window, 1 the large one
    int compressionType = 0; // 0 none, 2 one archive per file (a stored 1 reads as 2)
    int level = 1;           // 1 to 9
    bool encryption = false;
    int keySizeIndex = 0; // 128, 192 or 256 bits
    int restoring = 0;    // 1: "Replace only old files"
    bool log = true;
    bool revision = false;
    int revisions = 0; // versions kept while `revision` is ticked
    bool reminder = false;
    int reminderDays = 0;
    bool exeptList = false; // "Use Exception List"
    bool saveSelection = true;
    bool autoStart = true;
    bool autoLaunch = false;
    bool updater = true;
};

class TSettingsInForce {
  public:
    struct WindowSize {
        int width = kSmallWidth;
        int height = kSmallHeight;
        const char* outline = "REGION1"; // nullptr: leave the outline as it is
    };

    static constexpr int kMaxRevisions = 20;
    static constexpr int kMaxReminderDays = 31;

    // Stored values in, each on its own with its default, and both exception lists.
    void Load();
    // Values into the store, a missing value's default first: one read and at most one
    // write. `windowSize`: Width and Height too. False when the hive was not written.
    bool Save(bool windowSize);
    // Whether a value differs from the stored one.
    bool DiffersFromStored() const;
    // The defaults of a first start; the exception lists stay.
    void SetDefaults() { values_ = TSettingValues{}; }
    // Width and Height as stored; the window size switch follows a known height.
    WindowSize LoadWindowSize();

    // The compression type a choice or a stored value stands for: the single-archive
    // choice is hidden, so 1 is 2; nothing for a type that does not exist.
    static std::optional<int> ShownCompressionType(int type);
    static int ClampedRevisions(int value);
    static int ClampedReminderDays(int value);

    // The Settings page's model changes them here.
    TSettingValues& values() { return values_; }
    const TSettingValues& values() const { return values_; }
    TExceptionLines& fileExceptions() { return fileExceptions_; }
    TExceptionLines& extExceptions() { return extExceptions_; }
    const TExceptionLines& fileExceptions() const { return fileExceptions_; }
    const TExceptionLines& extExceptions() const { return extExceptions_; }

    int winSizeIndex() const { return values_.winSizeIndex; }
    int compressionType() const { return values_.compressionType; }
    int level() const { return values_.level; }
    bool encryption() const { return values_.encryption; }
    int keySizeIndex() const { return values_.keySizeIndex; }
    int keySizeBits() const { return 128 + 64 * values_.keySizeIndex; }
    int restoring() const { return values_.restoring; }
    bool replaceOnlyOld() const { return values_.restoring == 1; }
    bool log() const { return values_.log; }
    bool revision() const { return values_.revision; }
    int revisions() const { return values_.revisions; }
    // The versions a backup keeps: none while the tick is off.
    int revisionsKept() const { return values_.revision ? values_.revisions : 0; }
    bool reminder() const { return values_.reminder; }
    int reminderDays() const { return values_.reminderDays; }
    bool exeptList() const { return values_.exeptList; }
    bool saveSelection() const { return values_.saveSelection; }
    bool autoStart() const { return values_.autoStart; }
    bool autoLaunch() const { return values_.autoLaunch; }
    bool updater() const { return values_.updater; }

    // Whether a backup leaves out the file `name`: the lists are in use and one of them
    // names it.
    bool excludes(const std::string& name) const;

  private:
    uint32_t encryptionValue() const { return values_.encryption ? values_.keySizeIndex + 1 : 0; }

    TSettingsStore store_;
    TSettingValues values_;
    TExceptionLines fileExceptions_;
    TExceptionLines extExceptions_;
};

} // namespace qm
