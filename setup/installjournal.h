#pragma once
// TInstallJournal: everything one install run writes, in order, so that a failed run
// can take it back. Files and folders are recorded after they are written; registry
// values are written through the journal, which first notes what was there (the value,
// or the highest key that did not exist), and autostart entries likewise. RollBack
// undoes the records newest first. Owns only its records.

#include "platform/hivestore.h"

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
    // Creates `dosPath` with its missing parents, recording each one it made.
    bool CreateFolders(const std::string& dosPath);

    RegistryStatus WriteString(RegistryRoot root, std::string_view key, std::string_view name,
                               std::string_view value);
    RegistryStatus WriteDword(RegistryRoot root, std::string_view key, std::string_view name,
                              uint32_t value);
    // Records an undo step of the caller's own (an autostart entry written).
    void Undo(std::function<void()> undo);

    // Undoes every record, newest first, and forgets them.
    void RollBack();

  private:
    void noteValue(RegistryRoot root, std::string_view key, std::string_view name);

    std::vector<std::function<void()>> undo_;
};

} // namespace qm
