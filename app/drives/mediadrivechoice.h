#pragma once
// TMediaDriveChoice: the media drives a page's drive box offers and the one chosen, for
// the Backup, Restore, Sync and Reports pages (no Qt). It follows the drive poll (the
// media drive in force is chosen), the stored media drive when a page shows, and the
// user's choice.

#include <string>
#include <vector>

namespace qm {

struct TDriveChange;

// A caption or drive root without the blanks around it.
std::string TrimmedCaption(const std::string& text);

class TMediaDriveChoice {
  public:
    // Captions "(E:\)" of the media drives.
    const std::vector<std::string>& items() const { return items_; }
    // The chosen item, -1 for none.
    int index() const { return index_; }
    // The chosen caption, "" when none is chosen.
    std::string text() const;

    // The drive poll's media drives; the media drive in force is chosen, else the last.
    void follow(const TDriveChange& change);
    // The media drives as they are now, with the stored media drive chosen, else the last.
    void readDrives();
    // The stored media drive is chosen, else the last.
    void chooseStored();
    // The user's choice; false when there is no such item.
    bool choose(int index);
    // New items; the caption chosen stays chosen, none when it is gone.
    void setItems(std::vector<std::string> items);

  private:
    std::vector<std::string> items_;
    int index_ = -1;
};

} // namespace qm
