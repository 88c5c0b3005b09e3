#pragma once
// The texts and the sort rule shared by the two file lists (the Backup page's and the
// restore lists): sizes in rounded kilobytes or megabytes, dates in one of the list date
// formats, and the column-click rule with its header arrows.

#include "platform/datetime.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

enum class TDTFormat {
    df_MMddyyyy,
    df_MMddyy,
    df_ddMMyyyy,
    df_ddMMyy_GB,
    df_ddMMyy_DE,
    df_ddMMyy_IT,
    df_yyyyMMdd,
    df_yyMMdd,
    df_Customize, // the locale's short-date pattern, read when the format is set
};

// The date pattern of a format ("MM/dd/yyyy").
std::string datePattern(TDTFormat format);
// The time part of every list date.
inline constexpr const char* kListTimePattern = "hh:mm:ss ampm";

// At least "1 Kb"; kilobytes rounded half to even up to 1,048,576 bytes ("1024 Kb"),
// above that megabytes with two decimals and the locale's separator ("1.00 Mb").
std::string FileSizeText(int64_t size);
// `datePatternText` + " " + the list time pattern.
std::string FileTimeText(TDateTime value, const std::string& datePatternText);

// Reads a date-time value written as floating-point text with the locale's (or a dot)
// decimal separator; false when the text is not a number.
bool parseDateValue(std::string_view text, TDateTime& value);

// Which column the rows are sorted by and in which direction. A click on the sort
// column turns the order round; a click on another column sorts it descending.
struct TListSortState {
    int SortColumn = 0;
    bool Reversed = true;

    void columnClick(int column);
    // The header picture of a column: "Bmp_Up28" on the sort column when descending,
    // "Bmp_Down28" when ascending, none on the others.
    const char* arrow(int column) const;
    // Applies the direction to an ascending comparison result.
    int directed(int result) const { return Reversed ? -result : result; }
};

// Names compare upper-cased, byte by byte.
int compareNames(std::string_view a, std::string_view b);
// Dates compare by their difference in days times 100,000, rounded: values less than
// about 0.43 seconds apart are equal.
int compareDates(TDateTime a, TDateTime b);
int compareNumbers(int64_t a, int64_t b);

} // namespace qm
