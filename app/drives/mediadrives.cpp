#include "app/drives/mediadrives.h"

#include "app/drives/mediadrivemarker.h"
#include "app/stores/settingsstore.h"
#include "platform/datetime.h"
#include "platform/dospath.h"
#include "platform/drivetable.h"
#include "platform/fileio.h"

#include <algorithm>
#include <cctype>

namespace qm {

namespace {

// Removable drives found without a medium; skipped by GetDrives until cleared.
std::vector<std::string>& noMediaDrives() {
    static std::vector<std::string> list;
    return list;
}

bool containsText(const std::vector<std::string>& list, std::string_view item) {
    return std::any_of(list.begin(), list.end(),
                       [item](const std::string& s) { return sameTextDos(s, item); });
}

bool isListedType(DriveType type) {
    return type == DriveType::Fixed || type == DriveType::Removable || type == DriveType::Unknown;
}

struct ListedDrive {
    std::string root;
    bool removable;
};

// The drive table's drives that the enumerations take into account, in letter order.
std::vector<ListedDrive> listedDrives() {
    std::vector<ListedDrive> drives;
    for (const DriveEntry& entry : DriveTable::instance().drives()) {
        if (entry.letter < 'C' || !isListedType(entry.type))
            continue;
        drives.push_back(
            {std::string(1, entry.letter) + ":\\", entry.type == DriveType::Removable});
    }
    return drives;
}

std::string folderOf(const std::string& root) {
    return root + "Quillmoor";
}

std::string markerOf(const std::string& root) {
    return folderOf(root) + "\\" + std::string(kMediaMarkerName);
}

std::vector<std::string> keepMedia(std::vector<std::string> roots, bool media) {
    std::erase_if(roots, [media](const std::string& root) { return IsMediaDrive(root) != media; });
    return roots;
}

} // namespace

std::string NormalizeRoot(std::string_view root) {
    size_t begin = 0;
    size_t end = root.size();
    while (begin < end && static_cast<unsigned char>(root[begin]) <= ' ')
        ++begin;
    while (end > begin && static_cast<unsigned char>(root[end - 1]) <= ' ')
        --end;
    root = root.substr(begin, end - begin);
    if (root.size() < 2 || root.size() > 3 || root[1] != ':' ||
        (root.size() == 3 && root[2] != '\\'))
        return {};
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(root[0])));
    if (letter < 'A' || letter > 'Z')
        return {};
    return std::string(1, letter) + ":\\";
}

std::string DriveCaption(std::string_view root) {
    return "(" + std::string(root) + ")";
}

std::string RootOfCaption(std::string_view caption) {
    if (caption.size() < 3 || caption.front() != '(' || caption.back() != ')')
        return {};
    return NormalizeRoot(caption.substr(1, caption.size() - 2));
}

bool MakeMediaDrive(std::string_view root) {
    const std::string drive = NormalizeRoot(root);
    // A drive whose root is gone (a medium unmounted a moment ago) is no drive: making
    // its folder would make the root on the file system below it.
    if (drive.empty() || !DriveTable::instance().find(drive[0]) || !folderExists(drive))
        return false;
    const LinkFreeFolder guard(drive);
    if (!createFolderChain(folderOf(drive)))
        return false;
    // Written beside and renamed into place: a marker that exists stays whole until
    // the new one is complete. Nothing goes through a link (a link named drives.dat
    // included: the drive then fails to become a media drive, and the user is told).
    const std::string marker = markerOf(drive);
    const std::string part = marker + ".qmpart";
    deleteFile(part);
    const MediaMarkerBytes bytes = SerializeMediaMarker(drive, now());
    FileHandle file = FileHandle::createNew(part);
    const bool written = file && file.write(bytes.data(), static_cast<int64_t>(bytes.size()));
    const bool closed = file.close();
    if (!written || !closed || !renameFile(part, marker)) {
        deleteFile(part);
        return false;
    }
    return IsMediaDrive(drive);
}

bool UnmakeMediaDrive(std::string_view root) {
    const std::string drive = NormalizeRoot(root);
    if (drive.empty() || !DriveTable::instance().find(drive[0]))
        return false;
    const LinkFreeFolder guard(drive);
    deleteFile(markerOf(drive));
    return !fileExists(markerOf(drive));
}

bool IsMediaDrive(std::string_view root) {
    const std::string drive = NormalizeRoot(root);
    if (drive.empty())
        return false;
    // A marker reached through a link marks some other place, not this drive.
    const std::string marker = markerOf(drive);
    return reachedWithoutLinks(marker) && fileExists(marker) &&
           fileSize(marker) == static_cast<int64_t>(MediaMarkerLayout::kMarkerSize);
}

bool DriveHasMedium(std::string_view root) {
    const std::string drive = NormalizeRoot(root);
    int64_t freeBytes = 0;
    int64_t totalBytes = 0;
    return !drive.empty() && folderExists(drive) && diskSpace(drive, freeBytes, totalBytes);
}

std::vector<std::string> GetDrives() {
    std::vector<std::string> roots;
    for (const ListedDrive& drive : listedDrives()) {
        if (containsText(noMediaDrives(), drive.root))
            continue;
        if (drive.removable && !DriveHasMedium(drive.root)) {
            noMediaDrives().push_back(drive.root);
            continue;
        }
        roots.push_back(drive.root);
    }
    return roots;
}

std::vector<std::string> GetHardDrives() {
    return keepMedia(GetDrives(), false);
}

std::vector<std::string> GetMediaDrives() {
    return keepMedia(GetDrives(), true);
}

std::vector<std::string> GetMediaDriveCaptions() {
    std::vector<std::string> captions = GetMediaDrives();
    for (std::string& item : captions)
        item = DriveCaption(item);
    return captions;
}

std::vector<std::string> ListAllDrives() {
    std::vector<std::string> captions;
    for (const ListedDrive& drive : listedDrives())
        captions.push_back(DriveCaption(drive.root));
    return captions;
}

std::vector<std::string> ListPresentDrives() {
    std::vector<std::string> captions;
    for (const ListedDrive& drive : listedDrives())
        if (!drive.removable || DriveHasMedium(drive.root))
            captions.push_back(DriveCaption(drive.root));
    return captions;
}

std::vector<std::string> ListDrives() {
    std::vector<std::string> roots;
    for (const ListedDrive& drive : listedDrives())
        if (drive.root != "C:\\")
            roots.push_back(drive.root);
    return roots;
}

std::vector<std::string> GetDriveList() {
    std::vector<std::string> captions = ListDrives();
    for (std::string& item : captions)
        item = DriveCaption(item);
    return captions;
}

void ClearNoMediaDrives() {
    noMediaDrives().clear();
}

std::vector<std::string> ItemsMissingFrom(const std::vector<std::string>& a,
                                          const std::vector<std::string>& b) {
    std::vector<std::string> missing;
    for (const std::string& item : a)
        if (!containsText(b, item))
            missing.push_back(item);
    return missing;
}

std::string FirstDifferentItem(const std::vector<std::string>& a,
                               const std::vector<std::string>& b) {
    std::vector<std::string> onlyA = ItemsMissingFrom(a, b);
    if (!onlyA.empty())
        return upperCaseDos(onlyA.front());
    std::vector<std::string> onlyB = ItemsMissingFrom(b, a);
    return onlyB.empty() ? std::string() : upperCaseDos(onlyB.front());
}

std::string GetMediaDriveSetting() {
    return upperCaseDos(TSettingsStore().mediaDrive());
}

bool SetMediaDriveSetting(std::string_view caption) {
    return TSettingsStore().setMediaDriveFromCaption(std::string(caption));
}

std::string CurrentMediaCaption() {
    return "(" + GetMediaDriveSetting() + ":\\)";
}

std::string MakeMediaDriveFailedText(std::string_view caption) {
    return "Can't use the drive " + std::string(caption) +
           " as a Target Media Drive: the file Quillmoor\\drives.dat could not be written "
           "on it. The drive may be full or read-only.";
}

std::string UnmakeMediaDriveFailedText(std::string_view caption) {
    return "Can't use the drive " + std::string(caption) +
           " as a Source Drive: the file Quillmoor\\drives.dat could not be deleted from "
           "it. The drive may be read-only.";
}

int DriveComboIndex(const std::vector<std::string>& captions, std::string_view current) {
    for (size_t i = 0; i < captions.size(); ++i)
        if (sameTextDos(captions[i], current))
            return static_cast<int>(i);
    return static_cast<int>(captions.size()) - 1;
}

} // namespace qm
