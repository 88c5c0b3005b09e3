#pragma once
// A sandbox holding an installation in C:\Quillmoor as the updater finds it: the
// Uninstall key's UninstallString, the main program (dated 1 March 2026, so the check
// asks with "date=2026-01-03"), the uninstaller and a help page.

#include "support/sandbox.h"

#include <map>
#include <string>

namespace qm::test {

inline constexpr const char* kInstalledCheckTarget =
    "/software/updates/quillmoor.php?date=2026-01-03";

class InstalledSandbox : public Sandbox {
  public:
    InstalledSandbox();

    // The host folder of the installation.
    const std::string& folder() const { return folder_; }
    std::string read(const std::string& relative) const;
    // "yyyy-mm-dd hh:nn" of a file's local modification time.
    std::string localDate(const std::string& relative) const;
    // Every file and folder of the installation with its bytes, date and mode.
    std::map<std::string, std::string> installed() const;

  private:
    std::string folder_;
};

} // namespace qm::test
