#include "platform/removabledrives.h"

#include "platform/registry.h"
#include "platform/volumelabels.h"

#include <cctype>
#include <cstdlib>

namespace qm {

namespace {

constexpr const char* kLettersKey = "\\SOFTWARE\\Quillmoor\\Platform\\DriveLetters";

std::map<std::string, char> rememberedLetters() {
    std::map<std::string, char> letters;
    Registry registry;
    if (!registry.openKeyReadOnly(kLettersKey))
        return letters;
    for (const auto& name : registry.valueNames()) {
        std::string text;
        if (registry.readString(name, text) != RegistryStatus::Ok || text.size() != 1)
            continue;
        char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
        if (letter >= 'D' && letter <= 'Z')
            letters[name] = letter;
    }
    return letters;
}

void rememberLetter(const std::string& mountPoint, char letter) {
    Registry registry;
    if (registry.openKey(kLettersKey, true))
        registry.writeString(mountPoint, std::string(1, letter));
}

DriveType mediumType(const MountEntry& entry) {
    static const char* const kNetwork[] = {"nfs", "nfs4", "cifs", "smb3", "fuse.sshfs"};
    if (entry.fsType == "iso9660" || entry.fsType == "udf")
        return DriveType::CdRom;
    for (const char* type : kNetwork) {
        if (entry.fsType == type)
            return DriveType::Remote;
    }
    return DriveType::Removable;
}

std::string lastName(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

} // namespace

char chooseDriveLetter(const std::string& mountPoint, const std::set<char>& taken,
                       const std::map<std::string, char>& remembered, char firstLetter) {
    auto known = remembered.find(mountPoint);
    if (known != remembered.end() && !taken.count(known->second))
        return known->second;
    std::set<char> heldForOthers;
    for (const auto& [point, letter] : remembered)
        heldForOthers.insert(letter);
    for (int pass = 0; pass < 2; ++pass) {
        for (char letter = firstLetter; letter <= 'Z'; ++letter) {
            if (!taken.count(letter) && (pass == 1 || !heldForOthers.count(letter)))
                return letter;
        }
    }
    return 0;
}

void addRemovableDrives(DriveTable& table, const MountSource& source) {
    // The override wins, so media keep clear of its letters.
    std::set<char> taken = DriveTable::overrideLetters();
    char firstLetter = 'D';
    for (const auto& drive : table.drives()) {
        taken.insert(drive.letter);
        if (drive.type == DriveType::Fixed && drive.letter >= firstLetter)
            firstLetter = static_cast<char>(drive.letter + 1);
    }
    std::map<std::string, char> remembered;
    bool rememberedRead = false;
    for (const auto& entry : readMountTable(source)) {
        auto holder = table.findByHostPath(entry.mountPoint);
        if (!isUserMedium(entry, source) || (holder && holder->hostRoot == entry.mountPoint))
            continue; // not a medium, or listed twice
        if (!rememberedRead) {
            remembered = rememberedLetters();
            rememberedRead = true;
        }
        char letter = chooseDriveLetter(entry.mountPoint, taken, remembered, firstLetter);
        if (letter == 0)
            return;
        std::string label = volumeLabelOf(entry.device);
        if (label.empty())
            label = lastName(entry.mountPoint);
        table.map(letter, entry.mountPoint, mediumType(entry), label, DriveTable::kMountSource);
        taken.insert(letter);
        if (remembered[entry.mountPoint] != letter) {
            remembered[entry.mountPoint] = letter;
            rememberLetter(entry.mountPoint, letter);
        }
    }
}

void installRemovableDrives(const MountSource& source) {
    DriveTable::instance().setExtender(
        [source](DriveTable& table) { addRemovableDrives(table, source); });
}

void uninstallRemovableDrives() {
    DriveTable::instance().setExtender({});
}

} // namespace qm
