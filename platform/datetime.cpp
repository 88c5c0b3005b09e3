#include "platform/datetime.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace qm {

namespace {

std::mutex gMutex;
LocaleFormats gFormats;
std::function<TDateTime()> gClock;

constexpr int64_t kMsPerDay = 86'400'000;

// Days from 30 December 1899 to 1 January 1970.
constexpr int64_t kUnixEpochDays = 25569;

// Days since 1 March of year 0 (proleptic Gregorian), Howard Hinnant's algorithm.
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468; // days since 1970-01-01
}

void civilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

// First and last day a date-time value can name: 1 January 0001 and 31 December 9999.
constexpr double kFirstDay = -693593;
constexpr double kLastDay = 2958465;

// A date-time value as whole milliseconds since 30 December 1899. Negative values
// (before 1899) keep the stored rule: the whole part names the day and the fraction
// counts forward from its midnight, so -1.25 is 29 December 1899, 6:00. A value that
// names no date (not a number, or outside years 1 to 9999) counts as 0.
int64_t toMilliseconds(TDateTime value) {
    if (!std::isfinite(value) || value < kFirstDay || value >= kLastDay + 1)
        return 0;
    double days = std::trunc(value);
    int64_t ms = std::llround(std::fabs(value - days) * kMsPerDay);
    if (ms == kMsPerDay) { // rounded up to the next midnight
        days += 1;
        ms = 0;
    }
    int64_t whole = static_cast<int64_t>(days) * kMsPerDay;
    return value < 0 && days != 0 ? whole - ms : whole + ms;
}

std::string twoDigits(int v);

// A date or time field: two digits when the pattern doubles its letter, else as short
// as the number.
std::string field(int v, size_t letters) {
    return letters >= 2 ? twoDigits(v) : std::to_string(v);
}

std::string twoDigits(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

} // namespace

LocaleFormats localeFormats() {
    std::lock_guard lock(gMutex);
    return gFormats;
}

void setLocaleFormats(const LocaleFormats& formats) {
    std::lock_guard lock(gMutex);
    gFormats = formats;
}

TDateTime now() {
    std::function<TDateTime()> clock;
    {
        std::lock_guard lock(gMutex);
        clock = gClock;
    }
    // Called without the lock: a test clock may itself read the formats or the clock.
    if (clock)
        return clock();
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return dateTimeFromUnix(ts.tv_sec, static_cast<int32_t>(ts.tv_nsec));
}

void setClock(std::function<TDateTime()> clock) {
    std::lock_guard lock(gMutex);
    gClock = std::move(clock);
}

TDateTime encodeDateTime(const DateTimeParts& p) {
    int64_t days =
        daysFromCivil(p.year, static_cast<unsigned>(p.month), static_cast<unsigned>(p.day)) +
        kUnixEpochDays;
    double frac = (((p.hour * 60.0 + p.minute) * 60.0 + p.second) * 1000.0 + p.millisecond) /
                  static_cast<double>(kMsPerDay);
    return days >= 0 ? static_cast<double>(days) + frac : static_cast<double>(days) - frac;
}

DateTimeParts decodeDateTime(TDateTime value) {
    int64_t ms = toMilliseconds(value);
    int64_t days = ms / kMsPerDay;
    int64_t rest = ms % kMsPerDay;
    if (rest < 0)
        rest = -rest;
    DateTimeParts p;
    civilFromDays(days - kUnixEpochDays, p.year, p.month, p.day);
    p.hour = static_cast<int>(rest / 3'600'000);
    p.minute = static_cast<int>(rest / 60'000 % 60);
    p.second = static_cast<int>(rest / 1000 % 60);
    p.millisecond = static_cast<int>(rest % 1000);
    return p;
}

TDateTime dateTimeFromUnix(int64_t seconds, int32_t nanoseconds) {
    time_t t = static_cast<time_t>(seconds);
    tm local{};
    localtime_r(&t, &local);
    DateTimeParts p{local.tm_year + 1900,
                    local.tm_mon + 1,
                    local.tm_mday,
                    local.tm_hour,
                    local.tm_min,
                    local.tm_sec,
                    static_cast<int>(nanoseconds / 1'000'000)};
    return encodeDateTime(p);
}

int64_t unixFromDateTime(TDateTime value) {
    DateTimeParts p = decodeDateTime(value);
    tm local{};
    local.tm_year = p.year - 1900;
    local.tm_mon = p.month - 1;
    local.tm_mday = p.day;
    local.tm_hour = p.hour;
    local.tm_min = p.minute;
    local.tm_sec = p.second;
    local.tm_isdst = -1;
    return static_cast<int64_t>(mktime(&local));
}

TDateTime dosToDateTime(uint32_t dos) {
    uint16_t date = static_cast<uint16_t>(dos >> 16);
    uint16_t time = static_cast<uint16_t>(dos & 0xFFFF);
    DateTimeParts p;
    p.year = 1980 + (date >> 9);
    p.month = (date >> 5) & 0x0F;
    p.day = date & 0x1F;
    p.hour = time >> 11;
    p.minute = (time >> 5) & 0x3F;
    p.second = (time & 0x1F) * 2;
    if (p.month < 1 || p.month > 12 || p.day < 1 || p.day > 31 || p.hour > 23 || p.minute > 59 ||
        p.second > 59)
        return 0;
    return encodeDateTime(p);
}

uint32_t dateTimeToDos(TDateTime value) {
    DateTimeParts p = decodeDateTime(value);
    if (p.year < 1980 || p.year > 2107)
        return 0;
    uint32_t date = static_cast<uint32_t>(((p.year - 1980) << 9) | (p.month << 5) | p.day);
    uint32_t time = static_cast<uint32_t>((p.hour << 11) | (p.minute << 5) | (p.second / 2));
    return (date << 16) | time;
}

std::string formatDateTimePattern(std::string_view pattern, TDateTime value,
                                  const LocaleFormats& f) {
    DateTimeParts p = decodeDateTime(value);
    const bool twelveHour = pattern.find("tt") != std::string_view::npos ||
                            pattern.find("AM/PM") != std::string_view::npos ||
                            pattern.find("am/pm") != std::string_view::npos ||
                            pattern.find("ampm") != std::string_view::npos;
    std::string out;
    bool afterHour = false; // an "m" right after an hour field means minutes
    size_t i = 0;
    auto run = [&](char c) {
        size_t n = 0;
        while (i + n < pattern.size() && pattern[i + n] == c)
            ++n;
        return n;
    };
    while (i < pattern.size()) {
        char c = pattern[i];
        if (c == '\'' || c == '"') {
            size_t end = pattern.find(c, i + 1);
            if (end == std::string_view::npos)
                end = pattern.size();
            out.append(pattern.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        if (pattern.substr(i, 5) == "AM/PM" || pattern.substr(i, 5) == "am/pm") {
            out += p.hour < 12 ? f.timeAMString : f.timePMString;
            i += 5;
            continue;
        }
        if (pattern.substr(i, 4) == "ampm") { // the locale's own AM and PM texts
            out += p.hour < 12 ? f.timeAMString : f.timePMString;
            i += 4;
            continue;
        }
        size_t n = run(c);
        switch (c) {
        case 'd':
            out += field(p.day, n);
            afterHour = false;
            break;
        case 'M':
        case 'm':
            if (afterHour)
                out += field(p.minute, n);
            else if (n >= 3)
                out += f.shortMonthNames[static_cast<size_t>(p.month - 1)];
            else
                out += field(p.month, n);
            afterHour = false;
            break;
        case 'n':
            out += field(p.minute, n);
            afterHour = false;
            break;
        case 'y':
            out += n <= 2 ? twoDigits(p.year % 100) : std::to_string(p.year);
            afterHour = false;
            break;
        case 'h':
        case 'H': {
            int h = p.hour;
            if (c == 'h' && twelveHour) {
                h %= 12;
                if (h == 0)
                    h = 12;
            }
            out += field(h, n);
            afterHour = true;
            break;
        }
        case 's':
            out += field(p.second, n);
            afterHour = false;
            break;
        case 'z': {
            char buf[8];
            std::snprintf(buf, sizeof buf, n >= 3 ? "%03d" : "%d", p.millisecond);
            out += buf;
            break;
        }
        case 't':
            out += p.hour < 12 ? f.timeAMString : f.timePMString;
            break;
        case '/':
            out.append(n, f.dateSeparator);
            break;
        case ':':
            out.append(n, f.timeSeparator);
            break;
        default:
            out.append(n, c);
            break;
        }
        i += n;
    }
    return out;
}

std::string formatDateTime(TDateTime value, const LocaleFormats& f) {
    return formatDateTimePattern(f.shortDateFormat, value, f) + " " +
           formatDateTimePattern(f.longTimeFormat, value, f);
}

std::string formatDateTime(TDateTime value) {
    return formatDateTime(value, localeFormats());
}

std::string formatDateTimeWithSeparators(TDateTime value, char separator) {
    LocaleFormats f = localeFormats();
    f.dateSeparator = separator;
    f.timeSeparator = separator;
    return formatDateTime(value, f);
}

std::string floatToStrGeneral(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15G", value);
    std::string s(buf);
    char sep = localeFormats().decimalSeparator;
    for (char& c : s)
        if (c == '.')
            c = sep;
    return s;
}

std::string floatToStrFixed(double value, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    std::string s(buf);
    char sep = localeFormats().decimalSeparator;
    for (char& c : s)
        if (c == '.')
            c = sep;
    return s;
}

} // namespace qm
