#include "engine/mediajournal.h"

#include "engine/cataloguefile.h"
#include "engine/copytree.h"
#include "engine/enginestate.h"
#include "engine/logline.h"
#include "engine/medianames.h"
#include "platform/casefold.h"
#include "platform/dospath.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <functional>
#include <unordered_map>
#include <vector>

namespace qm {

namespace {

const char* const kStagingFolderName = "Staging\\";
const char* const kJournalName = "journal";
const char* const kNextJournalName = "journal.next";
const char* const kStagedSuffix = ".part";
constexpr char kHex[] = "0123456789abcdef";

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (true) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string_view::npos)
            return fields;
        start = tab + 1;
    }
}

std::optional<uint8_t> ParseByte(std::string_view text) {
    unsigned value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value > 255)
        return std::nullopt;
    return static_cast<uint8_t>(value);
}

std::optional<DriveListRecord> ParseRecordHex(std::string_view text) {
    DriveListRecordBytes bytes{};
    if (text.size() != bytes.size() * 2)
        return std::nullopt;
    for (size_t i = 0; i < bytes.size(); ++i) {
        unsigned value = 0;
        auto [end, ec] = std::from_chars(text.data() + 2 * i, text.data() + 2 * i + 2, value, 16);
        if (ec != std::errc() || end != text.data() + 2 * i + 2)
            return std::nullopt;
        bytes[i] = static_cast<uint8_t>(value);
    }
    return ParseDriveListRecord(bytes);
}

// "<digits>.part": the only names the run stages under.
bool IsStagedName(std::string_view name) {
    const std::string_view suffix = kStagedSuffix;
    if (name.size() <= suffix.size() || name.substr(name.size() - suffix.size()) != suffix)
        return false;
    for (char c : name.substr(0, name.size() - suffix.size()))
        if (c < '0' || c > '9')
            return false;
    return true;
}

// Moves versions 1 .. Top of MediaPath down by one, each check file with its copy when
// the copies are encrypted (another file's copy may be called like an unencrypted
// copy's check file); the old version 0 is replaced by version 1. Where a crash stopped
// an earlier attempt, the first missing version shows how far it got: the versions
// below it have moved. The first rename that fails stops the shift: a later version
// moved on would land on the one that did not move, and a copy moved without its check
// file could be opened by no password. A check file moved just before its copy failed
// to move goes back, so the shift stops where a crash could have stopped it, and the
// line is carried out again from there. False when it stopped.
bool ShiftDown(const std::string& MediaPath, int Top, bool Encrypted) {
    int start = 1;
    for (int k = 0; k <= Top; ++k) {
        if (!fileExists(VersionName(MediaPath, k))) {
            start = k + 1;
            break;
        }
    }
    for (int k = start; k <= Top; ++k) {
        const std::string from = VersionName(MediaPath, k);
        const std::string to = VersionName(MediaPath, k - 1);
        // A version gone for another reason (taken off the media by hand) has nothing to
        // move, and must not keep the rest of the entry waiting for ever.
        if (!fileExists(from))
            continue;
        const bool check = Encrypted && fileExists(CheckFileName(from));
        if (check && !renameFile(CheckFileName(from), CheckFileName(to)))
            return false;
        if (!renameFile(from, to)) {
            if (check)
                renameFile(CheckFileName(to), CheckFileName(from));
            return false;
        }
    }
    return true;
}

// Calls Each with every line of the file that ends in a line feed (without it) and is
// at most MaxLength long; longer lines are skipped whole. The file is read in blocks,
// so its size costs no memory. False when it cannot be read.
bool ForEachLine(const std::string& Path, size_t MaxLength,
                 const std::function<void(std::string_view)>& Each) {
    FileHandle file = FileHandle::open(Path, OpenMode::Read);
    if (!file)
        return false;
    std::string line;
    bool tooLong = false;
    std::vector<char> block(64 * 1024);
    while (true) {
        const int64_t n = file.read(block.data(), static_cast<int64_t>(block.size()));
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        for (int64_t i = 0; i < n; ++i) {
            const char c = block[static_cast<size_t>(i)];
            if (c == '\n') {
                if (!tooLong)
                    Each(line);
                line.clear();
                tooLong = false;
            } else if (!tooLong && line.size() < MaxLength) {
                line.push_back(c);
            } else {
                tooLong = true;
                line.clear();
            }
        }
    }
}

} // namespace

MediaJournal::MediaJournal(char Destination) : fDestination(Destination) {}

std::string MediaJournal::StagingFolder(char Destination) {
    return MediaFolder(Destination) + kStagingFolderName;
}

std::string MediaJournal::JournalPath(char Destination) {
    return StagingFolder(Destination) + kJournalName;
}

std::string MediaJournal::NewStagedPath() {
    // A journal a run could not finish keeps its staged files here for the next one:
    // their names are read once, and never taken.
    if (!fStagingRead) {
        createFolderChain(excludeTrailingBackslash(StagingFolder(fDestination)));
        for (const FolderEntry& e :
             listFolder(excludeTrailingBackslash(StagingFolder(fDestination))).entries)
            fTaken.insert(e.name);
        fStagingRead = true;
    }
    std::string name;
    do
        name = std::to_string(fNextStaged++) + kStagedSuffix;
    while (fTaken.count(name) != 0 || fTaken.count(CheckFileName(name)) != 0);
    return StagingFolder(fDestination) + name;
}

std::string MediaJournal::Serialize(const Entry& Written) {
    const DriveListRecordBytes bytes = SerializeDriveListRecord(Written.record);
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        hex.push_back(kHex[b >> 4]);
        hex.push_back(kHex[b & 15]);
    }
    return std::string("entry\t") + (Written.kind == Entry::Kind::Rotate ? "R" : "P") + "\t" +
           Written.staged + "\t" + std::to_string(Written.dropVersions) + "\t" +
           (Written.dropCheckFiles ? "1" : "0") + "\t" + Written.release + "\t" +
           std::to_string(Written.releaseVersions) + "\t" + hex + "\tend\n";
}

std::optional<MediaJournal::Entry> MediaJournal::Parse(char Destination, std::string_view Line) {
    const std::vector<std::string_view> f = SplitTabs(Line);
    if (f.size() != 9 || f[0] != "entry" || f[8] != "end" || (f[1] != "P" && f[1] != "R") ||
        !IsStagedName(f[2]) || (f[4] != "0" && f[4] != "1"))
        return std::nullopt;
    Entry entry;
    entry.kind = f[1] == "R" ? Entry::Kind::Rotate : Entry::Kind::Place;
    entry.staged = std::string(f[2]);
    entry.dropCheckFiles = f[4] == "1";
    std::optional<uint8_t> drop = ParseByte(f[3]);
    std::optional<uint8_t> releaseVersions = ParseByte(f[6]);
    std::optional<DriveListRecord> record = ParseRecordHex(f[7]);
    if (!drop || !releaseVersions || !record)
        return std::nullopt;
    entry.dropVersions = *drop;
    entry.releaseVersions = *releaseVersions;
    entry.record = *record;
    entry.release = std::string(f[5]);
    // The media may carry another letter now; and the entry may name nothing but its own
    // file's copy or archive, so a damaged or crafted journal cannot reach anything else.
    DriveListRecord& r = entry.record;
    if (!r.MediaPath.empty())
        r.MediaPath[0] = Destination;
    if (!entry.release.empty())
        entry.release[0] = Destination;
    if (r.InArchive != 0 ||
        !IsMediaPathOfRecord(Destination, r.SourcePath, r.MediaPath, r.Compression != 0, false))
        return std::nullopt;
    const std::string copy = CopyPathFor(Destination, r.SourcePath);
    if (!entry.release.empty() &&
        (entry.release == r.MediaPath || (entry.release != copy && entry.release != copy + ".bpa")))
        return std::nullopt;
    return entry;
}

bool MediaJournal::Add(const std::vector<Entry>& NewEntries) {
    if (NewEntries.empty())
        return true;
    bool made = false;
    if (!fJournal.isOpen()) {
        const std::string staging = excludeTrailingBackslash(StagingFolder(fDestination));
        createFolderChain(staging);
        const std::string path = JournalPath(fDestination);
        made = !fileExists(path);
        fJournal = made ? FileHandle::create(path) : FileHandle::open(path, OpenMode::ReadWrite);
        fJournal.seek(0, SeekOrigin::End);
    }
    std::string lines;
    for (const Entry& e : NewEntries)
        lines += Serialize(e);
    // The lines are on the disk before any move relies on them; a journal made now is
    // found by its name, and the staging folder by its own.
    if (!fJournal.write(lines.data(), static_cast<int64_t>(lines.size())) || !fJournal.flush())
        return false;
    fAdded = true;
    if (made && (!syncFolder(excludeTrailingBackslash(StagingFolder(fDestination))) ||
                 !syncFolder(excludeTrailingBackslash(MediaFolder(fDestination)))))
        return false;
    return true;
}

MediaJournal::Applied MediaJournal::Apply(char Destination, const Entry& Done,
                                          const NamedElsewhere& Elsewhere) {
    const std::string staged = StagingFolder(Destination) + Done.staged;
    const std::string& media = Done.record.MediaPath;
    const int top = Done.record.Revision;
    const bool encrypted = Done.record.Encryption != 0;
    if (fileExists(staged)) {
        // Every name the moves write is the file's own: never another file's backup,
        // and never a folder (a rename over it would fail on every try).
        for (const std::string& name : MediaNames::NamesOf(Destination, Done.record))
            if (Elsewhere(name) || folderExists(name))
                return Applied::Refused;
        if (Done.kind == Entry::Kind::Rotate && !ShiftDown(media, top, encrypted))
            return Applied::Failed;
        const std::string target = VersionName(media, top);
        if (encrypted && fileExists(CheckFileName(staged)) &&
            !renameFile(CheckFileName(staged), CheckFileName(target)))
            return Applied::Failed;
        if (!renameFile(staged, target))
            return Applied::Failed;
    }
    auto drop = [&Elsewhere](const std::string& name) {
        if (!Elsewhere(name))
            deleteFile(name);
    };
    for (int k = 1; k <= Done.dropVersions; ++k) {
        drop(VersionName(media, k));
        drop(CheckFileName(VersionName(media, k)));
    }
    for (int k = 0; Done.dropCheckFiles && k <= top; ++k)
        drop(CheckFileName(VersionName(media, k)));
    if (!Done.release.empty() && !Elsewhere(Done.release)) {
        for (int k = 0; k <= Done.releaseVersions; ++k) {
            drop(VersionName(Done.release, k));
            drop(CheckFileName(VersionName(Done.release, k)));
        }
    }
    return Applied::Done;
}

namespace {

// Deletes everything in Folder (a DOS path ending in a backslash), its sub-folders
// included; links are left alone (nothing on the media is followed).
void ClearFolder(const std::string& Folder, int Depth) {
    FolderListing listing = listFolder(excludeTrailingBackslash(Folder));
    for (const FolderEntry& e : listing.entries) {
        if (e.isLink)
            continue;
        if (!e.isFolder) {
            deleteFile(Folder + e.name);
        } else if (Depth < 32) {
            ClearFolder(Folder + e.name + "\\", Depth + 1);
            removeFolder(Folder + e.name);
        }
    }
}

} // namespace

void MediaJournal::EmptyStaging(char Destination) {
    // A folder there (made by hand, or left by another program) would block the names
    // the runs stage under, "removal.part" among them.
    ClearFolder(StagingFolder(Destination), 0);
}

void MediaJournal::Finish() {
    fJournal.close();
    deleteFile(JournalPath(fDestination));
    EmptyStaging(fDestination);
    fAdded = false;
}

MediaJournal::Recovery MediaJournal::Recover(char Destination, std::vector<std::string>* Pending,
                                             std::string* Unreadable) {
    // Every run starts here: the media may have changed since the last one looked at it.
    LinkFreeFolder::Recheck();
    const std::string journalPath = JournalPath(Destination);
    if (!fileExists(journalPath)) {
        if (folderExists(excludeTrailingBackslash(StagingFolder(Destination))))
            EmptyStaging(Destination);
        return Recovery::Nothing;
    }
    // The catalogue as it stands: which names its records hold, and where each path's is.
    const std::string cataloguePath = CataloguePath(Destination);
    // Nothing is moved before every record is read: a record not read would let a line
    // move a file over the backup it names.
    auto unreadable = [Unreadable](const std::string& Path, const std::string& Why) {
        if (Unreadable)
            *Unreadable =
                logline::DamagedFile(Path, Why + "; the run stops before it changes anything.");
        return Recovery::Unreadable;
    };
    auto reason = [](int Error) { return std::string(std::strerror(Error != 0 ? Error : EIO)); };
    const bool made = !fileExists(cataloguePath);
    FileHandle file = made ? FileHandle::create(cataloguePath)
                           : FileHandle::open(cataloguePath, OpenMode::ReadWrite);
    if (!file.isOpen())
        return unreadable(cataloguePath, std::string("catalogue can't be ") +
                                             (made ? "made (" : "opened (") + reason(errno) + ")");
    CatalogueFile catalogue(file);
    std::optional<CatalogueFile::Shape> shape = catalogue.Inspect();
    if (!shape)
        return unreadable(cataloguePath, "catalogue can't be read (" + reason(file.error()) + ")");
    int32_t count = shape->records;
    MediaNames names(Destination, Engine().MediaFoldsCase(MediaFolder(Destination)));
    std::unordered_map<std::string, int32_t> slots;
    for (int32_t i = 0; i < count; ++i) {
        std::optional<DriveListRecordBytes> bytes = catalogue.ReadRecord(i);
        if (!bytes)
            return unreadable(cataloguePath,
                              file.error() != 0
                                  ? "catalogue can't be read (" + reason(file.error()) + ")"
                                  : "catalogue ended short of the length it had when opened");
        const DriveListRecord record = ParseDriveListRecord(*bytes);
        names.Add(record);
        slots.emplace(record.SourcePath, i);
    }
    bool catalogueOk = true;
    std::string failedLines;
    std::vector<std::string> failedSources, doneSources;
    int readError = 0;
    const bool read = ForEachLine(journalPath, kMaxLineLength, [&](std::string_view line) {
        std::optional<Entry> entry = Parse(Destination, line);
        if (!entry)
            return;
        const std::string& source = entry->record.SourcePath;
        auto elsewhere = [&](const std::string& name) {
            return names.OtherHolder(name, source).has_value();
        };
        const Applied applied = Apply(Destination, *entry, elsewhere);
        if (applied == Applied::Refused)
            return;
        if (applied == Applied::Failed) {
            failedLines.append(line).push_back('\n');
            failedSources.push_back(source);
            return;
        }
        auto [slot, added] = slots.try_emplace(source, count);
        if (!catalogue.WriteRecord(slot->second, SerializeDriveListRecord(entry->record))) {
            catalogueOk = false;
            if (added)
                slots.erase(slot);
            return;
        }
        names.Add(entry->record);
        doneSources.push_back(source);
        if (added)
            ++count;
    });
    // The reason a read failed, before the calls below set errno again.
    if (!read)
        readError = errno;
    catalogueOk = catalogue.WriteCount(count) && file.flush() && file.close() && catalogueOk;
    // The moves made and the records written reach the disk before the journal lines
    // that would make them again go.
    const bool durable = doneSources.empty() || syncFileSystem(MediaFolder(Destination));
    if (Pending)
        *Pending = failedSources;
    // A journal that could not be read, or whose records did not reach the catalogue,
    // stays whole for the next run to carry out again. Which files the lines not read
    // hold back is not known: the run changes nothing.
    if (!read)
        return unreadable(journalPath, "journal can't be read (" + reason(readError) + ")");
    if (!catalogueOk || !durable) {
        if (Pending)
            Pending->insert(Pending->end(), doneSources.begin(), doneSources.end());
        return Recovery::Failed;
    }
    if (failedLines.empty()) {
        deleteFile(journalPath);
        EmptyStaging(Destination);
        return Recovery::Replayed;
    }
    // Only what failed stays to be done; what was done is never done again over the
    // backups later runs make.
    const std::string next = StagingFolder(Destination) + kNextJournalName;
    FileHandle rewritten = FileHandle::create(next);
    if (rewritten.write(failedLines.data(), static_cast<int64_t>(failedLines.size())) &&
        rewritten.flush() && rewritten.close())
        renameFile(next, journalPath);
    else
        deleteFile(next);
    return Recovery::Failed;
}

} // namespace qm
