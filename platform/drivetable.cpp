#include "platform/drivetable.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <strings.h>

namespace qm {

namespace {

std::string normaliseRoot(const std::string& hostRoot) {
    std::filesystem::path p = std::filesystem::absolute(hostRoot).lexically_normal();
    std::string s = p.string();
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

char upperLetter(char letter) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
}

bool isLetter(char letter) {
    char up = upperLetter(letter);
    return up >= 'A' && up <= 'Z';
}

// One "X=type:/folder" entry of QUILLMOOR_DRIVES; false when malformed.
bool parseOverride(const std::string& item, char& letter, DriveType& type, std::string& folder) {
    if (item.size() < 4 || item[1] != '=' || !isLetter(item[0]))
        return false;
    std::string rest = item.substr(2);
    size_t colon = rest.find(':');
    if (colon == std::string::npos)
        return false;
    std::optional<DriveType> parsed = DriveTable::parseType(rest.substr(0, colon));
    folder = rest.substr(colon + 1);
    if (!parsed || folder.empty())
        return false;
    letter = upperLetter(item[0]);
    type = *parsed;
    return true;
}

struct OverrideEntry {
    char letter;
    DriveType type;
    std::string folder;
};

// The well-formed entries of QUILLMOOR_DRIVES, in order; malformed ones are reported
// on stderr when `report` is set.
std::vector<OverrideEntry> readOverride(bool report) {
    std::vector<OverrideEntry> entries;
    const char* env = std::getenv("QUILLMOOR_DRIVES");
    if (!env)
        return entries;
    std::string all(env);
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find(';', start);
        if (end == std::string::npos)
            end = all.size();
        std::string item = all.substr(start, end - start);
        start = end + 1;
        if (item.empty())
            continue;
        OverrideEntry entry{0, DriveType::Unknown, {}};
        if (parseOverride(item, entry.letter, entry.type, entry.folder))
            entries.push_back(std::move(entry));
        else if (report)
            std::fprintf(stderr, "QUILLMOOR_DRIVES: ignoring malformed entry \"%s\"\n",
                         item.c_str());
    }
    return entries;
}

} // namespace

DriveTable& DriveTable::instance() {
    static DriveTable table;
    return table;
}

DriveTable::DriveTable() {
    reloadLocked();
}

void DriveTable::reload() {
    std::lock_guard lock(mutex_);
    reloadLocked();
}

void DriveTable::reloadLocked() {
    entries_.clear();
    map('C', "/", DriveType::Fixed);
    entries_.back().source = "default";
    if (extender_)
        extender_(*this);

    for (const OverrideEntry& entry : readOverride(true)) {
        map(entry.letter, entry.folder, entry.type);
        for (DriveEntry& e : entries_)
            if (e.letter == entry.letter)
                e.source = "override";
    }
}

std::set<char> DriveTable::overrideLetters() {
    std::set<char> letters;
    for (const OverrideEntry& entry : readOverride(false))
        letters.insert(entry.letter);
    return letters;
}

bool DriveTable::map(char letter, const std::string& hostRoot, DriveType type,
                     const std::string& label, const char* source) {
    if (!isLetter(letter) || hostRoot.empty())
        return false;
    std::lock_guard lock(mutex_);
    DriveEntry entry{upperLetter(letter), normaliseRoot(hostRoot), type, label, source};
    auto it = std::lower_bound(entries_.begin(), entries_.end(), entry.letter,
                               [](const DriveEntry& e, char l) { return e.letter < l; });
    if (it != entries_.end() && it->letter == entry.letter) {
        *it = std::move(entry);
        return true;
    }
    entries_.insert(it, std::move(entry));
    return true;
}

void DriveTable::unmap(char letter) {
    std::lock_guard lock(mutex_);
    char up = upperLetter(letter);
    std::erase_if(entries_, [up](const DriveEntry& e) { return e.letter == up; });
}

std::optional<DriveEntry> DriveTable::find(char letter) const {
    std::lock_guard lock(mutex_);
    char up = upperLetter(letter);
    for (const DriveEntry& e : entries_)
        if (e.letter == up)
            return e;
    return std::nullopt;
}

std::vector<DriveEntry> DriveTable::drives() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

std::optional<DriveEntry> DriveTable::findByHostPath(const std::string& hostPath) const {
    std::lock_guard lock(mutex_);
    const DriveEntry* best = nullptr;
    for (const DriveEntry& e : entries_) {
        const std::string& root = e.hostRoot;
        bool under = root == "/"
                         ? !hostPath.empty() && hostPath[0] == '/'
                         : hostPath == root || (hostPath.size() > root.size() &&
                                                hostPath.compare(0, root.size(), root) == 0 &&
                                                hostPath[root.size()] == '/');
        if (under && (!best || root.size() > best->hostRoot.size()))
            best = &e;
    }
    if (!best)
        return std::nullopt;
    return *best;
}

void DriveTable::setExtender(Extender extender) {
    std::lock_guard lock(mutex_);
    extender_ = std::move(extender);
    reloadLocked();
}

void DriveTable::refreshMedia() {
    std::lock_guard lock(mutex_);
    if (!extender_)
        return;
    std::erase_if(entries_, [](const DriveEntry& e) { return e.source == kMountSource; });
    extender_(*this);
}

std::optional<DriveType> DriveTable::parseType(const std::string& name) {
    static const struct {
        const char* name;
        DriveType type;
    } kTypes[] = {{"removable", DriveType::Removable},
                  {"fixed", DriveType::Fixed},
                  {"remote", DriveType::Remote},
                  {"cdrom", DriveType::CdRom},
                  {"ramdisk", DriveType::RamDisk}};
    for (const auto& t : kTypes)
        if (strcasecmp(name.c_str(), t.name) == 0)
            return t.type;
    return std::nullopt;
}

} // namespace qm
