#pragma once
// The media-drive combo boxes of the Backup, Restore, Sync and Reports pages follow the
// drive poll through refillDriveCombo: each page subscribes to TDrivePoll and calls it
// with the change it is given.

class QComboBox;

namespace qm {

struct TDriveChange;

// The combo's items become the media captions and its selection the current media
// drive (else the last item; none for an empty list), without firing its change
// signals. A combo whose list is dropped down is left alone, and one that already shows
// the same is not touched.
void refillDriveCombo(QComboBox& combo, const TDriveChange& change);

} // namespace qm
