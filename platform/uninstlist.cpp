#include "platform/uninstlist.h"

#include "platform/dospath.h"
#include "platform/fileio.h"
#include "platform/stagedfile.h"

#include <cctype>
#include <set>
#include <sstream>

namespace qm {

namespace {

bool hasClimb(const std::string& path) {
    std::stringstream parts(path);
    for (std::string part; std::getline(parts, part, '\\');)
        if (part == "..")
            return true;
    return false;
}

// Two lines name one entry when they differ at most in the drive letter's case: host
// folders tell case apart.
std::string entryKey(std::string path) {
    if (!path.empty())
        path[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
    return path;
}

} // namespace

std::string TUninstList::PathIn(const std::string& folder) {
    return includeTrailingBackslash(folder) + std::string(kFileName);
}

bool TUninstList::IsBelow(const std::string& path, const std::string& folder) {
    const std::string base = includeTrailingBackslash(folder);
    if (path.size() <= base.size() || base.size() < 3 ||
        entryKey(path.substr(0, 2)) != entryKey(base.substr(0, 2)) ||
        path.compare(2, base.size() - 2, base, 2) != 0)
        return false;
    if (path.find('/') != std::string::npos || hasClimb(path))
        return false;
    return isValidDosName(extractFileName(excludeTrailingBackslash(path)));
}

bool TUninstList::Write(const std::string& folder, const std::vector<std::string>& entries) {
    std::string text;
    for (const std::string& entry : entries)
        text += entry + std::string(kLineEnd);
    text += PathIn(folder) + std::string(kLineEnd);
    return StagedFile::Replace(PathIn(folder), text);
}

std::optional<std::vector<std::string>> TUninstList::Read(const std::string& folder) {
    const std::optional<std::string> text = readWholeFile(PathIn(folder), kMaxBytes);
    if (!text)
        return std::nullopt;
    std::vector<std::string> lines;
    std::set<std::string> seen;
    std::stringstream in(*text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        line = excludeTrailingBackslash(line);
        if (IsBelow(line, folder) && seen.insert(entryKey(line)).second)
            lines.push_back(line);
    }
    return lines;
}

TUninstList::AddOutcome TUninstList::Add(const std::string& folder,
                                         const std::vector<std::string>& added,
                                         std::string& error) {
    const std::optional<std::vector<std::string>> listed = Read(folder);
    if (!listed)
        return AddOutcome::NoList;
    const std::string self = entryKey(PathIn(folder));
    std::set<std::string> seen;
    for (const std::string& line : *listed)
        seen.insert(entryKey(line));
    std::vector<std::string> entries;
    for (const std::string& path : added) {
        const std::string entry = excludeTrailingBackslash(path);
        if (IsBelow(entry, folder) && seen.insert(entryKey(entry)).second)
            entries.push_back(entry);
    }
    if (entries.empty())
        return AddOutcome::Added;
    for (const std::string& line : *listed)
        if (entryKey(line) != self)
            entries.push_back(line);
    if (Write(folder, entries))
        return AddOutcome::Added;
    error = "cannot write " + PathIn(folder);
    return AddOutcome::Failed;
}

} // namespace qm
