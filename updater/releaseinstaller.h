#pragma once
// TReleaseInstaller: puts a downloaded release into the install folder so that either
// every file is replaced or none is, also when the run is killed. First every file is
// prepared in the staging folder: an LZ file is expanded and must hold exactly the length
// its header states, and each file gets its listed date (a file without a valid date
// keeps the date of its copy) and the mode of the file it replaces (a program stays
// runnable) and is on the disk. The folders the files need are made and the swap is
// recorded in the staging folder (platform/updateswap.h) before the first rename. Then
// the files are swapped in: the installed file moves to the "previous" area and the
// prepared one takes its place. Last, the files and folders the release added are
// recorded in uninst.ini, everything is synced, and the swap record goes. When a step
// fails the recorded swap is taken back; when that fails too, the staging folder is kept
// for a later run to finish. Borrows the installation and the staging folder.

#include "updater/installation.h"
#include "updater/release.h"
#include "updater/stagingfolder.h"

#include <optional>
#include <string>
#include <vector>

namespace qm {

class TReleaseInstaller {
  public:
    TReleaseInstaller(const TInstallation& installation, TStagingFolder& staging);

    // False, with `error`, when the release could not be installed; the install folder
    // then holds what it held before, unless puttingBackFailed().
    bool Install(const TRelease& release, std::string& error);
    // A failed install could not put every replaced file back: they wait in the staging
    // folder, which is kept for the next run to finish the roll-back.
    bool puttingBackFailed() const { return puttingBackFailed_; }

  private:
    uint32_t modeFor(const TReleaseFile& file) const;
    bool prepare(const TReleaseFile& file, std::string& error);
    bool makeFolders(const TReleaseFile& file, std::vector<std::string>& made, std::string& error);
    bool swapIn(const TReleaseFile& file, std::string& error);
    bool record(const TRelease& release, const std::vector<std::string>& folders,
                std::string& error);
    void removeFolders(const std::vector<std::string>& folders) const;
    // Takes the recorded swap back; always false (the install failed).
    bool rollBack();
    std::string dosPath(const std::string& installPath) const;

    const TInstallation& installation_;
    TStagingFolder& staging_;
    bool puttingBackFailed_ = false;
};

} // namespace qm
