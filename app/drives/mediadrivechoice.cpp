#include "app/drives/mediadrivechoice.h"

#include "app/drives/drivepoll.h"
#include "app/drives/mediadrives.h"

#include <algorithm>

namespace qm {

std::string TrimmedCaption(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::string TMediaDriveChoice::text() const {
    if (index_ < 0 || index_ >= static_cast<int>(items_.size()))
        return {};
    return items_[static_cast<std::size_t>(index_)];
}

void TMediaDriveChoice::follow(const TDriveChange& change) {
    items_ = change.mediaCaptions;
    index_ = DriveComboIndex(items_, change.currentCaption);
}

void TMediaDriveChoice::readDrives() {
    items_ = GetMediaDriveCaptions();
    chooseStored();
}

void TMediaDriveChoice::chooseStored() {
    index_ = DriveComboIndex(items_, CurrentMediaCaption());
}

bool TMediaDriveChoice::choose(int index) {
    if (index < 0 || index >= static_cast<int>(items_.size()))
        return false;
    index_ = index;
    return true;
}

void TMediaDriveChoice::setItems(std::vector<std::string> items) {
    const std::string current = text();
    items_ = std::move(items);
    const auto at = std::find(items_.begin(), items_.end(), current);
    index_ = at == items_.end() ? -1 : static_cast<int>(at - items_.begin());
}

} // namespace qm
