#include "platform/dospath.h"

#include "platform/drivetable.h"

#include <cctype>
#include <vector>

namespace qm {

namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

bool hasDriveLetter(std::string_view path) {
    return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
}

// Index just after the last separator or drive colon, where the file name starts.
size_t nameStart(std::string_view path) {
    for (size_t i = path.size(); i > 0; --i) {
        char c = path[i - 1];
        if (isSeparator(c) || c == ':')
            return i;
    }
    return 0;
}

} // namespace

std::optional<std::string> toHostPath(std::string_view dosPath) {
    if (!hasDriveLetter(dosPath))
        return std::nullopt;
    std::optional<DriveEntry> drive = DriveTable::instance().find(dosPath[0]);
    if (!drive)
        return std::nullopt;

    std::string host = drive->hostRoot;
    size_t pos = 2;
    while (pos < dosPath.size()) {
        while (pos < dosPath.size() && isSeparator(dosPath[pos]))
            ++pos;
        size_t end = pos;
        while (end < dosPath.size() && !isSeparator(dosPath[end]))
            ++end;
        std::string_view part = dosPath.substr(pos, end - pos);
        pos = end;
        if (part.empty() || part == ".")
            continue;
        if (part == ".." || part.find(':') != std::string_view::npos ||
            part.find('\0') != std::string_view::npos)
            return std::nullopt;
        if (host.back() != '/')
            host += '/';
        host += part;
    }
    return host;
}

std::optional<std::string> toDosPath(const std::string& hostPath) {
    std::optional<DriveEntry> drive = DriveTable::instance().findByHostPath(hostPath);
    if (!drive)
        return std::nullopt;
    std::string dos;
    dos += drive->letter;
    dos += ":\\";
    std::string_view rest(hostPath);
    rest.remove_prefix(drive->hostRoot == "/" ? 1 : drive->hostRoot.size());
    size_t pos = 0;
    bool first = true;
    while (pos < rest.size()) {
        while (pos < rest.size() && rest[pos] == '/')
            ++pos;
        size_t end = rest.find('/', pos);
        if (end == std::string_view::npos)
            end = rest.size();
        std::string_view part = rest.substr(pos, end - pos);
        pos = end;
        if (part.empty() || part == ".")
            continue;
        if (!isValidDosName(part))
            return std::nullopt;
        if (!first)
            dos += '\\';
        dos += part;
        first = false;
    }
    return dos;
}

bool isValidDosName(std::string_view name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 32 || u == 127)
            return false;
        switch (c) {
        case '\\':
        case '/':
        case ':':
        case '*':
        case '?':
        case '"':
        case '<':
        case '>':
        case '|':
            return false;
        default:
            break;
        }
    }
    return true;
}

std::string extractFileDrive(std::string_view path) {
    if (hasDriveLetter(path))
        return std::string(path.substr(0, 2));
    return {};
}

std::string extractFilePath(std::string_view path) {
    return std::string(path.substr(0, nameStart(path)));
}

std::string extractFileDir(std::string_view path) {
    size_t start = nameStart(path);
    if (start > 0 && isSeparator(path[start - 1]) && !(start == 3 && hasDriveLetter(path)) &&
        start > 1)
        --start;
    return std::string(path.substr(0, start));
}

std::string extractFileName(std::string_view path) {
    return std::string(path.substr(nameStart(path)));
}

std::string extractFileExt(std::string_view path) {
    size_t start = nameStart(path);
    size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < start)
        return {};
    return std::string(path.substr(dot));
}

std::string changeFileExt(std::string_view path, std::string_view ext) {
    size_t start = nameStart(path);
    size_t dot = path.rfind('.');
    std::string result(path);
    if (dot != std::string_view::npos && dot >= start)
        result.resize(dot);
    result += ext;
    return result;
}

std::string includeTrailingBackslash(std::string_view path) {
    std::string result(path);
    if (result.empty() || !isSeparator(result.back()))
        result += '\\';
    return result;
}

std::string excludeTrailingBackslash(std::string_view path) {
    std::string result(path);
    if (!result.empty() && isSeparator(result.back()))
        result.pop_back();
    return result;
}

bool sameTextDos(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool samePathExact(std::string_view a, std::string_view b) {
    const size_t drive = hasDriveLetter(a) && hasDriveLetter(b) ? 1 : 0;
    return sameTextDos(a.substr(0, drive), b.substr(0, drive)) &&
           a.substr(drive) == b.substr(drive);
}

std::string upperCaseDos(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return r;
}

std::string lowerCaseDos(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return r;
}

} // namespace qm
