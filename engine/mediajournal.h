#pragma once
// The backup run's staging folder and journal on one media drive. A copy or archive that
// replaces anything is written complete into "X:\Quillmoor\Staging\" first, under a name
// no copy tree can produce. Before it is moved into the copy tree, one journal entry
// says what the move does and which catalogue record the file gets; the moves are made
// so that each step can be repeated, and the journal is deleted only after the run's
// records are saved. A run that finds a journal (a crash or a pulled drive ended the
// one before) carries its entries out to the end, records included, before it reads
// anything, so a catalogued version is never missing, out of order or without its check
// file once a run has started. The run owns the object; it owns the open journal.

#include "engine/driverecord.h"
#include "platform/fileio.h"

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

namespace qm {

class MediaJournal {
  public:
    // One staged file and what its move into the copy tree does.
    struct Entry {
        enum class Kind {
            Place,  // the staged file becomes version Record.Revision of the media path
            Rotate, // versions 1 .. Record.Revision move down one, dropping version 0,
                    // and the staged file becomes version Record.Revision
        };
        Kind kind = Kind::Place;
        std::string staged;     // file name in the staging folder; its check file beside it
        DriveListRecord record; // the file's record once moved (version 0 as media path)
        // Versions 1 .. dropVersions of the media path were the old record's and go with
        // their check files (the new copy starts the versions afresh).
        uint8_t dropVersions = 0;
        // The old record's copies were encrypted and the new one is not: the check file
        // of every version the new record names goes too.
        bool dropCheckFiles = false;
        // This file's old backup under another name (its plain copy, with dropVersions of
        // its own, or its archive): deleted once moved, unless another record names it.
        std::string release;
        uint8_t releaseVersions = 0;
    };
    // Whether a record other than the file's own holds a name (MediaNames).
    using NamedElsewhere = std::function<bool(const std::string& Name)>;

    explicit MediaJournal(char Destination);

    static std::string StagingFolder(char Destination);
    static std::string JournalPath(char Destination);

    // A staging path not used before in this run, nor by a staged file still there.
    std::string NewStagedPath();
    // Appends the entries to the journal in one write and syncs it (with the staging
    // folder and the media folder when it makes the journal), so that every line is on
    // the disk before a move relies on it; false when they are not, and the files must
    // then not be moved. Their staged files must be synced already.
    bool Add(const std::vector<Entry>& NewEntries);
    bool Add(const Entry& NewEntry) { return Add(std::vector<Entry>{NewEntry}); }
    enum class Applied {
        Done,
        Refused, // it would move a file over a name another file's record holds
        Failed,  // a move failed
    };
    // Carries the entry's moves out. Every step looks at what is there first, so doing
    // an entry again after a crash at any point of it ends in the same place. Nothing is
    // moved over, and nothing deleted of, a name that Elsewhere says another file holds,
    // and nothing is moved where a folder stands (Refused: such a move could never end).
    static Applied Apply(char Destination, const Entry& Done, const NamedElsewhere& Elsewhere);
    // After the run's records are saved: the journal goes, then everything staged
    // (folders too: nothing left there may block a later run).
    void Finish();
    // Whether entries were added and not yet finished.
    bool Pending() const { return fAdded; }

    enum class Recovery {
        Nothing,  // no journal: the staging folder was emptied
        Replayed, // a journal was carried out and deleted; the catalogue may have changed
        Failed,   // a move or the catalogue failed: those entries stay for the next run
        // The catalogue or the journal could not be read: which files the journal holds
        // back is not known, and the run must change nothing (the journal stays whole).
        Unreadable,
    };
    // At the start of a run: carries out every whole entry of a journal left behind,
    // writes each entry's record into the catalogue (over the record of the same path,
    // else appended), syncs the media, then deletes the journal and empties the staging
    // folder. An entry that
    // names anything but its own file's copy tree names, or would move a file over a
    // name another record holds, is skipped. Entries that fail stay, alone, in the
    // journal (so the others are never carried out again over later backups), and
    // Pending receives their source paths: a backup must leave those files alone until
    // a run has finished them. Unreadable receives the log line of an Unreadable
    // recovery (the file that could not be read, and why).
    static Recovery Recover(char Destination, std::vector<std::string>* Pending = nullptr,
                            std::string* Unreadable = nullptr);

    // The text of one entry (a line ending in "\n") and its reading; none when the line
    // is not a whole, well-formed entry.
    static std::string Serialize(const Entry& Written);
    static std::optional<Entry> Parse(char Destination, std::string_view Line);

    // The longest line a journal entry can have; longer lines are not entries.
    static constexpr size_t kMaxLineLength = 4096;

  private:
    static void EmptyStaging(char Destination);

    char fDestination;
    FileHandle fJournal;
    int fNextStaged = 1;
    bool fStagingRead = false;
    std::unordered_set<std::string> fTaken; // names in the staging folder at the start
    bool fAdded = false;
};

} // namespace qm
