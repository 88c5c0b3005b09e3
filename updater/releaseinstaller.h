#pragma once
// TReleaseInstaller: puts a downloaded release into the install folder so that either
// every file is replaced or none is. First every file is prepared in the staging folder:
// an LZ file is expanded and must hold exactly the length its header states, and each
// file gets its listed date and its mode (0755 for programs) and is on the disk. Only
// then are the files swapped in by renames: the installed file moves to the staging
// folder's "previous" area and the prepared one takes its place. Last, the files and
// folders the release added are recorded in uninst.ini, so that an uninstall removes
// them too. When a rename or the record fails, every file swapped so far goes back and
// the folders made for them go. Borrows the installation and the staging folder.

#include "updater/installation.h"
#include "updater/release.h"
#include "updater/stagingfolder.h"

#include <optional>
#include <string>
#include <vector>

namespace qm {

class TReleaseInstaller {
  public:
    TReleaseInstaller(const TInstallation& installation, const TStagingFolder& staging);

    // False, with `error`, when the release could not be installed; the install folder
    // then holds what it held before.
    bool Install(const TRelease& release, std::string& error);

  private:
    struct Swapped {
        std::string target;
        std::optional<std::string> previous; // where the replaced file waits
        std::vector<std::string> folders;    // made for it, relative, parents first
    };

    bool prepare(const TReleaseFile& file, std::string& error);
    bool swapIn(const TReleaseFile& file, std::vector<Swapped>& swapped, std::string& error);
    bool record(const TRelease& release, const std::vector<Swapped>& swapped, std::string& error);
    void removeFolders(const std::vector<std::string>& folders) const;
    void rollBack(const std::vector<Swapped>& swapped) const;
    std::string dosPath(const std::string& installPath) const;

    const TInstallation& installation_;
    const TStagingFolder& staging_;
};

} // namespace qm
