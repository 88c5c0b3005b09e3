#pragma once
// The versions of each file to restore, as collected from the media: per file its
// source path, how many versions exist and the date of each. The caller owns the list
// and hands the same list to the collection and to the revision restore.

#include "platform/datetime.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qm {

inline constexpr int kMaxRevisionDates = 20;

struct TRevisionLst {
    std::string Path;
    int32_t Count = 0; // 0 to 20
    // Dates[k] is the date of version k (0 = base copy); entries from Count on are 0.
    // The revision window and the revision restore use Dates[0] as the chosen date.
    std::array<TDateTime, kMaxRevisionDates> Dates{};
};

// Element i belongs to line i of the job's SourceFiles.
using TRevisionFileList = std::vector<TRevisionLst>;

} // namespace qm
