#include "platform/programfiles.h"

#include <array>
#include <utility>

namespace qm {

namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kHostNames = {{
    {"Qmoor.exe", "Qmoor"},
    {"Updater.exe", "updater"},
    {"Uninstall.exe", "Uninstall"},
    {"setup.exe", "setup"},
    {"common.exe", "common"},
}};

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

} // namespace

std::string hostProgramFile(std::string_view windowsName) {
    for (const auto& [windows, host] : kHostNames)
        if (sameIgnoringCase(windows, windowsName))
            return std::string(host);
    return std::string(windowsName);
}

std::string hostProgramPath(const std::string& folder, std::string_view windowsName) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path + hostProgramFile(windowsName);
}

} // namespace qm
