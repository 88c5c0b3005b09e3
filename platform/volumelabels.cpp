#include "platform/volumelabels.h"

#include "platform/hexdigit.h"

#include <cstdlib>
#include <dirent.h>
#include <limits.h>
#include <memory>
#include <stdlib.h>
#include <unistd.h>

namespace qm {

namespace {

std::string lastName(std::string_view path) {
    const size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// The device node's own name: "/dev/mapper/stick" is a link to "../dm-0", and the
// label links point at "dm-0".
std::string nodeName(const std::string& device) {
    char resolved[PATH_MAX];
    if (::realpath(device.c_str(), resolved))
        return lastName(resolved);
    return lastName(device);
}

std::string linkTargetName(const std::string& link) {
    char target[PATH_MAX];
    const ssize_t length = ::readlink(link.c_str(), target, sizeof(target) - 1);
    if (length <= 0)
        return {};
    return lastName(std::string_view(target, static_cast<size_t>(length)));
}

} // namespace

std::string decodeLabelEscapes(std::string_view name) {
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
            const int high = hexDigitValue(name[i + 2]);
            const int low = hexDigitValue(name[i + 3]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 3;
                continue;
            }
        }
        out += name[i];
    }
    return out;
}

std::string volumeLabelOf(const std::string& device, const std::string& byLabel) {
    std::string folder = byLabel;
    if (folder.empty()) {
        const char* env = std::getenv("QUILLMOOR_DISK_BY_LABEL");
        folder = env && *env ? env : "/dev/disk/by-label";
    }
    const std::string node = nodeName(device);
    if (node.empty())
        return {};
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir)
        return {};
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (linkTargetName(folder + "/" + name) != node)
            continue;
        std::string label = decodeLabelEscapes(name);
        std::erase_if(label,
                      [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
        return label;
    }
    return {};
}

} // namespace qm
