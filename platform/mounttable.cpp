#include "platform/mounttable.h"

#include "platform/realuser.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace qm {

namespace {

constexpr size_t kMaxMountTableBytes = 4u * 1024 * 1024;

std::string unescapeOctal(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        bool octal = text[i] == '\\' && i + 3 < text.size();
        for (size_t k = 1; octal && k <= 3; ++k)
            octal = text[i + k] >= '0' && text[i + k] <= '7';
        if (!octal) {
            out += text[i];
            continue;
        }
        out += static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 +
                                 (text[i + 3] - '0'));
        i += 3;
    }
    return out;
}

// Reads at most `limit` bytes, growing with what the file really holds: the drive poll
// reads the mount table every few seconds, and a table is a few kilobytes.
std::string readSmallFile(const std::string& path, size_t limit) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::string text;
    std::array<char, 4096> block;
    while (text.size() < limit) {
        in.read(block.data(),
                static_cast<std::streamsize>(std::min(block.size(), limit - text.size())));
        const std::streamsize got = in.gcount();
        if (got <= 0)
            break;
        text.append(block.data(), static_cast<size_t>(got));
    }
    return text;
}

std::string envOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

bool startsWithFolder(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '/';
}

// Only an absolute path without "." or ".." components names a place that the drive
// table can map; anything else in a table is damage or a trick.
bool isSoundMountPoint(std::string_view path) {
    if (!path.starts_with('/'))
        return false;
    size_t start = 1;
    while (start <= path.size()) {
        size_t end = std::min(path.find('/', start), path.size());
        std::string_view part = path.substr(start, end - start);
        if (part == "." || part == "..")
            return false;
        start = end + 1;
    }
    return true;
}

} // namespace

std::vector<MountEntry> parseMountTable(std::string_view text) {
    std::vector<MountEntry> entries;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint, fsType;
        if (!(fields >> device >> mountPoint >> fsType))
            continue;
        std::string point = unescapeOctal(mountPoint);
        if (!isSoundMountPoint(point))
            continue;
        entries.push_back({unescapeOctal(device), std::move(point), fsType});
    }
    return entries;
}

std::vector<MountEntry> readMountTable(const MountSource& source) {
    std::string path = source.mountTable.empty() ? envOr("QUILLMOOR_MOUNTS", "/proc/self/mounts")
                                                 : source.mountTable;
    return parseMountTable(readSmallFile(path, kMaxMountTableBytes));
}

std::string diskOfDevice(std::string_view device) {
    if (!device.starts_with("/dev/") || device.find("..") != std::string_view::npos)
        return {};
    std::string name(device.substr(5));
    if (name.empty() || name.find('/') != std::string::npos)
        return {};
    bool partitionWithP = name.starts_with("mmcblk") || name.starts_with("nvme");
    size_t end = name.size();
    while (end > 0 && std::isdigit(static_cast<unsigned char>(name[end - 1])))
        --end;
    std::string disk = name;
    if (end < name.size() && !partitionWithP)
        disk = name.substr(0, end);
    else if (end < name.size() && end > 1 && name[end - 1] == 'p')
        disk = name.substr(0, end - 1);
    // The disk name becomes a folder below /sys/block: "/dev/.1" must not name that
    // folder itself.
    if (disk == "." || disk == "..")
        return {};
    return disk;
}

bool isUserMedium(const MountEntry& entry, const MountSource& source) {
    std::string user = source.userName.empty() ? GetUserName() : source.userName;
    if (!user.empty() && (startsWithFolder(entry.mountPoint, "/media/" + user) ||
                          startsWithFolder(entry.mountPoint, "/run/media/" + user)))
        return true;
    std::string disk = diskOfDevice(entry.device);
    if (disk.empty())
        return false;
    std::string sysBlock =
        source.sysBlock.empty() ? envOr("QUILLMOOR_SYS_BLOCK", "/sys/block") : source.sysBlock;
    return readSmallFile(sysBlock + "/" + disk + "/removable", 16).starts_with("1");
}

std::string fileSystemDisplayName(std::string_view fsType) {
    static const struct {
        const char* type;
        const char* name;
    } kNames[] = {{"vfat", "FAT32"}, {"msdos", "FAT"},    {"exfat", "exFAT"},  {"ntfs", "NTFS"},
                  {"ntfs3", "NTFS"}, {"fuseblk", "NTFS"}, {"iso9660", "CDFS"}, {"udf", "UDF"}};
    for (const auto& known : kNames) {
        if (fsType == known.type)
            return known.name;
    }
    return std::string(fsType);
}

std::optional<MountEntry> mountOf(const std::vector<MountEntry>& table,
                                  const std::string& hostPath) {
    const MountEntry* best = nullptr;
    for (const auto& entry : table) {
        bool holds = entry.mountPoint == "/" || hostPath == entry.mountPoint ||
                     startsWithFolder(hostPath, entry.mountPoint);
        if (holds && (!best || entry.mountPoint.size() >= best->mountPoint.size()))
            best = &entry;
    }
    if (!best)
        return std::nullopt;
    return *best;
}

} // namespace qm
