#pragma once
// TDrivePoll: the main window's drive poll, one tick every 2 seconds. It notices drives
// plugged in or pulled out (comparing the sets of drives, not their counts, so a removal
// and a plug-in between two ticks are both seen), asks whether a new drive is to become
// a media drive, makes a newly plugged media drive the current one and opens the window
// for it, and tells its subscribers what changed. The pages that show media drives
// (Backup, Restore, Sync, Reports combos; the Drives page; the selection tree)
// subscribe and refill themselves from the TDriveChange they are given.
//
// No Qt. The owner (TMainWindowModel) runs Tmr_DrivesTimer under its busy guard, so a
// tick never runs inside a job run or a modal loop; it is deferred until they end. The
// hooks are the owner's; they may be empty.

#include "app/common/messagefn.h"

#include <functional>
#include <string>
#include <vector>

namespace qm {

// What a tick (or a move on the Drives page) changed, handed to every subscriber.
struct TDriveChange {
    // Source drives came, went or were moved: the selection tree rebuilds its drive
    // nodes and the Drives page refills its lists.
    bool sourcesChanged = false;
    // The set of media drives changed: the Drives page refills its lists.
    bool mediaChanged = false;
    // A media drive was plugged in or a drive was made one in this tick; it is now the
    // current media drive. The Backup page runs its on-show handling.
    bool mediaAppeared = false;
    // Drives came or went: the Backup page re-applies the current drive's selection.
    bool reapplySelection = false;
    // Every tick: the media drives as captions "(E:\)" in drive order, and the current
    // media drive's caption ("(:\)" when none is stored). Drive combos show the captions
    // and select DriveComboIndex(mediaCaptions, currentCaption).
    std::vector<std::string> mediaCaptions;
    std::string currentCaption;

    bool anyDriveChange() const {
        return sourcesChanged || mediaChanged || mediaAppeared || reapplySelection;
    }
};

class TDrivePoll {
  public:
    static constexpr const char* kNewDriveQuestion =
        "Would you like to use this drive as a Target Media Drive for your backup?";

    struct Hooks {
        MessageFn message;                               // the new-drive question, failures
        std::function<bool()> autoLaunchDisabled;        // tray "Disable Auto-Launch" ticked
        std::function<bool()> autoOpenBackup;            // tray "Auto-Open Backup Window" ticked
        std::function<bool()> windowInView;              // the user is looking at the window
        std::function<void(bool backupPage)> openWindow; // tray Backup / Launch Quillmoor
        // Called before anything reloads the selection tree or changes the current
        // media drive, so ticks the user has not saved are kept.
        std::function<void()> saveSelections;
        std::function<void()> closeDuplicateInstance; // end of every tick
    };
    using Subscriber = std::function<void(const TDriveChange&)>;

    explicit TDrivePoll(Hooks hooks);

    // The drives present at start-up: media drives already plugged in then are not
    // taken for new ones at the first tick.
    void start();
    void Tmr_DrivesTimer();
    // The Drives page moved a drive between its lists: subscribers refill at once.
    void drivesMoved();

    // Subscribers run in the order they subscribed; the id unsubscribes.
    int subscribe(Subscriber subscriber);
    void unsubscribe(int id);

  private:
    void askAboutNewDrive(const std::string& caption);
    void publish(const TDriveChange& change);

    Hooks hooks_;
    bool started_ = false;
    bool firstTick_ = true;
    std::vector<std::string> allDrives_;   // AllDriveList: drives present at the last tick
    std::vector<std::string> mediaDrives_; // MediaDriveList: media drives at the last tick
    std::vector<std::pair<int, Subscriber>> subscribers_;
    int nextId_ = 1;
};

} // namespace qm
