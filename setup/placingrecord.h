#pragma once
// The placing record: which files and folders an install run is about to put into the
// install folder where nothing stood, written (synced) before the first of them moves
// out of the staging folder and removed once they are all in place. A run killed in
// between leaves the record and the staging folder; the next run of setup (or the
// uninstaller) takes away what the record names and the staging folder no longer holds
// (it was moved in), and the folders it names when they are empty, so the folder is as
// the killed run found it; each is reached one real folder at a time, never through a
// link. Files that replaced an earlier installation's are not named
// here: those were set aside and are put back (TInstallJournal::PutBack).
//
// The file ".qmsetup-placing" in the install folder: text, lines ended by LF, "file " or
// "folder " and then a path below the install folder ("\" between folders, no empty, "."
// or ".." part), folders before what is in them.

#include <string>
#include <string_view>
#include <vector>

namespace qm {

class TPlacingRecord {
  public:
    static constexpr std::string_view kFileName = ".qmsetup-placing";

    // `folder`: the install folder (DOS path, trailing "\"); paths relative to it.
    static bool Write(const std::string& folder, const std::vector<std::string>& files,
                      const std::vector<std::string>& folders);
    static bool Remove(const std::string& folder);
    // Takes back what a killed run placed (see above) and removes the record. `staging`:
    // the run's staging folder (DOS path, trailing "\"), whose files were the sources.
    static void TakeBack(const std::string& folder, const std::string& staging);
};

} // namespace qm
