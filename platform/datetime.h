#pragma once
// Date-time values and their texts. A date-time value is a double counting days since
// 30 December 1899, with the time of day as the fraction, always in local time; a DOS
// date-time is the packed 32-bit form (date in the high word, time in the low word,
// seconds in 2-second steps).
//
// The locale formats live here and nowhere else; the registry layer may replace them
// with the user's values at start-up.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qm {

using TDateTime = double;

struct LocaleFormats {
    std::string shortDateFormat = "M/d/yyyy";
    std::string longTimeFormat = "h:mm:ss tt";
    char dateSeparator = '/';
    char timeSeparator = ':';
    std::string timeAMString = "AM";
    std::string timePMString = "PM";
    char decimalSeparator = '.';
    // Abbreviated month names, January first ("mmm" and "MMM" in a pattern).
    std::array<std::string, 12> shortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
};

// A copy: another thread may install new formats at any time.
LocaleFormats localeFormats();
void setLocaleFormats(const LocaleFormats& formats);

// The current local date and time. Tests install their own clock; an empty function
// restores the system clock.
TDateTime now();
void setClock(std::function<TDateTime()> clock);

struct DateTimeParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

TDateTime encodeDateTime(const DateTimeParts& parts);
DateTimeParts decodeDateTime(TDateTime value);

// Conversions with host time (seconds since the Unix epoch, UTC) through local time.
TDateTime dateTimeFromUnix(int64_t seconds, int32_t nanoseconds = 0);
int64_t unixFromDateTime(TDateTime value);

TDateTime dosToDateTime(uint32_t dosDateTime);
// Seconds are rounded down to the even second, as DOS dates store them.
uint32_t dateTimeToDos(TDateTime value);

// Short date, a blank, long time: "12/7/2026 11:15:22 PM".
std::string formatDateTime(TDateTime value);
std::string formatDateTime(TDateTime value, const LocaleFormats& formats);
// The same text with `separator` standing for both the date and the time separator,
// as run archives are named: "12_7_2026 11_15_22 PM".
std::string formatDateTimeWithSeparators(TDateTime value, char separator);
// Formats by pattern: d dd M MM (month) MMM (abbreviated month name) yy yyyy h hh H HH
// (hour; 12-hour when the pattern holds tt, AM/PM or ampm) m mm after an hour or n nn
// (minute) s ss z zzz tt AM/PM ampm, '/' and ':' as the locale separators, text in quotes
// literal.
std::string formatDateTimePattern(std::string_view pattern, TDateTime value,
                                  const LocaleFormats& formats);

// The general text of a floating-point value: up to 15 significant digits, no
// trailing zeros, the locale's decimal separator ("38412.5").
std::string floatToStrGeneral(double value);
// Fixed notation with `decimals` decimals and the locale's decimal separator.
std::string floatToStrFixed(double value, int decimals);

} // namespace qm
