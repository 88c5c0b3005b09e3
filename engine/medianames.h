#pragma once
// The names in a media drive's copy trees that its catalogue records hold: a plain
// copy's versions 0 .. revision with their check files, an archive of its own, or the
// run archive a record's entry is in (held by every file of that run together). Copy
// tree names can meet: version 1 of "a.txt" is the copy of a file "a_1.txt", the check
// file of "a.txt" the copy of "a.txt.mac", a run archive the copy of a file of that name
// at a drive's root. The runs ask here before they write, move or delete a name, so a
// name held by another file's record is never touched for one file's sake. On media
// whose file system ignores case, names are compared folded. The index keeps one entry
// per record (a name is traced back to the media paths that could give it), so a
// catalogue with absurd revisions costs no more than any other. A copy tree folder that
// a record's media path lies in is held too: a file's version named like a folder of
// other files' copies ("proj_1" beside the folder "proj_1\") could never be moved there.
// Owns its index.

#include "engine/driverecord.h"
#include "platform/fileio.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qm {

class MediaNames {
  public:
    MediaNames(char Destination, bool FoldsCase)
        : fDestination(Destination), fFoldsCase(FoldsCase) {}

    // The names Record holds (its media path with the drive letter Destination).
    static std::vector<std::string> NamesOf(char Destination, const DriveListRecord& Record);
    // The names every whole record of the open catalogue holds; none when a record
    // cannot be read (the names of the records not read would pass for free).
    static std::optional<MediaNames> FromCatalogue(char Destination, bool FoldsCase,
                                                   FileHandle& Catalogue);

    // Record's names are held by its file from now on (a record of the catalogue, or
    // the one a run is about to give a file).
    void Add(const DriveListRecord& Record);
    // The source path of a record other than Source's own that holds Name, or of a run
    // archive (which no one file may take over); none when Name is free for Source.
    std::optional<std::string> OtherHolder(std::string_view Name, const std::string& Source) const;
    // Whether any record holds Name.
    bool Held(std::string_view Name) const;
    // The source path of a record whose media path lies below the folder Name (a folder
    // its copy or archive needs, which no file's copy may take); none when there is none.
    std::optional<std::string> FolderHolder(std::string_view Name) const;

  private:
    // A record, filed under its media path.
    struct Holder {
        std::string source;
        bool shared = false; // a run archive: its files hold it together
        bool archive = false;
        bool checkFiles = false;
        int revision = 0;
    };
    std::string Key(std::string_view Name) const;
    // Calls Each with every holder whose names include Name, until it answers true.
    template <typename Each> bool AnyHolderOf(std::string_view Name, Each each) const;

    char fDestination;
    bool fFoldsCase;
    std::unordered_map<std::string, std::vector<Holder>> fHolders;
    // The folders of the copy trees the records' media paths lie in, each with the
    // source path of one record below it.
    std::unordered_map<std::string, std::string> fFolders;
};

} // namespace qm
