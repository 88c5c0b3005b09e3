#include "setup/uninstlist.h"

#include "platform/dospath.h"
#include "platform/fileio.h"
#include "platform/stagedfile.h"
#include "setup/setupkeys.h"

#include <set>
#include <sstream>

namespace qm {

namespace {

constexpr int64_t kMaxListBytes = 1 << 20; // thousands of lines; more is not a list of ours

bool hasClimb(const std::string& path) {
    std::stringstream parts(path);
    for (std::string part; std::getline(parts, part, '\\');)
        if (part == "..")
            return true;
    return false;
}

} // namespace

std::string TUninstList::PathIn(const std::string& folder) {
    return includeTrailingBackslash(folder) + std::string(setupkeys::kUninstListName);
}

bool TUninstList::IsBelow(const std::string& path, const std::string& folder) {
    const std::string base = includeTrailingBackslash(folder);
    // Host folders tell case apart: only the drive letter may differ in case.
    if (path.size() <= base.size() || base.size() < 3 ||
        !sameTextDos(path.substr(0, 2), base.substr(0, 2)) ||
        path.compare(2, base.size() - 2, base, 2) != 0)
        return false;
    if (path.find('/') != std::string::npos || hasClimb(path))
        return false;
    return isValidDosName(extractFileName(excludeTrailingBackslash(path)));
}

bool TUninstList::Write(const std::string& folder, const std::vector<std::string>& entries) {
    std::string text;
    for (const std::string& entry : entries)
        text += entry + "\r\n";
    text += PathIn(folder) + "\r\n";
    StagedFile file(PathIn(folder));
    return file.Open() && file.File().write(text.data(), static_cast<int64_t>(text.size())) &&
           file.Commit(std::nullopt);
}

std::optional<std::vector<std::string>> TUninstList::Read(const std::string& folder) {
    FileHandle file = FileHandle::open(PathIn(folder), OpenMode::Read);
    if (!file)
        return std::nullopt;
    const int64_t size = file.size();
    if (size < 0 || size > kMaxListBytes)
        return std::nullopt;
    std::string text(static_cast<size_t>(size), '\0');
    if (!file.readExact(text.data(), size))
        return std::nullopt;
    std::vector<std::string> lines;
    std::set<std::string> seen;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        line = excludeTrailingBackslash(line);
        if (IsBelow(line, folder) && seen.insert(lowerCaseDos(line)).second)
            lines.push_back(line);
    }
    return lines;
}

} // namespace qm
