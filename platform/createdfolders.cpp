#include "platform/createdfolders.h"

#include "platform/dospath.h"
#include "platform/fileio.h"
#include "platform/stagedfile.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace qm {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

std::vector<std::string> components(const std::string& path) {
    std::vector<std::string> parts;
    std::stringstream in(excludeTrailingBackslash(path));
    for (std::string part; std::getline(in, part, '\\');)
        parts.push_back(part);
    return parts;
}

bool sameDrive(const std::string& a, const std::string& b) {
    return a.size() >= 2 && b.size() >= 2 &&
           std::toupper(static_cast<unsigned char>(a[0])) ==
               std::toupper(static_cast<unsigned char>(b[0])) &&
           a[1] == ':' && b[1] == ':';
}

// The usable paths, each once, the deepest first.
std::vector<std::string> usable(const std::vector<std::string>& paths, const std::string& folder) {
    std::vector<std::string> kept;
    for (const std::string& line : paths) {
        const std::string path = excludeTrailingBackslash(line);
        if (TCreatedFolders::IsAtOrAbove(path, folder) &&
            std::find(kept.begin(), kept.end(), path) == kept.end())
            kept.push_back(path);
    }
    std::stable_sort(kept.begin(), kept.end(), [](const std::string& a, const std::string& b) {
        return a.size() > b.size();
    });
    return kept;
}

} // namespace

std::string TCreatedFolders::PathIn(const std::string& folder) {
    return includeTrailingBackslash(folder) + std::string(kFileName);
}

bool TCreatedFolders::IsAtOrAbove(const std::string& path, const std::string& folder) {
    if (!sameDrive(path, folder) || path[2] != '\\')
        return false;
    const std::vector<std::string> above = components(path);
    const std::vector<std::string> below = components(folder);
    if (above.size() < 2 || above.size() > below.size())
        return false;
    for (size_t i = 1; i < above.size(); ++i)
        if (above[i] != below[i] || !isValidDosName(above[i]))
            return false;
    return true;
}

bool TCreatedFolders::Write(const std::string& folder, const std::vector<std::string>& folders) {
    std::string text;
    for (const std::string& path : usable(folders, folder))
        text += path + std::string(kLineEnd);
    return StagedFile::Replace(PathIn(folder), text);
}

std::optional<std::vector<std::string>> TCreatedFolders::Read(const std::string& folder) {
    const std::optional<std::string> text = readWholeFile(PathIn(folder), kMaxBytes);
    if (!text)
        return std::nullopt;
    std::vector<std::string> lines;
    std::stringstream in(*text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return usable(lines, folder);
}

} // namespace qm
