#pragma once
// The saved backup selection of a media drive: three text files in
// "X:\Quillmoor\Selections" (BackupSelFolders.dat: ticked folders, BackupSelGray.dat:
// partly ticked folders, BackupSelFiles.dat: ticked files of partly ticked folders), one
// path per line, each line ended by CR LF. The three are replaced together or not at
// all: each is written beside its target, and only when all three are complete are they
// renamed into place; a rename that fails puts the earlier ones back. A missing file is
// an empty list.

#include <string>
#include <vector>

namespace qm {

struct TBackupSelectionLists {
    std::vector<std::string> folders;
    std::vector<std::string> grey;
    std::vector<std::string> files;
};

class TSelectionFiles {
  public:
    static constexpr const char* kFolders = "BackupSelFolders.dat";
    static constexpr const char* kGrey = "BackupSelGray.dat";
    static constexpr const char* kFiles = "BackupSelFiles.dat";

    // The selection files of media drive `letter`.
    explicit TSelectionFiles(char letter);

    std::string folder() const; // "E:\Quillmoor\Selections"

    // Whether the drive holds any of the three files.
    bool saved() const;
    // False when a file exists but cannot be read, or is reached through a link (`lists`
    // is then left as it was). A file longer than a selection can sensibly be is read up
    // to its last whole line within that length, and `cut` (when given) says so.
    bool read(TBackupSelectionLists& lists, bool* cut = nullptr) const;
    // False (and the previous files as they were) when any of the three fails.
    bool write(const TBackupSelectionLists& lists) const;

  private:
    std::string pathOf(const char* name) const;

    char letter_;
};

} // namespace qm
