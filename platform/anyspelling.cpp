#include "platform/anyspelling.h"

#include "platform/casefold.h"
#include "platform/fileio.h"

#include <vector>

namespace qm {

namespace {

std::vector<std::string_view> splitNames(std::string_view Path) {
    std::vector<std::string_view> names;
    size_t start = 0;
    while (start <= Path.size()) {
        size_t end = Path.find('\\', start);
        if (end == std::string_view::npos)
            end = Path.size();
        if (end > start)
            names.push_back(Path.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

// Walks Names[Next..] below Folder (spelled as on the disk), exact names first.
std::optional<std::string> findBelow(const std::string& Folder,
                                     const std::vector<std::string_view>& Names, size_t Next) {
    const bool last = Next + 1 == Names.size();
    const std::string exact = Folder + "\\" + std::string(Names[Next]);
    if (last ? fileExists(exact) : folderExists(exact)) {
        if (last)
            return exact;
        if (std::optional<std::string> found = findBelow(exact, Names, Next + 1))
            return found;
    }
    for (const FolderEntry& entry : listFolder(Folder + "\\").entries) {
        if (entry.name == Names[Next] || entry.isFolder == last ||
            !sameTextFolded(entry.name, Names[Next]))
            continue;
        const std::string path = Folder + "\\" + entry.name;
        if (last)
            return path;
        if (std::optional<std::string> found = findBelow(path, Names, Next + 1))
            return found;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> findFileAnyCase(std::string_view DosPath) {
    if (fileExists(DosPath))
        return std::string(DosPath);
    const std::vector<std::string_view> names = splitNames(DosPath);
    // The drive ("C:") is not a name to fold; a path needs a name below it.
    if (names.size() < 2 || names[0].size() != 2 || names[0][1] != ':')
        return std::nullopt;
    return findBelow(std::string(names[0]), names, 1);
}

} // namespace qm
