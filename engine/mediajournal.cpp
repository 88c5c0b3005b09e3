#include "engine/mediajournal.h"

#include "engine/cataloguefile.h"
#include "engine/copytree.h"
#include "platform/casefold.h"
#include "platform/dospath.h"

#include <charconv>
#include <vector>

namespace qm {

namespace {

const char* const kStagingFolderName = "Staging\\";
const char* const kJournalName = "journal";
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

void DeleteWithCheckFile(const std::string& path) {
    deleteFile(path);
    deleteFile(CheckFileName(path));
}

// Moves versions 1 .. Top of MediaPath down by one, each check file with its copy; the
// old version 0 is replaced by version 1. Where a crash stopped an earlier attempt, the
// first missing version shows how far it got: the versions below it have moved.
bool ShiftDown(const std::string& MediaPath, int Top) {
    int start = 1;
    for (int k = 0; k <= Top; ++k) {
        if (!fileExists(VersionName(MediaPath, k))) {
            start = k + 1;
            break;
        }
    }
    bool ok = true;
    for (int k = start; k <= Top; ++k) {
        const std::string from = VersionName(MediaPath, k);
        const std::string to = VersionName(MediaPath, k - 1);
        if (fileExists(CheckFileName(from)))
            ok = renameFile(CheckFileName(from), CheckFileName(to)) && ok;
        ok = renameFile(from, to) && ok;
    }
    return ok;
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
    createFolderChain(excludeTrailingBackslash(StagingFolder(fDestination)));
    return StagingFolder(fDestination) + std::to_string(fNextStaged++) + kStagedSuffix;
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

bool MediaJournal::Add(const Entry& NewEntry) {
    if (!fJournal.isOpen()) {
        createFolderChain(excludeTrailingBackslash(StagingFolder(fDestination)));
        const std::string path = JournalPath(fDestination);
        fJournal = fileExists(path) ? FileHandle::open(path, OpenMode::ReadWrite)
                                    : FileHandle::create(path);
        fJournal.seek(0, SeekOrigin::End);
    }
    const std::string line = Serialize(NewEntry);
    if (!fJournal.write(line.data(), static_cast<int64_t>(line.size())))
        return false;
    fAdded = true;
    return true;
}

bool MediaJournal::Apply(char Destination, const Entry& Done, const NamedElsewhere& Elsewhere) {
    const std::string staged = StagingFolder(Destination) + Done.staged;
    const std::string& media = Done.record.MediaPath;
    const int top = Done.record.Revision;
    bool ok = true;
    if (fileExists(staged)) {
        if (Done.kind == Entry::Kind::Rotate)
            ok = ShiftDown(media, top);
        const std::string target = VersionName(media, top);
        if (fileExists(CheckFileName(staged)))
            ok = renameFile(CheckFileName(staged), CheckFileName(target)) && ok;
        ok = ok && renameFile(staged, target);
    }
    if (!ok)
        return false;
    for (int k = 1; k <= Done.dropVersions; ++k)
        DeleteWithCheckFile(VersionName(media, k));
    for (int k = 0; Done.dropCheckFiles && k <= top; ++k)
        deleteFile(CheckFileName(VersionName(media, k)));
    if (!Done.release.empty() && !Elsewhere(Done.release)) {
        DeleteWithCheckFile(Done.release);
        for (int k = 1; k <= Done.releaseVersions; ++k)
            DeleteWithCheckFile(VersionName(Done.release, k));
    }
    return true;
}

void MediaJournal::EmptyStaging(char Destination) {
    const std::string folder = StagingFolder(Destination);
    FolderListing listing = listFolder(excludeTrailingBackslash(folder));
    for (const FolderEntry& e : listing.entries) {
        if (!e.isFolder)
            deleteFile(folder + e.name);
    }
}

void MediaJournal::Finish() {
    fJournal.close();
    deleteFile(JournalPath(fDestination));
    EmptyStaging(fDestination);
    fAdded = false;
}

MediaJournal::Recovery MediaJournal::Recover(char Destination) {
    const std::string journalPath = JournalPath(Destination);
    if (!fileExists(journalPath)) {
        if (folderExists(excludeTrailingBackslash(StagingFolder(Destination))))
            EmptyStaging(Destination);
        return Recovery::Nothing;
    }
    std::string text;
    {
        FileHandle journal = FileHandle::open(journalPath, OpenMode::Read);
        const int64_t size = journal ? journal.size() : -1;
        if (size < 0)
            return Recovery::Failed;
        text.resize(static_cast<size_t>(size));
        if (!journal.readExact(text.data(), size))
            return Recovery::Failed;
    }
    // The catalogue as it stands: which records name what, and where each path's is.
    const std::string cataloguePath = CataloguePath(Destination);
    FileHandle file = fileExists(cataloguePath)
                          ? FileHandle::open(cataloguePath, OpenMode::ReadWrite)
                          : FileHandle::create(cataloguePath);
    CatalogueFile catalogue(file);
    std::optional<CatalogueFile::Shape> shape = catalogue.Inspect();
    if (!shape)
        return Recovery::Failed;
    int32_t count = shape->records;
    std::vector<DriveListRecord> records;
    for (int32_t i = 0; i < count; ++i) {
        std::optional<DriveListRecordBytes> bytes = catalogue.ReadRecord(i);
        if (!bytes)
            return Recovery::Failed;
        records.push_back(ParseDriveListRecord(*bytes));
        if (!records.back().MediaPath.empty())
            records.back().MediaPath[0] = Destination;
    }
    bool ok = true;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        std::optional<Entry> entry =
            Parse(Destination, std::string_view(text).substr(start, end - start));
        if (!entry)
            continue;
        const std::string& source = entry->record.SourcePath;
        auto elsewhere = [&](const std::string& media) {
            const std::string key = foldCaseUtf8(media);
            for (const DriveListRecord& r : records)
                if (r.SourcePath != source && foldCaseUtf8(r.MediaPath) == key)
                    return true;
            return false;
        };
        if (!Apply(Destination, *entry, elsewhere)) {
            ok = false;
            continue;
        }
        int32_t index = count;
        for (int32_t i = 0; i < count; ++i)
            if (records[static_cast<size_t>(i)].SourcePath == source)
                index = i;
        if (!catalogue.WriteRecord(index, SerializeDriveListRecord(entry->record))) {
            ok = false;
            continue;
        }
        if (index == count) {
            records.push_back(entry->record);
            ++count;
        } else {
            records[static_cast<size_t>(index)] = entry->record;
        }
    }
    ok = catalogue.WriteCount(count) && file.flush() && file.close() && ok;
    // A journal that could not be carried out stays for the next run to try again.
    if (!ok)
        return Recovery::Failed;
    deleteFile(journalPath);
    EmptyStaging(Destination);
    return Recovery::Replayed;
}

} // namespace qm
