#include "platform/localeformatsource.h"

#include "platform/registry.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(LocaleFormatSource, StrftimePatterns) {
    const std::pair<const char*, const char*> rows[] = {
        {"%m/%d/%y", "MM/dd/yy"},   {"%d.%m.%Y", "dd.MM.yyyy"}, {"%I:%M:%S %p", "hh:mm:ss tt"},
        {"%H:%M:%S", "HH:mm:ss"},   {"%e-%m-%Y", "d-MM-yyyy"},  {"%Y年%m月%d日", "yyyy年MM月dd日"},
        {"%d de %m", "dd' de 'MM"}, {"%T", "HH:mm:ss"},         {"%a %d", ""}};
    for (const auto& [format, pattern] : rows)
        EXPECT_EQ(patternFromStrftime(format), pattern) << format;
}

TEST(LocaleFormatSource, PlainCLocaleGivesUsEnglish) {
    test::Sandbox sandbox;
    LocaleFormats formats = loadLocaleFormats("C");
    LocaleFormats us;
    EXPECT_EQ(formats.shortDateFormat, us.shortDateFormat);
    EXPECT_EQ(formats.longTimeFormat, us.longTimeFormat);
    EXPECT_EQ(formats.timeAMString, "AM");
    EXPECT_EQ(formats.decimalSeparator, '.');
}

TEST(LocaleFormatSource, RegistryValuesWinFieldByField) {
    test::Sandbox sandbox;
    Registry registry;
    ASSERT_TRUE(registry.openKey("\\Control Panel\\International", true));
    registry.writeString("sShortDate", "dd.MM.yyyy");
    registry.writeString("sDate", ".");
    registry.writeString("s1159", "vorm.");
    registry.writeString("sDecimal", ",");
    registry.writeDword("sTime", 58); // wrong type: ignored
    LocaleFormats formats = loadLocaleFormats("C");
    EXPECT_EQ(formats.shortDateFormat, "dd.MM.yyyy");
    EXPECT_EQ(formats.dateSeparator, '.');
    EXPECT_EQ(formats.timeAMString, "vorm.");
    EXPECT_EQ(formats.timePMString, "PM");
    EXPECT_EQ(formats.decimalSeparator, ',');
    EXPECT_EQ(formats.timeSeparator, ':');
    EXPECT_EQ(formats.longTimeFormat, "h:mm:ss tt");
    applyUserLocaleFormats();
    EXPECT_EQ(localeFormats().decimalSeparator, ',');
}

} // namespace
} // namespace qm
