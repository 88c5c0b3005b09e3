#pragma once
// Printing one activity report on one page: a rule at the top with "Quillmoor Backup" at
// its left and "Activity Summary Report" at its right standing on it, then the seven
// fields, all placed in fractions of the page so the printout looks the same on every
// printer. Qt's print support does the work; nothing is owned.

#include "app/stores/activityrecord.h"

#include <string>

class QPrinter;

namespace qm {

// Prints `record` on `printer`; returns an error text, empty when the page was printed.
std::string PrintActivity(const TActivityRecord& record, QPrinter& printer);

// Prints on the desktop's default printer; says so when there is none.
std::string PrintActivityOnDefaultPrinter(const TActivityRecord& record);

} // namespace qm
