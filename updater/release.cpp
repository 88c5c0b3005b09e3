#include "updater/release.h"

#include "platform/createdfolders.h"
#include "platform/dospath.h"
#include "platform/programfiles.h"
#include "platform/uninstlist.h"
#include "platform/updatestaging.h"
#include "updater/simpleparser.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <set>

namespace qm {

namespace {

// Files of the installation that a release must never replace, and the folder the
// updater downloads into.
constexpr std::array<std::string_view, 6> kReservedNames = {
    TUninstList::kFileName, TCreatedFolders::kFileName, kUninstallerName,
    kUserFileName,          kSettingsFileName,          updatestaging::kTempFolder};
constexpr size_t kMaxNameLength = 1024;

std::vector<std::string_view> splitName(std::string_view name) {
    std::vector<std::string_view> parts;
    size_t from = 0;
    while (true) {
        const size_t slash = name.find('/', from);
        parts.push_back(name.substr(from, slash - from));
        if (slash == std::string_view::npos)
            return parts;
        from = slash + 1;
    }
}

bool twoDigits(std::string_view text, int& value) {
    if (text.size() != 2 || !std::isdigit(static_cast<unsigned char>(text[0])) ||
        !std::isdigit(static_cast<unsigned char>(text[1])))
        return false;
    value = (text[0] - '0') * 10 + (text[1] - '0');
    return true;
}

} // namespace

bool TRelease::holdsCommon() const {
    for (const TReleaseFile& file : files)
        if (sameTextDos(file.installPath, hostProgramFile(kCommonProgramName)))
            return true;
    return false;
}

bool TRelease::holdsMainProgram() const {
    for (const TReleaseFile& file : files)
        if (sameTextDos(file.installPath, hostProgramFile(kMainProgramName)))
            return true;
    return false;
}

std::optional<TDateTime> parseReleaseDate(std::string_view text) {
    int century = 0, year = 0, day = 0, month = 0;
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' ||
        !twoDigits(text.substr(0, 2), century) || !twoDigits(text.substr(2, 2), year) ||
        !twoDigits(text.substr(5, 2), day) || !twoDigits(text.substr(8, 2), month))
        return std::nullopt;
    const DateTimeParts parts{century * 100 + year, month, day, 0, 0, 0, 0};
    if (parts.year < 1 || month < 1 || month > 12 || day < 1)
        return std::nullopt;
    const TDateTime value = encodeDateTime(parts);
    const DateTimeParts back = decodeDateTime(value);
    if (back.year != parts.year || back.month != month || back.day != day)
        return std::nullopt; // 31 April and the like
    return value;
}

std::string formatReleaseDate(TDateTime value) {
    const DateTimeParts parts = decodeDateTime(value);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", parts.year, parts.day, parts.month);
    return text;
}

std::optional<TReleaseFile> makeReleaseFile(std::string_view name, std::string_view date,
                                            std::string* error) {
    auto refuse = [&](const std::string& why) -> std::optional<TReleaseFile> {
        if (error)
            *error = "the release file \"" + std::string(name) + "\" " + why;
        return std::nullopt;
    };
    if (name.empty() || name.size() > kMaxNameLength)
        return refuse("has no usable name");
    TReleaseFile file;
    file.name = std::string(name);
    const std::vector<std::string_view> parts = splitName(name);
    for (std::string_view part : parts)
        if (!isValidDosName(part) || part.size() > 255)
            return refuse("has a name that cannot be installed");
    std::string last(parts.back());
    file.expand = sameTextDos(extractFileExt(last), ".ex_");
    if (file.expand)
        last = last.substr(0, last.size() - 3) + "exe";
    file.windowsName = last;
    if (parts.size() == 1)
        for (std::string_view reserved : kReservedNames)
            if (sameTextDos(last, reserved))
                return refuse("would replace a file the installation keeps for itself");
    if (sameTextDos(parts.front(), updatestaging::kTempFolder))
        return refuse("would go into the updater's own folder");
    for (size_t i = 0; i + 1 < parts.size(); ++i)
        file.installPath += std::string(parts[i]) + "/";
    file.installPath += hostProgramFile(last);
    const std::optional<TDateTime> day = parseReleaseDate(date);
    if (!day)
        return refuse("has no valid date (\"" + std::string(date) + "\")");
    file.date = std::string(date);
    file.day = *day;
    return file;
}

bool readRelease(const TSimpleParser& reply, TRelease& release, std::string& error) {
    release = TRelease{};
    release.date = reply.GetValue("date");
    if (!parseReleaseDate(release.date)) {
        error = "the release has no valid date (\"" + release.date + "\")";
        return false;
    }
    std::set<std::string> targets;
    for (size_t n = 0; reply.TagExists("file_" + std::to_string(n)); ++n) {
        if (n == kMaxReleaseFiles) {
            error = "the release lists more than " + std::to_string(kMaxReleaseFiles) + " files";
            return false;
        }
        const std::string section = "file_" + std::to_string(n);
        std::optional<TReleaseFile> file = makeReleaseFile(
            reply.GetSubValue(section, "name"), reply.GetSubValue(section, "date"), &error);
        if (!file)
            return false;
        if (!targets.insert(lowerCaseDos(file->installPath)).second) {
            error = "the release lists \"" + file->installPath + "\" twice";
            return false;
        }
        release.files.push_back(std::move(*file));
    }
    return true;
}

} // namespace qm
