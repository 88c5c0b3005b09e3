#include "app/pages/reports/reportspagemodel.h"

#include "app/drives/mediadrives.h"
#include "app/stores/reportstore.h"
#include "app/stores/settingsstore.h"

#include <cmath>

namespace qm {

namespace {

const char* const kDeleteAllQuestion = "Are you sure you want to delete all reports?";
constexpr int kWaitReportsPage = 1;

template <typename F, typename... Args> void call(const F& f, Args&&... args) {
    if (f)
        f(std::forward<Args>(args)...);
}

} // namespace

TReportsPageModel::TReportsPageModel(MessageFn message, Actions actions)
    : message_(std::move(message)), actions_(std::move(actions)) {}

void TReportsPageModel::changed() {
    if (onChanged)
        onChanged();
}

void TReportsPageModel::setDriveItems(std::vector<std::string> items) {
    drives_.setItems(std::move(items));
    changed();
}

void TReportsPageModel::drivesChanged(const TDriveChange& change) {
    drives_.follow(change);
    const std::string shown = TrimmedCaption(drives_.text());
    if (!actions_.pageVisible || !actions_.pageVisible() || shown == listed_) {
        changed();
        return;
    }
    if (!shown.empty()) {
        cbMediaDriveRepChange();
        return;
    }
    // No media drive is left: no drive's reports stand under an empty choice.
    reports_.clear();
    listed_.clear();
    selected_ = -1;
    memo_.clear();
    changed();
}

void TReportsPageModel::TS_ReportsShow() {
    drives_.chooseStored();
    cbMediaDriveRepChange();
}

void TReportsPageModel::selectDrive(int index) {
    if (drives_.choose(index))
        cbMediaDriveRepChange();
}

void TReportsPageModel::cbMediaDriveRepChange() {
    const std::string text = TrimmedCaption(drives_.text());
    if (text.empty())
        return;
    call(actions_.showWait, kWaitReportsPage);
    if (text.size() > 2)
        TSettingsStore().setMediaDriveFromCaption(text);
    reports_.clear();
    selected_ = -1;
    memo_.clear();
    listed_ = text;
    LoadReports(reports_, std::string(1, text[1]) + ":\\");
    call(actions_.hideWait);
    changed();
}

std::vector<std::string> TReportsPageModel::rowTexts(const TActivityRecord& r) {
    const LocaleFormats formats = localeFormats();
    const double time = std::isfinite(r.StartTime) ? r.StartTime - std::floor(r.StartTime) : 0;
    return {r.ActivityType, formatDateTimePattern(formats.shortDateFormat, r.StartDay, formats),
            formatDateTimePattern(formats.longTimeFormat, time, formats),
            std::to_string(r.FileCount), r.Status};
}

const std::vector<std::string>& TReportsPageModel::captionLines() {
    static const std::vector<std::string> lines = [] {
        std::vector<std::string> l = {"Report for selected Process", ""};
        for (const TActivityRow& row : ActivityRows({}))
            l.push_back(row.caption);
        return l;
    }();
    return lines;
}

void TReportsPageModel::lv_ReportsChange(int row) {
    memo_.clear();
    selected_ = row >= 0 && row < static_cast<int>(reports_.size()) ? row : -1;
    if (selected_ >= 0) {
        memo_ = {"", ""};
        for (const TActivityRow& r : ActivityRows(reports_[static_cast<std::size_t>(selected_)]))
            memo_.push_back(r.value);
    }
    changed();
}

void TReportsPageModel::imr_DeleteClick() {
    if (selected_ < 0)
        return;
    const std::string folder = reports_[static_cast<std::size_t>(selected_)].ReportFolder;
    if (!folder.empty())
        DeleteReportFolder(folder);
    cbMediaDriveRepChange();
}

void TReportsPageModel::imr_DelAllClick() {
    if (message_(kMsgYesNo, kDeleteAllQuestion) != kResultYes)
        return;
    for (const TActivityRecord& r : reports_)
        if (!r.ReportFolder.empty())
            DeleteReportFolder(r.ReportFolder);
    cbMediaDriveRepChange();
}

void TReportsPageModel::imr_PrintClick() {
    if (selected_ < 0 || !actions_.print)
        return;
    const std::string error = actions_.print(reports_[static_cast<std::size_t>(selected_)]);
    if (!error.empty())
        message_(kMsgOk, error);
}

} // namespace qm
