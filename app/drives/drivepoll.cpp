#include "app/drives/drivepoll.h"

#include "app/drives/mediadrives.h"
#include "platform/drivetable.h"

#include <cstdio>
#include <exception>

namespace qm {

namespace {

bool ask(const std::function<bool()>& f) {
    return f && f();
}

} // namespace

TDrivePoll::TDrivePoll(Hooks hooks) : hooks_(std::move(hooks)) {}

void TDrivePoll::start() {
    started_ = true;
    firstTick_ = true;
    mediaDrives_ = GetDriveList();
}

void TDrivePoll::Tmr_DrivesTimer() {
    if (!started_)
        start();
    // Media mounted or unmounted since the last tick get or lose their letters.
    DriveTable::instance().refreshMedia();
    std::vector<std::string> all = ListPresentDrives();
    if (firstTick_)
        allDrives_ = all;
    const std::vector<std::string> plugged = ItemsMissingFrom(all, allDrives_);
    const std::vector<std::string> removed = ItemsMissingFrom(allDrives_, all);
    if (!plugged.empty() || !removed.empty())
        ClearNoMediaDrives();
    std::vector<std::string> media = GetMediaDriveCaptions();
    if (firstTick_) {
        // The start-up list holds every drive but C:; what is not a media drive now
        // did not go away.
        mediaDrives_ = ItemsMissingFrom(media, ItemsMissingFrom(media, mediaDrives_));
        firstTick_ = false;
    }
    const bool mediaMoved = !ItemsMissingFrom(media, mediaDrives_).empty() ||
                            !ItemsMissingFrom(mediaDrives_, media).empty();
    if ((!plugged.empty() || !removed.empty() || mediaMoved) && hooks_.saveSelections)
        hooks_.saveSelections();

    TDriveChange change;
    // Only the first new drive in drive order is asked about; one that is a media drive
    // already is handled with the media drives below.
    if (!plugged.empty() && !IsMediaDrive(RootOfCaption(plugged.front()))) {
        askAboutNewDrive(plugged.front());
        change.sourcesChanged = true;
        media = GetMediaDriveCaptions();
    }
    if (!removed.empty())
        change.sourcesChanged = true;
    change.reapplySelection = change.sourcesChanged;
    allDrives_ = all;

    const std::vector<std::string> newMedia = ItemsMissingFrom(media, mediaDrives_);
    change.mediaChanged = !newMedia.empty() || !ItemsMissingFrom(mediaDrives_, media).empty();
    if (change.mediaChanged)
        ClearNoMediaDrives();
    change.mediaAppeared = !newMedia.empty();
    if (change.mediaAppeared)
        SetMediaDriveSetting(newMedia.front());
    change.mediaCaptions = media;
    change.currentCaption = CurrentMediaCaption();
    publish(change);
    if (change.mediaAppeared && !ask(hooks_.windowInView) && !ask(hooks_.autoLaunchDisabled) &&
        hooks_.openWindow)
        hooks_.openWindow(ask(hooks_.autoOpenBackup));
    mediaDrives_ = std::move(media);
    if (hooks_.closeDuplicateInstance)
        hooks_.closeDuplicateInstance();
}

void TDrivePoll::askAboutNewDrive(const std::string& caption) {
    const std::string root = RootOfCaption(caption);
    if (root.empty() || ask(hooks_.autoLaunchDisabled) || !hooks_.message)
        return;
    const std::optional<DriveEntry> before = DriveTable::instance().find(root[0]);
    if (hooks_.message(kMsgYesNo, kNewDriveQuestion) != kResultYes)
        return;
    // The question may have been open for a while: the drive must still be the one
    // asked about, or the marker would land on whatever took its letter.
    DriveTable::instance().refreshMedia();
    const std::optional<DriveEntry> after = DriveTable::instance().find(root[0]);
    if (!before || !after || before->hostRoot != after->hostRoot || !DriveHasMedium(root)) {
        hooks_.message(kMsgOk, "The drive " + caption +
                                   " is no longer there. Plug it in again to use it as a "
                                   "Target Media Drive.");
        return;
    }
    if (!MakeMediaDrive(root))
        hooks_.message(kMsgOk, MakeMediaDriveFailedText(caption));
}

void TDrivePoll::drivesMoved() {
    if (hooks_.saveSelections)
        hooks_.saveSelections();
    TDriveChange change;
    change.sourcesChanged = true;
    change.mediaCaptions = GetMediaDriveCaptions();
    change.currentCaption = CurrentMediaCaption();
    publish(change);
}

int TDrivePoll::subscribe(Subscriber subscriber) {
    const int id = nextId_++;
    subscribers_.emplace_back(id, std::move(subscriber));
    return id;
}

void TDrivePoll::unsubscribe(int id) {
    std::erase_if(subscribers_, [id](const auto& entry) { return entry.first == id; });
}

void TDrivePoll::publish(const TDriveChange& change) {
    // A copy: a subscriber may unsubscribe while it is called.
    const std::vector<std::pair<int, Subscriber>> subscribers = subscribers_;
    for (const auto& [id, subscriber] : subscribers) {
        // A page refills its tree, a walk that can run out of memory; the tick runs from
        // a timer, which an exception must not leave. The next tick refills it.
        try {
            subscriber(change);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "Drive change: a page could not follow it: %s\n", e.what());
        }
    }
}

} // namespace qm
