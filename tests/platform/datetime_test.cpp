#include "platform/datetime.h"

#include "support/sandbox.h"

#include <cmath>
#include <gtest/gtest.h>
#include <tuple>

namespace qm {
namespace {

TEST(DateTime, EncodesDaysSince1899) {
    EXPECT_DOUBLE_EQ(encodeDateTime({1899, 12, 30, 0, 0, 0, 0}), 0.0);
    EXPECT_DOUBLE_EQ(encodeDateTime({1900, 1, 1, 0, 0, 0, 0}), 2.0);
    EXPECT_DOUBLE_EQ(encodeDateTime({2005, 3, 1, 12, 0, 0, 0}), 38412.5);
    EXPECT_DOUBLE_EQ(encodeDateTime({1970, 1, 1, 0, 0, 0, 0}), 25569.0);
    DateTimeParts p = decodeDateTime(encodeDateTime({2026, 12, 7, 23, 15, 22, 0}));
    EXPECT_EQ(p.year, 2026);
    EXPECT_EQ(p.month, 12);
    EXPECT_EQ(p.day, 7);
    EXPECT_EQ(p.hour, 23);
    EXPECT_EQ(p.minute, 15);
    EXPECT_EQ(p.second, 22);
}

TEST(DateTime, ValuesBefore1899CountTheTimeForwardFromTheirDay) {
    const DateTimeParts parts{1899, 12, 29, 6, 0, 0, 0};
    EXPECT_DOUBLE_EQ(encodeDateTime(parts), -1.25);
    DateTimeParts p = decodeDateTime(-1.25);
    EXPECT_EQ(std::tie(p.year, p.month, p.day, p.hour, p.minute),
              std::tie(parts.year, parts.month, parts.day, parts.hour, parts.minute));
    p = decodeDateTime(encodeDateTime({1800, 6, 15, 13, 30, 20, 0}));
    EXPECT_EQ(std::tie(p.year, p.month, p.day, p.hour, p.minute, p.second),
              std::make_tuple(1800, 6, 15, 13, 30, 20));
}

// Date values come from files; one that is no date at all reads as the zero date.
TEST(DateTime, NonDatesDecodeAsTheZeroDate) {
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300, -1e300, 1e15}) {
        DateTimeParts p = decodeDateTime(bad);
        EXPECT_EQ(std::make_tuple(p.year, p.month, p.day, p.hour, p.minute, p.second),
                  std::make_tuple(1899, 12, 30, 0, 0, 0))
            << bad;
        EXPECT_EQ(dateTimeToDos(bad), 0u) << bad;
    }
}

TEST(DateTime, DosPackingAndItsLimits) {
    const TDateTime t = encodeDateTime({2026, 12, 7, 23, 15, 23, 0});
    const uint32_t dos = dateTimeToDos(t);
    EXPECT_EQ(dos >> 16, static_cast<uint32_t>(((2026 - 1980) << 9) | (12 << 5) | 7));
    EXPECT_EQ(dos & 0xFFFF, static_cast<uint32_t>((23 << 11) | (15 << 5) | 11));
    EXPECT_DOUBLE_EQ(dosToDateTime(dos), encodeDateTime({2026, 12, 7, 23, 15, 22, 0}));
    EXPECT_EQ(dateTimeToDos(encodeDateTime({1979, 12, 31, 0, 0, 0, 0})), 0u);
    EXPECT_EQ(dosToDateTime(0), 0.0) << "an invalid packed date is no date";
}

TEST(DateTime, UnixRoundTripInLocalTime) {
    test::Sandbox sb;
    const int64_t secs = 1'796'000'000;
    EXPECT_EQ(unixFromDateTime(dateTimeFromUnix(secs)), secs);
}

TEST(DateTime, TextsFollowTheLocaleFormats) {
    test::Sandbox sb;
    const TDateTime t = encodeDateTime({2026, 12, 7, 23, 15, 22, 0});
    EXPECT_EQ(formatDateTime(t), "12/7/2026 11:15:22 PM");
    EXPECT_EQ(formatDateTime(encodeDateTime({2026, 1, 2, 0, 5, 9, 0})), "1/2/2026 12:05:09 AM");
    EXPECT_EQ(formatDateTimeWithSeparators(t, '_'), "12_7_2026 11_15_22 PM");
    EXPECT_EQ(formatDateTime(t), "12/7/2026 11:15:22 PM") << "separators restored";
    EXPECT_EQ(formatDateTimePattern("hh:nn:ss", 0.5 + 1.0 / 86400, localeFormats()), "12:00:01");

    LocaleFormats de;
    de.shortDateFormat = "dd.MM.yyyy";
    de.longTimeFormat = "HH:mm:ss";
    de.dateSeparator = '.';
    de.decimalSeparator = ',';
    setLocaleFormats(de);
    EXPECT_EQ(formatDateTime(t), "07.12.2026 23:15:22");
    EXPECT_EQ(floatToStrGeneral(38412.5), "38412,5");
    EXPECT_EQ(floatToStrFixed(1.005, 2).size(), 4u);
}

TEST(DateTime, GeneralFloatText) {
    test::Sandbox sb;
    EXPECT_EQ(floatToStrGeneral(38412.5), "38412.5");
    EXPECT_EQ(floatToStrGeneral(3), "3");
    EXPECT_EQ(floatToStrGeneral(46364.9689583333333), "46364.9689583333");
    EXPECT_EQ(floatToStrFixed(1024.0, 2), "1024.00");
}

TEST(DateTime, InjectableClock) {
    test::Sandbox sb;
    setClock([] { return 40000.25; });
    EXPECT_DOUBLE_EQ(now(), 40000.25);
    setClock({});
    EXPECT_GT(now(), 46000.0);
}

TEST(DateTime, ClockMayReadTheFormatsAndFormatsAreCopies) {
    test::Sandbox sb;
    LocaleFormats formats;
    formats.decimalSeparator = ',';
    setLocaleFormats(formats);
    // A clock that reads the shared formats runs without the lock held by now().
    setClock([] { return localeFormats().decimalSeparator == ',' ? 41000.5 : 1.0; });
    EXPECT_DOUBLE_EQ(now(), 41000.5);
    setClock({});
    LocaleFormats copy = localeFormats();
    formats.decimalSeparator = '.';
    setLocaleFormats(formats);
    EXPECT_EQ(copy.decimalSeparator, ',');
    EXPECT_EQ(localeFormats().decimalSeparator, '.');
}

} // namespace
} // namespace qm
