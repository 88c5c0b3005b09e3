#pragma once
// A sandbox with Quillmoor installed by setup's installer from a test medium into
// C:\Program Files\Quillmoor, as the updater finds it: the Uninstall key, the main program
// (dated 14 October 2026 from the medium, so the check asks with "date=2026-14-10"), the
// updater, the uninstaller, the bookkeeping files and the help pages.

#include "support/install/installsandbox.h"
#include "support/sandbox.h"

#include <map>
#include <string>

namespace qm::test {

inline constexpr const char* kInstalledCheckTarget =
    "/software/updates/quillmoor.php?date=2026-14-10";

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
    InstallSandbox machine_;
    std::string folder_;
};

} // namespace qm::test
