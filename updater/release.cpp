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
// The programs of the installation: a release names them by these names ("Qmoor.exe"
// or "Qmoor.ex_"), never by the files they are on the disk ("Qmoor").
constexpr std::array<std::string_view, 4> kProgramNames = {kMainProgramName, kUpdaterName,
                                                           kUninstallerName, kCommonProgramName};

// A bookkeeping file or the updater's folder, by its name or by its name on the disk.
bool isReservedName(const std::string& name) {
    for (std::string_view reserved : kReservedNames)
        if (sameTextDos(name, reserved) || sameTextDos(name, hostProgramFile(reserved)))
            return true;
    return false;
}

// The file of a program on the disk named as such: it would be installed unexpanded and
// with the mode of a plain file under the program's file.
bool namesProgramOnDisk(const std::string& name) {
    for (std::string_view program : kProgramNames)
        if (!sameTextDos(name, program) && sameTextDos(name, hostProgramFile(program)))
            return true;
    return false;
}

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
    if (parts.size() == 1 && isReservedName(last))
        return refuse("would replace a file the installation keeps for itself");
    if (parts.size() == 1 && namesProgramOnDisk(last))
        return refuse("names a program by its file on the disk, not by its program name");
    if (sameTextDos(parts.front(), updatestaging::kTempFolder))
        return refuse("would go into the updater's own folder");
    for (size_t i = 0; i + 1 < parts.size(); ++i)
        file.installPath += std::string(parts[i]) + "/";
    file.installPath += hostProgramFile(last);
    // A date that is no date leaves the file with the date of its copy.
    file.date = std::string(date);
    file.day = parseReleaseDate(date);
    if (!file.day)
        std::fprintf(stderr,
                     "updater: the release file \"%s\" has no valid date (\"%s\"); it keeps "
                     "the date of its copy\n",
                     file.name.c_str(), file.date.c_str());
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
