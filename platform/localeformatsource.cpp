#include "platform/localeformatsource.h"

#include "platform/registry.h"

#include <clocale>
#include <cstring>
#include <langinfo.h>
#include <locale.h>

namespace qm {

namespace {

const char* conversion(char c) {
    switch (c) {
    case 'd':
        return "dd";
    case 'e':
        return "d";
    case 'm':
        return "MM";
    case 'y':
        return "yy";
    case 'Y':
        return "yyyy";
    case 'H':
        return "HH";
    case 'k':
        return "H";
    case 'I':
        return "hh";
    case 'l':
        return "h";
    case 'M':
        return "mm";
    case 'S':
        return "ss";
    case 'p':
        return "tt";
    case 'D':
        return "MM/dd/yy";
    case 'T':
        return "HH:mm:ss";
    case 'R':
        return "HH:mm";
    case 'r':
        return "hh:mm:ss tt";
    case 'F':
        return "yyyy-MM-dd";
    default:
        return nullptr;
    }
}

// The first character between fields of a pattern: the separator of that locale.
char firstSeparator(const std::string& pattern, char fallback) {
    for (char c : pattern) {
        if (!std::strchr("dMyhHmst' \"", c))
            return c;
    }
    return fallback;
}

void fromLocale(LocaleFormats& formats, const std::string& localeName) {
    const char* name = localeName.empty() ? "" : localeName.c_str();
    locale_t locale = newlocale(LC_TIME_MASK | LC_NUMERIC_MASK, name, nullptr);
    if (!locale)
        return;
    const char* timeName = nl_langinfo_l(_NL_LOCALE_NAME(LC_TIME), locale);
    bool plainC = !timeName || std::strcmp(timeName, "C") == 0 ||
                  std::strcmp(timeName, "POSIX") == 0 || std::strncmp(timeName, "C.", 2) == 0;
    if (!plainC) {
        std::string date = patternFromStrftime(nl_langinfo_l(D_FMT, locale));
        std::string time = patternFromStrftime(nl_langinfo_l(T_FMT, locale));
        if (!date.empty())
            formats.shortDateFormat = date;
        if (!time.empty())
            formats.longTimeFormat = time;
        formats.dateSeparator = firstSeparator(date, formats.dateSeparator);
        formats.timeSeparator = firstSeparator(time, formats.timeSeparator);
        formats.timeAMString = nl_langinfo_l(AM_STR, locale);
        formats.timePMString = nl_langinfo_l(PM_STR, locale);
        for (int month = 0; month < 12; ++month)
            if (const char* name = nl_langinfo_l(ABMON_1 + month, locale); name && *name)
                formats.shortMonthNames[static_cast<size_t>(month)] = name;
    }
    const char* radix = nl_langinfo_l(RADIXCHAR, locale);
    if (radix && std::strlen(radix) == 1)
        formats.decimalSeparator = radix[0];
    freelocale(locale);
}

void fromRegistry(LocaleFormats& formats) {
    Registry registry;
    if (!registry.openKeyReadOnly("\\Control Panel\\International"))
        return;
    std::string text;
    auto read = [&](const char* name) {
        text.clear();
        return registry.readString(name, text) == RegistryStatus::Ok;
    };
    if (read("sShortDate") && !text.empty())
        formats.shortDateFormat = text;
    if (read("sTimeFormat") && !text.empty())
        formats.longTimeFormat = text;
    if (read("sDate") && text.size() == 1)
        formats.dateSeparator = text[0];
    if (read("sTime") && text.size() == 1)
        formats.timeSeparator = text[0];
    if (read("s1159"))
        formats.timeAMString = text;
    if (read("s2359"))
        formats.timePMString = text;
    if (read("sDecimal") && text.size() == 1)
        formats.decimalSeparator = text[0];
}

} // namespace

std::string patternFromStrftime(std::string_view format) {
    std::string out;
    std::string literal;
    auto flush = [&] {
        if (literal.empty())
            return;
        bool plain = literal.find_first_of("dMyhHmnstzAP'\"") == std::string::npos;
        out += plain ? literal : "'" + literal + "'";
        literal.clear();
    };
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 >= format.size()) {
            literal += format[i];
            continue;
        }
        char c = format[++i];
        while ((c == 'E' || c == 'O' || c == '-' || c == '_' || c == '0') && i + 1 < format.size())
            c = format[++i];
        if (c == '%') {
            literal += '%';
            continue;
        }
        const char* piece = conversion(c);
        if (!piece)
            return {}; // a conversion this pattern language cannot say
        flush();
        out += piece;
    }
    flush();
    return out;
}

LocaleFormats loadLocaleFormats(const std::string& localeName) {
    LocaleFormats formats;
    fromLocale(formats, localeName);
    fromRegistry(formats);
    return formats;
}

void applyUserLocaleFormats() {
    setLocaleFormats(loadLocaleFormats());
}

} // namespace qm
