#include "app/stores/selectionfiles.h"

#include "platform/fileio.h"
#include "platform/stagedfile.h"

#include <array>
#include <memory>
#include <optional>

namespace qm {

namespace {

// Some ten thousand paths: more than any selection made by ticking, and little enough
// for the tree to apply at once. A file beyond it was not written by this program.
constexpr int64_t kMaxFileSize = 1024 * 1024;

struct BoundedText {
    std::string text;
    bool cut = false; // the file went on: text ends at its last whole line within the bound
};

// At most kMaxFileSize bytes of a file, never through a link (a media drive is anyone's).
std::optional<BoundedText> readBounded(const std::string& path) {
    if (!reachedWithoutLinks(path))
        return std::nullopt;
    FileHandle file = FileHandle::open(path, OpenMode::Read);
    if (!file)
        return std::nullopt;
    BoundedText read;
    read.text.resize(static_cast<size_t>(kMaxFileSize) + 1);
    int64_t got = 0;
    for (int64_t n; got < kMaxFileSize + 1 &&
                    (n = file.read(read.text.data() + got, kMaxFileSize + 1 - got)) > 0;)
        got += n;
    if (file.error() != 0)
        return std::nullopt;
    read.text.resize(static_cast<size_t>(got));
    if (got > kMaxFileSize) {
        read.cut = true;
        const size_t lineEnd = read.text.rfind('\n', static_cast<size_t>(kMaxFileSize) - 1);
        read.text.resize(lineEnd == std::string::npos ? 0 : lineEnd + 1);
    }
    return read;
}

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

bool TSelectionFiles::saved() const {
    return fileExists(pathOf(kFolders)) || fileExists(pathOf(kGrey)) || fileExists(pathOf(kFiles));
}

bool TSelectionFiles::read(TBackupSelectionLists& lists, bool* cut) const {
    TBackupSelectionLists read;
    bool anyCut = false;
    const std::pair<const char*, std::vector<std::string>*> parts[] = {
        {kFolders, &read.folders}, {kGrey, &read.grey}, {kFiles, &read.files}};
    for (const auto& [name, list] : parts) {
        const std::string path = pathOf(name);
        if (reachedWithoutLinks(path) && !fileExists(path))
            continue; // no file: nothing of that kind is ticked
        std::optional<BoundedText> text = readBounded(path);
        if (!text)
            return false;
        *list = linesOf(text->text);
        anyCut = anyCut || text->cut;
    }
    lists = std::move(read);
    if (cut)
        *cut = anyCut;
    return true;
}

bool TSelectionFiles::write(const TBackupSelectionLists& lists) const {
    // A drive whose root is gone (a medium pulled a moment ago) cannot take them: making
    // the folder would make the root on the file system below it.
    if (!folderExists(folder().substr(0, 3)))
        return false;
    // Nothing is made or written on the media drive through a link.
    const LinkFreeFolder guard(folder().substr(0, 3));
    if (!createFolderChain(folder()))
        return false;
    const std::array<std::pair<const char*, const std::vector<std::string>*>, 3> parts = {
        {{kFolders, &lists.folders}, {kGrey, &lists.grey}, {kFiles, &lists.files}}};
    std::array<std::unique_ptr<StagedFile>, 3> staged;
    std::array<std::optional<std::string>, 3> old;
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string path = pathOf(parts[i].first);
        if (fileExists(path)) {
            std::optional<BoundedText> text = readBounded(path);
            if (!text)
                return false; // what could not be put back is not replaced
            // A file beyond the bound is not one this program wrote: not worth putting back.
            if (!text->cut)
                old[i] = std::move(text->text);
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
