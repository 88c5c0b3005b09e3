#pragma once
// TReportsPageModel: the rules of the Reports page (TS_Reports) without its widgets: the
// media drive chosen in cbMediaDriveRep, the reports of that drive newest first, the
// fields of the selected report, deleting one or all reports and printing one. Questions
// go through the main window's message function; the drive items and the media drive in
// force come from the drive poll; printing goes through an injected printer so tests
// print to a file.

#include "app/common/messagefn.h"
#include "app/drives/drivepoll.h"
#include "app/drives/mediadrivechoice.h"
#include "app/stores/activityrecord.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qm {

class TReportsPageModel {
  public:
    struct Actions {
        std::function<void(int page)> showWait; // the wait window on a page
        std::function<void()> hideWait;
        // Prints one report; returns an error text, empty when it printed.
        std::function<std::string(const TActivityRecord&)> print;
        std::function<bool()> pageVisible; // the Reports page is the page shown
    };

    TReportsPageModel(MessageFn message, Actions actions);

    std::function<void()> onChanged;

    // Drive captions "(E:\)" of the media drives; the drive chosen stays chosen.
    void setDriveItems(std::vector<std::string> items);
    // A drive poll tick: the items become the media drives and the choice the media drive
    // in force (else the last item). While the page shows, the list follows at once: the
    // reports of the drive now chosen, none when no media drive is left.
    void drivesChanged(const TDriveChange& change);
    const std::vector<std::string>& driveItems() const { return drives_.items(); }
    int driveIndex() const { return drives_.index(); }

    // Showing the page: the stored media drive, else the last item, then its reports.
    void TS_ReportsShow();
    void selectDrive(int index);
    // Reads the chosen drive's reports again (also after every deletion).
    void cbMediaDriveRepChange();

    const TActivityArray& reports() const { return reports_; }
    // Row texts: Process, Date, Time, Total Files, Status.
    static std::vector<std::string> rowTexts(const TActivityRecord& record);

    int selectedRow() const { return selected_; }
    void lv_ReportsChange(int row);
    // The values beside the captions of Memo_ReportCapt (two empty lines first).
    const std::vector<std::string>& memoLines() const { return memo_; }
    static const std::vector<std::string>& captionLines();

    void imr_DeleteClick();
    void imr_DelAllClick();
    void imr_PrintClick();

  private:
    void changed();

    MessageFn message_;
    Actions actions_;
    TMediaDriveChoice drives_;
    TActivityArray reports_;
    std::string listed_; // the drive whose reports are listed, "(E:\)"
    int selected_ = -1;
    std::vector<std::string> memo_;
};

} // namespace qm
