#include "app/runs/jobrunnermodel.h"

#include "engine/enginestate.h"
#include "platform/sizetext.h"

#include <algorithm>
#include <cmath>

namespace qm {

const char* const TJobRunnerModel::kCancelQuestion =
    "Canceling now will corrupt your data. Are you sure you want to proceed with cancel?";

TJobRunnerModel::TJobRunnerModel(int operation, MessageFn message)
    : operation_(operation), message_(std::move(message)) {
    Engine().CancelFlag = false;
}

int TJobRunnerModel::barWidth(double fraction) {
    if (!std::isfinite(fraction) || fraction <= 0)
        return 0;
    return static_cast<int>(std::nearbyint(kBarFull * std::min(fraction, 1.0)));
}

void TJobRunnerModel::changed() {
    if (hooks_.changed)
        hooks_.changed();
}

void TJobRunnerModel::processMessages() {
    if (hooks_.processMessages)
        hooks_.processMessages();
}

void TJobRunnerModel::setOperationText(std::string text) {
    texts_.operation = std::move(text);
    changed();
}

void TJobRunnerModel::hideSizes() {
    sizesShown_ = false;
    changed();
}

void TJobRunnerModel::showDoneImage() {
    doneImageShown_ = true;
    changed();
}

void TJobRunnerModel::showCanceled() {
    texts_.operation = "Canceled by user";
    buttonsShown_ = false;
    changed();
}

void TJobRunnerModel::setTotals(int64_t count, int64_t size) {
    TotalCount = count;
    TotalSize = size;
    texts_.totalCount = std::to_string(count);
    texts_.totalSize = SizeToStr(size);
    changed();
}

void TJobRunnerModel::setRemaining(int64_t count, int64_t size) {
    texts_.remainingCount = std::to_string(count);
    texts_.remainingSize = SizeToStr(size);
    changed();
}

void TJobRunnerModel::setRemainingCount(int64_t count) {
    texts_.remainingCount = std::to_string(count);
    changed();
}

void TJobRunnerModel::ZeroSettings() {
    TotalSize = NewSize = TotalCount = NewCount = FinishedCount = 0;
    texts_.totalSize = "0 Kb";
    texts_.totalCount = "0";
    bar1_ = bar2_ = 0;
    Engine().ErrorCount = 0;
    changed();
}

void TJobRunnerModel::showDone(int32_t files, int64_t bytes) {
    FinishedCount = files;
    texts_.remainingCount = std::to_string(TotalCount - files);
    texts_.finishedCount = std::to_string(files);
    showProgressSize(texts_.finishedSize, bytes);
    showProgressSize(texts_.remainingSize, TotalSize - bytes);
}

void TJobRunnerModel::showProgressSize(std::string& label, int64_t bytes) {
    // A count of one kilobyte or less leaves the label as it was.
    if (bytes > 1024)
        label = SizeToStr(bytes);
}

void TJobRunnerModel::FileProgress(int32_t FilesDone, bool ListMode, int64_t FileSize,
                                   int64_t FileBytesDone, int64_t BytesDone) {
    if (ListMode) {
        texts_.operation = "List of files saving...";
        bar1_ = barWidth(TotalCount > 0 ? static_cast<double>(FilesDone) / TotalCount : 0);
        changed();
        processMessages();
        return;
    }
    if (BytesDone < 0) {
        FinishedCount = TotalCount;
        texts_.remainingCount = "0";
        texts_.finishedCount = std::to_string(TotalCount);
        texts_.remainingSize = "0 Kb";
        texts_.finishedSize = SizeToStr(TotalSize);
        bar2_ = kBarFull;
        changed();
        return;
    }
    showDone(FilesDone, BytesDone);
    if (FileSize == 0)
        FileSize = 1;
    if (TotalSize == 0)
        TotalSize = 1;
    bar1_ = barWidth(static_cast<double>(FileBytesDone) / FileSize);
    if (BytesDone > TotalSize)
        TotalSize = BytesDone;
    bar2_ = barWidth(static_cast<double>(BytesDone) / TotalSize);
    changed();
    processMessages();
}

void TJobRunnerModel::DeleteProgress(int32_t FilesDone, bool, int64_t FileSize,
                                     int64_t FileBytesDone, int64_t BytesDone) {
    texts_.operation = "Deleting selected files...";
    showDone(FilesDone, BytesDone);
    if (FileSize == 0)
        FileSize = 1;
    bar1_ = barWidth(static_cast<double>(FileBytesDone) / FileSize);
    if (TotalCount == 0)
        TotalCount = 1;
    if (BytesDone > TotalSize)
        TotalSize = BytesDone;
    bar2_ = barWidth(static_cast<double>(FilesDone) / TotalCount);
    changed();
    processMessages();
}

void TJobRunnerModel::StampCheckProgress(int64_t Count, int64_t Index) {
    if (Count == 0)
        Count = 1;
    bar1_ = barWidth(static_cast<double>(Index) / Count);
    changed();
    processMessages();
}

void TJobRunnerModel::Imr_CancelClick() {
    if (!CancelWithoutAsking && message_(kMsgYesNo, kCancelQuestion) != kResultYes)
        return;
    StopAll();
}

void TJobRunnerModel::StopAll() {
    CancelRequested = true;
    Engine().CancelFlag = true;
    if (stopJob_)
        stopJob_();
    if (hooks_.close)
        hooks_.close();
}

} // namespace qm
