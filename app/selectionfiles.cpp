#include "app/selectionfiles.h"

#include "platform/fileio.h"
#include "platform/stagedfile.h"

#include <array>
#include <memory>
#include <optional>

namespace qm {

namespace {

// A selection bigger than this is not one this program wrote.
constexpr int64_t kMaxFileSize = 64LL * 1024 * 1024;

std::string textOf(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

// Puts a file back as it was before a failed replacement: its old bytes, or no file.
void restore(const std::string& path, const std::optional<std::string>& old) {
    if (!old) {
        deleteFile(path);
        return;
    }
    StagedFile::Replace(path, *old);
}

} // namespace

TSelectionFiles::TSelectionFiles(char letter) : letter_(letter) {}

std::string TSelectionFiles::folder() const {
    return std::string(1, letter_) + ":\\Quillmoor\\Selections";
}

std::string TSelectionFiles::pathOf(const char* name) const {
    return folder() + "\\" + name;
}

bool TSelectionFiles::read(TBackupSelectionLists& lists) const {
    TBackupSelectionLists read;
    const std::pair<const char*, std::vector<std::string>*> parts[] = {
        {kFolders, &read.folders}, {kGrey, &read.grey}, {kFiles, &read.files}};
    for (const auto& [name, list] : parts) {
        const std::string path = pathOf(name);
        if (!fileExists(path))
            continue; // no file: nothing of that kind is ticked
        std::optional<std::string> text = readWholeFile(path, kMaxFileSize);
        if (!text)
            return false;
        *list = linesOf(*text);
    }
    lists = std::move(read);
    return true;
}

bool TSelectionFiles::write(const TBackupSelectionLists& lists) const {
    if (!createFolderChain(folder()))
        return false;
    const std::array<std::pair<const char*, const std::vector<std::string>*>, 3> parts = {
        {{kFolders, &lists.folders}, {kGrey, &lists.grey}, {kFiles, &lists.files}}};
    std::array<std::unique_ptr<StagedFile>, 3> staged;
    std::array<std::optional<std::string>, 3> old;
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string path = pathOf(parts[i].first);
        if (fileExists(path)) {
            old[i] = readWholeFile(path, kMaxFileSize);
            if (!old[i])
                return false; // what could not be put back is not replaced
        }
        const std::string text = textOf(*parts[i].second);
        staged[i] = std::make_unique<StagedFile>(path);
        if (!staged[i]->Open() ||
            !staged[i]->File().write(text.data(), static_cast<int64_t>(text.size())))
            return false; // the staged files are deleted, the old ones stay
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        if (staged[i]->Commit(std::nullopt))
            continue;
        for (size_t j = 0; j < i; ++j)
            restore(pathOf(parts[j].first), old[j]);
        return false;
    }
    return true;
}

} // namespace qm
