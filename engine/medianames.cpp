#include "engine/medianames.h"

#include "engine/cataloguefile.h"
#include "engine/copytree.h"
#include "platform/casefold.h"

#include <cctype>

namespace qm {

std::vector<std::string> MediaNames::NamesOf(char Destination, const DriveListRecord& Record) {
    std::string media = Record.MediaPath;
    if (media.empty())
        return {};
    media[0] = Destination;
    if (Record.Compression != 0)
        return {media};
    std::vector<std::string> names;
    for (int k = 0; k <= Record.Revision; ++k) {
        names.push_back(VersionName(media, k));
        if (Record.Encryption != 0)
            names.push_back(CheckFileName(names.back()));
    }
    return names;
}

std::optional<MediaNames> MediaNames::FromCatalogue(char Destination, bool FoldsCase,
                                                    FileHandle& Catalogue) {
    MediaNames names(Destination, FoldsCase);
    if (!Catalogue.isOpen())
        return names; // no catalogue: no record holds anything
    CatalogueFile file(Catalogue);
    std::optional<CatalogueFile::Shape> shape = file.Inspect();
    if (!shape)
        return std::nullopt;
    for (int32_t i = 0; i < shape->records; ++i) {
        std::optional<DriveListRecordBytes> bytes = file.ReadRecord(i);
        if (!bytes)
            return std::nullopt;
        names.Add(ParseDriveListRecord(*bytes));
    }
    return names;
}

std::string MediaNames::Key(std::string_view Name) const {
    std::string key(Name);
    if (!key.empty())
        key[0] = fDestination;
    return fFoldsCase ? foldCaseUtf8(key) : key;
}

void MediaNames::Add(const DriveListRecord& Record) {
    if (Record.MediaPath.empty())
        return;
    Holder holder;
    holder.source = Record.SourcePath;
    holder.shared = Record.Compression != 0 && Record.InArchive != 0;
    holder.archive = Record.Compression != 0;
    holder.checkFiles = Record.Compression == 0 && Record.Encryption != 0;
    holder.revision = Record.Compression != 0 ? 0 : Record.Revision;
    // The folders below the drive's copy tree folder ("X:\Quillmoor\Drive_C\") the
    // media path lies in; a path the index already knows the folders of costs one look.
    const size_t treeEnd = Record.MediaPath.find('\\', MediaFolder(fDestination).size());
    for (size_t slash = Record.MediaPath.rfind('\\');
         treeEnd != std::string::npos && slash != std::string::npos && slash > treeEnd;
         slash = Record.MediaPath.rfind('\\', slash - 1)) {
        if (!fFolders.emplace(Key(Record.MediaPath.substr(0, slash)), Record.SourcePath).second)
            break;
    }
    std::vector<Holder>& holders = fHolders[Key(Record.MediaPath)];
    // The files of one run archive hold it together: one of them stands for all.
    if (holder.shared)
        for (const Holder& other : holders)
            if (other.shared)
                return;
    holders.push_back(std::move(holder));
}

template <typename Each> bool MediaNames::AnyHolderOf(std::string_view Name, Each each) const {
    // Name as version K (0: the media path itself) of a media path, or its check file.
    auto atBase = [&](std::string_view base, int k, bool check) {
        auto found = fHolders.find(Key(base));
        if (found == fHolders.end())
            return false;
        for (const Holder& holder : found->second) {
            const bool holds = holder.archive
                                   ? k == 0 && !check
                                   : k <= holder.revision && (!check || holder.checkFiles);
            if (holds && each(holder))
                return true;
        }
        return false;
    };
    auto asVersion = [&](std::string_view name, bool check) {
        if (atBase(name, 0, check))
            return true;
        // "_<k>" just before the extension of the file name (VersionName), k >= 1.
        size_t nameStart = name.rfind('\\');
        nameStart = nameStart == std::string_view::npos ? 0 : nameStart + 1;
        size_t dot = name.rfind('.');
        if (dot == std::string_view::npos || dot < nameStart)
            dot = name.size();
        size_t digits = dot;
        while (digits > nameStart && std::isdigit(static_cast<unsigned char>(name[digits - 1])))
            --digits;
        if (digits == dot || dot - digits > 3 || digits <= nameStart || name[digits - 1] != '_' ||
            name[digits] == '0')
            return false;
        int k = 0;
        for (size_t i = digits; i < dot; ++i)
            k = k * 10 + (name[i] - '0');
        const std::string base =
            std::string(name.substr(0, digits - 1)) + std::string(name.substr(dot));
        return atBase(base, k, check);
    };
    const std::string_view mac = ".mac";
    return asVersion(Name, false) ||
           (Name.size() > mac.size() && Name.substr(Name.size() - mac.size()) == mac &&
            asVersion(Name.substr(0, Name.size() - mac.size()), true));
}

std::optional<std::string> MediaNames::OtherHolder(std::string_view Name,
                                                   const std::string& Source) const {
    // A folder of copies is no file's own name.
    std::optional<std::string> other = FolderHolder(Name);
    if (other)
        return other;
    AnyHolderOf(Name, [&](const Holder& holder) {
        if (!holder.shared && holder.source == Source)
            return false;
        other = holder.source;
        return true;
    });
    return other;
}

bool MediaNames::Held(std::string_view Name) const {
    return AnyHolderOf(Name, [](const Holder&) { return true; }) || FolderHolder(Name);
}

std::optional<std::string> MediaNames::FolderHolder(std::string_view Name) const {
    if (fFolders.empty())
        return std::nullopt;
    auto found = fFolders.find(Key(Name));
    if (found == fFolders.end())
        return std::nullopt;
    return found->second;
}

} // namespace qm
