#include "app/stores/activityrecord.h"

#include "engine/littleendian.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qm {

namespace L = ActivityRecordLayout;

namespace {

void storeText(uint8_t* field, std::size_t fieldSize, const std::string& text) {
    const std::size_t length = std::min(text.size(), fieldSize - 1);
    field[0] = static_cast<uint8_t>(length);
    std::copy_n(text.begin(), length, field + 1);
}

std::string loadText(const uint8_t* field, std::size_t fieldSize) {
    const std::size_t length = std::min<std::size_t>(field[0], fieldSize - 1);
    return std::string(reinterpret_cast<const char*>(field + 1), length);
}

} // namespace

ActivityRecordBytes SerializeActivityRecord(const TActivityRecord& r) {
    ActivityRecordBytes bytes{};
    uint8_t* b = bytes.data();
    storeText(b + L::kActivityType, L::kActivityTypeSize, r.ActivityType);
    le::storeDouble(b + L::kStartTime, r.StartTime);
    le::storeDouble(b + L::kEndTime, r.EndTime);
    storeText(b + L::kProcessTime, L::kProcessTimeSize, r.ProcessTime);
    le::storeU32(b + L::kFileCount, static_cast<uint32_t>(r.FileCount));
    storeText(b + L::kSizeText, L::kSizeTextSize, r.SizeText);
    le::storeU32(b + L::kStartDay, static_cast<uint32_t>(r.StartDay));
    le::storeDouble(b + L::kStartTimeOfDay, r.StartTimeOfDay);
    storeText(b + L::kStatus, L::kStatusSize, r.Status);
    le::storeU64(b + L::kErrors, static_cast<uint64_t>(r.Errors));
    return bytes;
}

TActivityRecord ParseActivityRecord(const ActivityRecordBytes& bytes) {
    const uint8_t* b = bytes.data();
    TActivityRecord r;
    r.ActivityType = loadText(b + L::kActivityType, L::kActivityTypeSize);
    r.StartTime = le::loadDouble(b + L::kStartTime);
    r.EndTime = le::loadDouble(b + L::kEndTime);
    r.ProcessTime = loadText(b + L::kProcessTime, L::kProcessTimeSize);
    r.FileCount = static_cast<int32_t>(le::loadU32(b + L::kFileCount));
    r.SizeText = loadText(b + L::kSizeText, L::kSizeTextSize);
    r.StartDay = static_cast<int32_t>(le::loadU32(b + L::kStartDay));
    r.StartTimeOfDay = le::loadDouble(b + L::kStartTimeOfDay);
    r.Status = loadText(b + L::kStatus, L::kStatusSize);
    r.Errors = static_cast<int64_t>(le::loadU64(b + L::kErrors));
    return r;
}

std::string RecordDateText(TDateTime value) {
    const LocaleFormats formats = localeFormats();
    const DateTimeParts parts = decodeDateTime(value);
    std::string text = formatDateTimePattern(formats.shortDateFormat, value, formats);
    if (parts.hour != 0 || parts.minute != 0 || parts.second != 0 || parts.millisecond != 0)
        text += " " + formatDateTimePattern(formats.longTimeFormat, value, formats);
    return text;
}

std::vector<TActivityRow> ActivityRows(const TActivityRecord& r) {
    return {
        {"Activity Type", r.ActivityType},
        {"Activity Start Time", RecordDateText(r.StartTime)},
        {"Activity End Time", RecordDateText(r.EndTime)},
        {"Total Process Time", r.ProcessTime},
        {"Total Processed Files", std::to_string(r.FileCount)},
        {"Total Processed Size", r.SizeText},
        {"Errors", std::to_string(r.Errors)},
    };
}

std::string ElapsedText(TDateTime start, TDateTime end) {
    // Whole seconds since 30 December 1899, each time cut to its second as the start
    // and end times are shown, so 5:21:30.6 to 5:21:44.2 reads 14 seconds, as the two
    // times say (the value is first rounded to the millisecond it stands for).
    const auto wholeSeconds = [](TDateTime value) -> int64_t {
        if (!std::isfinite(value) || value <= 0 || value > 3e6)
            return 0;
        return std::llround(value * 86400000.0) / 1000;
    };
    const int64_t seconds =
        std::clamp<int64_t>(wholeSeconds(end) - wholeSeconds(start), 0, int64_t{1000000} * 86400);
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

} // namespace qm
