#pragma once
// The size text of progress displays, reports and the Drives page: "1 Kb" at least,
// whole kilobytes up to 1 MiB, then megabytes or gigabytes with two decimals.

#include <cstdint>
#include <string>

namespace qm {

// Uses the locale's decimal separator (platform/datetime.h).
std::string SizeToStr(int64_t size);
std::string SizeToStr(int64_t size, char decimalSeparator);

} // namespace qm
