#include "app/pages/drives/drivespagemodel.h"

#include "app/drives/drivepoll.h"
#include "app/drives/mediadrives.h"
#include "platform/driveinfo.h"
#include "platform/sizetext.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace qm {

namespace {

int indexOfRoot(const std::vector<TDrivesPageModel::Item>& items, const std::string& root) {
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].root == root)
            return static_cast<int>(i);
    return items.empty() ? -1 : 0;
}

std::string rootAt(const std::vector<TDrivesPageModel::Item>& items, int index) {
    return index >= 0 && index < static_cast<int>(items.size()) ? items[size_t(index)].root
                                                                : std::string();
}

} // namespace

int TDrivesPageModel::Details::usedWidth(int fullWidth) const {
    if (totalBytes <= 0)
        return 0;
    const double freeShare = static_cast<double>(availableBytes) / static_cast<double>(totalBytes);
    const long used = fullWidth - std::lround(freeShare * fullWidth);
    return static_cast<int>(std::clamp<long>(used, 0, fullWidth));
}

TDrivesPageModel::TDrivesPageModel(TDrivePoll& poll, MessageFn message)
    : poll_(poll), message_(std::move(message)) {
    subscription_ = poll_.subscribe([this](const TDriveChange& change) {
        if (change.sourcesChanged || change.mediaChanged)
            FillDrivesInfo();
    });
}

TDrivesPageModel::~TDrivesPageModel() {
    poll_.unsubscribe(subscription_);
}

void TDrivesPageModel::changed() {
    if (onChanged)
        onChanged();
}

std::vector<TDrivesPageModel::Item>
TDrivesPageModel::itemsOf(const std::vector<std::string>& roots) {
    std::vector<Item> items;
    for (const std::string& root : roots)
        items.push_back({root, driveDisplayName(queryDrive(root[0]))});
    return items;
}

TDrivesPageModel::Details TDrivesPageModel::detailsOf(const std::string& root) {
    Details details;
    if (root.empty())
        return details;
    const DriveInfo drive = queryDrive(root[0]);
    if (!drive.mediumPresent)
        return details;
    details.totalBytes = drive.totalBytes;
    details.availableBytes = drive.freeBytes;
    details.total = SizeToStr(drive.totalBytes);
    details.available = SizeToStr(drive.freeBytes);
    details.fileSystem = drive.fileSystem;
    for (char& c : details.fileSystem)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return details;
}

void TDrivesPageModel::FillDrivesInfo() {
    const std::string sourceRoot = rootAt(sources_, sourceIndex_);
    const std::string mediaRoot = rootAt(media_, mediaIndex_);
    sources_ = itemsOf(GetHardDrives());
    media_ = itemsOf(GetMediaDrives());
    mediaIndex_ = indexOfRoot(media_, mediaRoot);
    mediaDetails_ = detailsOf(rootAt(media_, mediaIndex_));
    sourceIndex_ = indexOfRoot(sources_, sourceRoot);
    sourceDetails_ = detailsOf(rootAt(sources_, sourceIndex_));
    changed();
}

void TDrivesPageModel::lv_DM_SourceChange(int index) {
    sourceIndex_ = index >= 0 && index < static_cast<int>(sources_.size()) ? index : -1;
    // A drive that cannot be read shows no details rather than another drive's.
    sourceDetails_ = detailsOf(rootAt(sources_, sourceIndex_));
    mediaDetails_ = detailsOf(rootAt(media_, mediaIndex_));
    changed();
}

void TDrivesPageModel::lv_DM_MediaChange(int index) {
    mediaIndex_ = index >= 0 && index < static_cast<int>(media_.size()) ? index : -1;
    mediaDetails_ = detailsOf(rootAt(media_, mediaIndex_));
    changed();
}

void TDrivesPageModel::imr_drives_rClick() {
    const std::string root = rootAt(sources_, sourceIndex_);
    if (root.empty())
        return;
    if (sources_.size() < 2) {
        message_(kMsgOk, kLastSourceDrive);
        return;
    }
    const bool moved = MakeMediaDrive(root);
    if (!moved)
        message_(kMsgOk, MakeMediaDriveFailedText(DriveCaption(root)));
    poll_.drivesMoved();
    if (moved)
        lv_DM_MediaChange(indexOfRoot(media_, root));
}

void TDrivesPageModel::imr_Drives_lClick() {
    mediaDetails_ = {};
    changed();
    const std::string root = rootAt(media_, mediaIndex_);
    if (root.empty())
        return;
    const bool moved = UnmakeMediaDrive(root);
    if (!moved)
        message_(kMsgOk, UnmakeMediaDriveFailedText(DriveCaption(root)));
    poll_.drivesMoved();
    if (moved)
        lv_DM_SourceChange(indexOfRoot(sources_, root));
}

} // namespace qm
