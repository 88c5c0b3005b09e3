#include "platform/pathtools.h"

namespace qm {

std::vector<std::string> SplitPath(std::string_view path) {
    std::vector<std::string> components;
    while (!path.empty()) {
        size_t slash = path.find('\\');
        if (slash == std::string_view::npos) {
            components.emplace_back(path);
            break;
        }
        components.emplace_back(path.substr(0, slash));
        path.remove_prefix(slash + 1);
    }
    return components;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    if (folder.empty())
        return std::string(name);
    std::string joined(folder);
    if (joined.back() != '\\')
        joined += '\\';
    joined += name;
    return joined;
}

} // namespace qm
