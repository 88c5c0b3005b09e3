#pragma once
// Where the date, time and number formats come from: the user's values under
// "\Control Panel\International" in HKEY_CURRENT_USER (sShortDate, sTimeFormat, sDate,
// sTime, s1159, s2359, sDecimal) when present, else the C library's locale of the
// environment (LC_TIME, LC_NUMERIC, LANG), else US English.

#include "platform/datetime.h"

#include <string>
#include <string_view>

namespace qm {

// Builds the formats for this user. `localeName` empty: the environment's locale.
LocaleFormats loadLocaleFormats(const std::string& localeName = {});
// loadLocaleFormats() handed to setLocaleFormats().
void applyUserLocaleFormats();

// Turns a strftime pattern ("%d.%m.%Y", "%I:%M:%S %p") into a date-time pattern
// ("dd.MM.yyyy", "hh:mm:ss tt"); text other than the conversions is quoted literally.
std::string patternFromStrftime(std::string_view format);

} // namespace qm
