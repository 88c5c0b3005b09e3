#pragma once
// TRelease: a new release as the server's reply lists it (its date and its files), read
// and checked as a whole before anything is downloaded. A file name is a path below the
// install folder with "/" between folders; names with empty, "." or ".." parts, drive
// letters, backslashes, control characters or other characters a file name cannot hold,
// the updater's own "Temp" folder, the installation's bookkeeping files (by the names the
// programs use and by their names on the disk), the programs' files on the disk under any
// name but the programs' own, and two files that would land on one target are refused. A
// file date that is no date only leaves that file with the date of its copy. An LZ file
// ("Qmoor.ex_") is installed expanded under its ".exe" name, which maps to the file in
// the install folder through platform/programfiles.h.

#include "platform/datetime.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class TSimpleParser;

struct TReleaseFile {
    std::string name;             // as listed, "/" between folders
    std::string date;             // "yyyy-dd-mm" as listed
    std::optional<TDateTime> day; // midnight of that day, local time; none when no date
    bool expand = false;          // an LZ file, installed expanded
    std::string windowsName;      // the installed file as the programs name it ("Qmoor.exe")
    std::string installPath;      // the installed file below the install folder ("Qmoor")
};

struct TRelease {
    std::string date; // the server folder of the release files
    std::vector<TReleaseFile> files;

    // The release brings "common.exe" or the main program into the install folder.
    bool holdsCommon() const;
    bool holdsMainProgram() const;
};

inline constexpr size_t kMaxReleaseFiles = 1000;

// "yyyy-dd-mm" (year, DAY, month) of a valid date, and back.
std::optional<TDateTime> parseReleaseDate(std::string_view text);
std::string formatReleaseDate(TDateTime value);

// The file as it is to be installed; nothing (with `error`) when the name is refused.
std::optional<TReleaseFile> makeReleaseFile(std::string_view name, std::string_view date,
                                            std::string* error);
// The release of a "NEW RELEASE" reply: the first top-level `date` and the sections
// "file_0", "file_1", ... up to the first missing one. False, with `error`, when any part
// is refused; the release then cannot be offered.
bool readRelease(const TSimpleParser& reply, TRelease& release, std::string& error);

} // namespace qm
