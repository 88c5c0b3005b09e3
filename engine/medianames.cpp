#include "engine/medianames.h"

#include "engine/cataloguefile.h"
#include "engine/copytree.h"
#include "platform/casefold.h"

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

MediaNames MediaNames::FromCatalogue(char Destination, bool FoldsCase, FileHandle& Catalogue) {
    MediaNames names(Destination, FoldsCase);
    CatalogueFile file(Catalogue);
    std::optional<CatalogueFile::Shape> shape = file.Inspect();
    for (int32_t i = 0; shape && i < shape->records; ++i) {
        std::optional<DriveListRecordBytes> bytes = file.ReadRecord(i);
        if (!bytes)
            break;
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

void MediaNames::Put(std::string_view Name, const std::string& Source, bool Shared) {
    auto [it, added] = fHolders.try_emplace(Key(Name), Holder{Source, {}, Shared});
    if (added)
        return;
    Holder& holder = it->second;
    holder.shared = holder.shared || Shared;
    if (holder.source != Source && holder.second.empty())
        holder.second = Source;
}

void MediaNames::Add(const DriveListRecord& Record) {
    const bool shared = Record.Compression != 0 && Record.InArchive != 0;
    for (const std::string& name : NamesOf(fDestination, Record))
        Put(name, Record.SourcePath, shared);
}

void MediaNames::Claim(std::string_view Name, const std::string& Source) {
    Put(Name, Source, false);
}

std::optional<std::string> MediaNames::OtherHolder(std::string_view Name,
                                                   const std::string& Source) const {
    auto it = fHolders.find(Key(Name));
    if (it == fHolders.end())
        return std::nullopt;
    const Holder& holder = it->second;
    if (holder.shared || holder.source != Source)
        return holder.source;
    if (!holder.second.empty())
        return holder.second;
    return std::nullopt;
}

bool MediaNames::Held(std::string_view Name) const {
    return fHolders.count(Key(Name)) != 0;
}

bool MediaNames::SameName(std::string_view Name, std::string_view Other) const {
    return Key(Name) == Key(Other);
}

} // namespace qm
