#include "platform/sizetext.h"

#include "platform/datetime.h"

namespace qm {

namespace {

constexpr int64_t kKilo = 1024;
constexpr int64_t kMega = 1048576;
constexpr int64_t kGiga = 1073741824;

// size / unit rounded to `decimals` decimals (0 or 2), as a scaled integer.
// Exact integer arithmetic, so a tie is a true tie: ties go to the even neighbour,
// for the whole kilobytes and for the two decimals alike ("1.125 Mb" -> "1.12 Mb",
// "1.375 Mb" -> "1.38 Mb"), so one rule governs the whole text.
int64_t roundedScaled(int64_t size, int64_t unit, int decimals) {
    const int64_t scale = decimals == 0 ? 1 : 100;
    const int64_t whole = size / unit;
    const int64_t rest = size % unit * scale; // < 100 * 2^30: no overflow
    int64_t scaled = whole * scale + rest / unit;
    const int64_t remainder = rest % unit;
    if (2 * remainder > unit || (2 * remainder == unit && scaled % 2 != 0))
        ++scaled;
    return scaled;
}

std::string withTwoDecimals(int64_t hundredths, char separator) {
    std::string text = std::to_string(hundredths / 100);
    const int64_t cents = hundredths % 100;
    text += separator;
    text += static_cast<char>('0' + cents / 10);
    text += static_cast<char>('0' + cents % 10);
    return text;
}

} // namespace

std::string SizeToStr(int64_t size, char decimalSeparator) {
    if (size > kGiga)
        return withTwoDecimals(roundedScaled(size, kGiga, 2), decimalSeparator) + " Gb";
    if (size > kMega)
        return withTwoDecimals(roundedScaled(size, kMega, 2), decimalSeparator) + " Mb";
    if (size > kKilo)
        return std::to_string(roundedScaled(size, kKilo, 0)) + " Kb";
    // The floor: every size up to one kilobyte, zero and negative ones included.
    return "1 Kb";
}

std::string SizeToStr(int64_t size) {
    return SizeToStr(size, localeFormats().decimalSeparator);
}

} // namespace qm
