#pragma once
// The activity record of one run (what ran, when, for how long, how many files and bytes,
// with what status and how many errors) and its 920-byte file format "Report.dat". The
// layout table below is the only place that knows the byte positions; SaveReport and
// LoadReports both go through SerializeActivityRecord / ParseActivityRecord.

#include "platform/datetime.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qm {

// Byte layout of Report.dat (little-endian; texts are one length byte and the text).
namespace ActivityRecordLayout {
inline constexpr std::size_t kActivityType = 0;
inline constexpr std::size_t kActivityTypeSize = 56;
inline constexpr std::size_t kStartTime = 56; // IEEE double
inline constexpr std::size_t kEndTime = 64;   // IEEE double
inline constexpr std::size_t kProcessTime = 72;
inline constexpr std::size_t kProcessTimeSize = 101;
inline constexpr std::size_t kFileCount = 176; // signed 32-bit, after 3 padding bytes
inline constexpr std::size_t kSizeText = 180;
inline constexpr std::size_t kSizeTextSize = 101;
inline constexpr std::size_t kStartDay = 284;       // signed 32-bit, after 3 padding bytes
inline constexpr std::size_t kStartTimeOfDay = 288; // IEEE double
inline constexpr std::size_t kStatus = 296;
inline constexpr std::size_t kStatusSize = 104;
inline constexpr std::size_t kErrors = 400; // signed 64-bit
inline constexpr std::size_t kReportFile = 408;
inline constexpr std::size_t kReportFileSize = 256;
inline constexpr std::size_t kReportFolder = 664;
inline constexpr std::size_t kReportFolderSize = 256;
inline constexpr std::size_t kRecordSize = kReportFolder + kReportFolderSize;

static_assert(kStartTime == kActivityType + kActivityTypeSize);
static_assert(kProcessTime == kEndTime + 8);
static_assert(kFileCount == kProcessTime + kProcessTimeSize + 3);
static_assert(kStartDay == kSizeText + kSizeTextSize + 3);
static_assert(kStatus == kStartTimeOfDay + 8);
static_assert(kErrors == kStatus + kStatusSize);
static_assert(kReportFile == kErrors + 8);
static_assert(kRecordSize == 920);
} // namespace ActivityRecordLayout

struct TActivityRecord {
    std::string ActivityType; // "Backup", "Restore", "Delete" or "Synchronize"
    TDateTime StartTime = 0;
    TDateTime EndTime = 0;
    std::string ProcessTime; // elapsed "hh:nn:ss"
    int32_t FileCount = 0;
    std::string SizeText; // SizeToStr of the bytes processed
    int32_t StartDay = 0;
    double StartTimeOfDay = 0;
    std::string Status; // "Complete" or "Interrupted by user"
    int64_t Errors = 0;
    // Filled when read from a report folder; never stored in the file.
    std::string ReportFile;
    std::string ReportFolder;

    double sortKey() const { return StartDay + StartTimeOfDay; }
};

using TActivityArray = std::vector<TActivityRecord>;
using ActivityRecordBytes = std::array<uint8_t, ActivityRecordLayout::kRecordSize>;

// Texts longer than their field are cut; padding, unused text bytes and the two path
// fields are written as zeros.
ActivityRecordBytes SerializeActivityRecord(const TActivityRecord& record);
// Any 920 bytes give a record: a length byte larger than its field is taken as the field's
// size, so a damaged file can never read past a field. The path fields are left empty.
TActivityRecord ParseActivityRecord(const ActivityRecordBytes& bytes);

// A record date as the windows and the printout show it: the locale's short date and
// long time, the time left out when it is exactly midnight.
std::string RecordDateText(TDateTime value);

// The seven shown fields of a record, in the order of the summary window, the Reports
// page and the printout: caption ("Activity Type", ...) and value.
struct TActivityRow {
    const char* caption;
    std::string value;
};
std::vector<TActivityRow> ActivityRows(const TActivityRecord& record);

// The elapsed time between two date-time values as "hh:nn:ss"; a day or more shows its
// hours in full ("26:00:05"); a negative span counts as zero.
std::string ElapsedText(TDateTime start, TDateTime end);

} // namespace qm
