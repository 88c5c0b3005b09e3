#include "app/trees/filelisttexts.h"

#include "platform/dospath.h"

#include <charconv>
#include <cmath>

namespace qm {

std::string datePattern(TDTFormat format) {
    switch (format) {
    case TDTFormat::df_MMddyyyy:
        return "MM/dd/yyyy";
    case TDTFormat::df_MMddyy:
        return "MM/dd/yy";
    case TDTFormat::df_ddMMyyyy:
        return "dd/MM/yyyy";
    case TDTFormat::df_ddMMyy_GB:
        return "dd/MM/yy";
    case TDTFormat::df_ddMMyy_DE:
        return "dd.MM.yy";
    case TDTFormat::df_ddMMyy_IT:
        return "dd-MM-yy";
    case TDTFormat::df_yyyyMMdd:
        return "yyyy-MM-dd";
    case TDTFormat::df_yyMMdd:
        return "yy-MM-dd";
    case TDTFormat::df_Customize:
        break;
    }
    return localeFormats().shortDateFormat;
}

std::string FileSizeText(int64_t size) {
    constexpr int64_t kKilo = 1024;
    constexpr int64_t kMega = 1048576;
    if (size > kMega)
        return floatToStrFixed(static_cast<double>(size) / kMega, 2) + " Mb";
    if (size < kKilo)
        size = kKilo;
    int64_t kb = size / kKilo;
    const int64_t rest = size % kKilo;
    if (rest > kKilo / 2 || (rest == kKilo / 2 && kb % 2 == 1))
        ++kb;
    return std::to_string(kb) + " Kb";
}

std::string FileTimeText(TDateTime value, const std::string& datePatternText) {
    return formatDateTimePattern(datePatternText + " " + kListTimePattern, value, localeFormats());
}

bool parseDateValue(std::string_view text, TDateTime& value) {
    std::string plain(text);
    const char separator = localeFormats().decimalSeparator;
    for (char& c : plain)
        if (c == separator)
            c = '.';
    const char* end = plain.data() + plain.size();
    auto [ptr, ec] = std::from_chars(plain.data(), end, value);
    return ec == std::errc() && ptr == end && std::isfinite(value);
}

void TListSortState::columnClick(int column) {
    if (column == SortColumn) {
        Reversed = !Reversed;
        return;
    }
    SortColumn = column;
    Reversed = true;
}

const char* TListSortState::arrow(int column) const {
    if (column != SortColumn)
        return "";
    return Reversed ? "Bmp_Up28" : "Bmp_Down28";
}

int compareNames(std::string_view a, std::string_view b) {
    const int c = upperCaseDos(a).compare(upperCaseDos(b));
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int compareDates(TDateTime a, TDateTime b) {
    const double scaled = std::round((a - b) * 100000.0);
    return scaled < 0 ? -1 : scaled > 0 ? 1 : 0;
}

int compareNumbers(int64_t a, int64_t b) {
    return a < b ? -1 : a > b ? 1 : 0;
}

} // namespace qm
