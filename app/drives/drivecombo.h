#pragma once
// The media-drive boxes of the Backup, Restore, Sync and Reports pages: each page's
// model follows the drive poll and holds the drive items and the chosen one; the page
// shows them with showDriveItems. makeDriveRow builds the top row the Backup, Restore
// and Sync pages share.

#include <string>
#include <vector>

class QComboBox;
class QWidget;

namespace qm {

class TImageRegion;

// The combo's items become `items` and its selection `index` (none for -1), without
// firing its change signals. A combo whose list is dropped down is left alone, and one
// that already shows the same is not touched.
void showDriveItems(QComboBox& combo, const std::vector<std::string>& items, int index);

// A click on the drop-down button opens the combo's list (unless it is open).
void dropDownOpens(TImageRegion* button, QComboBox* combo);

// The names and texts of a page's top row.
struct TDriveRowNames {
    const char* captionName; // the caption at the left, over the tree; null for none
    const char* captionText;
    const char* driveLabelName; // the caption over the box
    const char* driveLabelText;
    const char* comboName;
    const char* dropName; // the drop-down button beside the box
};

// The top row of a page: the caption at the left bottom, and at the right the caption
// over the media-drive box and its drop-down button. `combo` receives the box.
QWidget* makeDriveRow(QWidget* page, const TDriveRowNames& names, QComboBox*& combo);

} // namespace qm
