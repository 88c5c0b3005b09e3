#pragma once
// A disk that loses, when the power goes or the stick is pulled, every byte not yet
// synced: names (files made, renamed, deleted) reach it in the order they were changed,
// data only on a sync, which is what FAT and exFAT and a pulled stick give. Gate() wraps
// a change gate; each change it lets through is noted, and Cut() then puts back into
// every file of the drive the content it had when it was last synced (a file made
// since, and never synced, is left empty). Files are followed by their identity, so a
// file keeps what it had across the renames that move it into place.

#include "platform/fileio.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace qm::test {

class PowerCut {
  public:
    // Watches the changes to the files of Drive (a DOS letter mapped by the sandbox).
    explicit PowerCut(char Drive);

    // Allow decides; what it lets through is noted. The gate refers to this object.
    FileChangeGate Gate(FileChangeGate Allow);
    // Every file of the drive written since its last sync gets its synced content back.
    void Cut();

  private:
    using Identity = std::pair<uint64_t, uint64_t>; // device, inode
    void Note(FileChange Change, std::string_view DosPath);
    void ResolveMade();
    std::optional<Identity> IdentityOf(std::string_view DosPath) const;

    char fDrive;
    std::string fHostRoot;
    // The synced content of every file changed since its last sync.
    std::map<Identity, std::string> fSynced;
    // Files made since the last change looked: their identity is known once they exist.
    std::vector<std::string> fMade;
};

} // namespace qm::test
