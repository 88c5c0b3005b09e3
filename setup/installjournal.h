#pragma once
// TInstallJournal: everything one install run changes, in order, so that a failed run
// can take it back and leave the machine as it found it, an earlier installation
// included. Files and folders are recorded after they are written; a file about to be
// replaced or removed is first set aside beside itself; registry values are written and
// deleted through the journal, which first notes what was there (the value, a key with
// everything below it, or the highest key that did not exist); autostart entries
// likewise. RollBack undoes the records newest first; Commit keeps the run's work and
// deletes what was set aside. Each record is taken back with the rights it was made with
// (ActingAsUser). Owns only its records.

#include "platform/hivestore.h"
#include "platform/registry.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class TInstallJournal {
  public:
    void FileWritten(std::string dosPath);
    void FolderCreated(std::string dosPath);
    // Creates `dosPath` with its missing parents, recording each one it made (and adding
    // it to `made`, parents first, when given).
    bool CreateFolders(const std::string& dosPath, std::vector<std::string>* made = nullptr);

    RegistryStatus WriteString(RegistryRoot root, std::string_view key, std::string_view name,
                               std::string_view value);
    RegistryStatus WriteDword(RegistryRoot root, std::string_view key, std::string_view name,
                              uint32_t value);
    // Deletes a value, or a key with everything below it; RollBack writes them back.
    // True when it is gone, or was not there; false when the hive could not be read or
    // changed (or is not this process's to change).
    bool DeleteValue(RegistryRoot root, std::string_view key, std::string_view name);
    bool DeleteKey(RegistryRoot root, std::string_view key);

    // Moves the file or link at `dosPath` to a hidden name beside it, so that the path is
    // free for a new file: RollBack moves it back over whatever took its place, Commit
    // deletes it. True when nothing was there or it was moved.
    bool SetAside(const std::string& dosPath);
    // The same for a file named by its host path (an autostart entry).
    bool SetAsideHost(const std::string& hostPath);

    // A run killed before its end leaves what it set aside behind it. These put such a
    // file back under its own name, over whatever took its place, as the run's rollback
    // would have: only a file or link named as SetAside names it ("." + name +
    // ".qmsetup-previous"), moved as it is, never followed. PutBack looks beside one host
    // path; PutBackBelow in a host folder and its subfolders (never through a link).
    static void PutBack(const std::string& hostPath);
    static void PutBackBelow(const std::string& hostFolder);

    // Records an undo step of the caller's own (an autostart entry written).
    void Undo(std::function<void()> undo);

    // Undoes every record, newest first, and forgets them.
    void RollBack();
    // The run is complete: deletes what was set aside and forgets every record.
    void Commit();

  private:
    // Keeps an undo step (or a step of Commit) to run with the rights the thread has now:
    // what was done with a user's rights is undone with them.
    void record(std::function<void()> undo);
    void onCommit(std::function<void()> step);
    void noteValue(RegistryRoot root, std::string_view key, std::string_view name);
    // Notes what is there, then writes the value through `write` on the opened key.
    RegistryStatus writeNoted(RegistryRoot root, std::string_view key, std::string_view name,
                              const std::function<RegistryStatus(Registry&)>& write);

    std::vector<std::function<void()>> undo_;
    std::vector<std::function<void()>> commit_;
};

} // namespace qm
