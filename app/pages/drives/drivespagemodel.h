#pragma once
// TDrivesPageModel: the rules of the Drives page (TS_Drives) without its widgets: the
// source and media lists, the details of the selected drive of each (total and
// available space, file system, usage bar) and the moves between the lists, which write
// or delete the drive's media marker. It refills itself whenever the drive poll reports
// changed drives, and reports its own moves to the poll so the selection tree and the
// drive combos follow. It borrows the poll; the main window owns both.

#include "app/common/messagefn.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qm {

class TDrivePoll;

class TDrivesPageModel {
  public:
    static constexpr const char* kLastSourceDrive =
        "There must be at least one Source Drive in the left pane.";

    struct Item {
        std::string root;    // "E:\"
        std::string caption; // the display name, "MY STICK (E:)"
    };
    struct Details {
        std::string total;      // "Total Space:" value, empty when nothing is shown
        std::string available;  // "Available Space:" value
        std::string fileSystem; // "File System:" value, upper case
        int64_t totalBytes = 0;
        int64_t availableBytes = 0;
        // The used part of a usage bar `fullWidth` pixels wide: the full width less the
        // available share, rounded; 0 for a drive without a size.
        int usedWidth(int fullWidth) const;
    };

    TDrivesPageModel(TDrivePoll& poll, MessageFn message);
    ~TDrivesPageModel();
    TDrivesPageModel(const TDrivesPageModel&) = delete;
    TDrivesPageModel& operator=(const TDrivesPageModel&) = delete;

    std::function<void()> onChanged;

    // Refills both lists (source drives, media drives); a drive that stays listed keeps
    // its selection, otherwise the first item is selected and its details shown.
    void FillDrivesInfo();
    const std::vector<Item>& sources() const { return sources_; }
    const std::vector<Item>& media() const { return media_; }
    int sourceIndex() const { return sourceIndex_; }
    int mediaIndex() const { return mediaIndex_; }
    const Details& sourceDetails() const { return sourceDetails_; }
    const Details& mediaDetails() const { return mediaDetails_; }

    // A list's selection changed (-1: none).
    void lv_DM_SourceChange(int index);
    void lv_DM_MediaChange(int index);
    // The selected source drive becomes a media drive, and back.
    void imr_drives_rClick();
    void imr_Drives_lClick();

  private:
    void changed();
    static Details detailsOf(const std::string& root);
    static std::vector<Item> itemsOf(const std::vector<std::string>& roots);

    TDrivePoll& poll_;
    MessageFn message_;
    int subscription_ = 0;
    std::vector<Item> sources_;
    std::vector<Item> media_;
    int sourceIndex_ = -1;
    int mediaIndex_ = -1;
    Details sourceDetails_;
    Details mediaDetails_;
};

} // namespace qm
