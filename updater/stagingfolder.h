#pragma once
// TStagingFolder: the updater's own folder for one update, "Temp\update-XXXXXX" in the
// install folder, always made new (never a folder that was there before) and locked
// while it lives (platform/updatestaging.h), so a later run can tell a folder left by a
// crash from one in use. It holds the downloads ("files"), the files prepared for
// installing ("ready") and the files they replace, kept for a roll-back ("previous").
// Making it is the test that the install folder is writable. Destroying it deletes that
// folder and nothing else ("Temp" too, when it is then empty), unless it is to be kept:
// a swap that could not be taken back leaves installed files only there.

#include "platform/uniquefd.h"
#include "updater/installation.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qm {

class TStagingFolder {
  public:
    enum class Area { Files, Ready, Previous };

    // Nothing, with `error`, when the install folder cannot be written.
    static std::unique_ptr<TStagingFolder> create(const TInstallation& installation,
                                                  std::string& error);
    ~TStagingFolder();
    TStagingFolder(const TStagingFolder&) = delete;
    TStagingFolder& operator=(const TStagingFolder&) = delete;

    // The DOS path and host path of `relative` ("a/b.txt") in an area.
    std::string dosPath(Area area, const std::string& relative) const;
    std::string hostPath(Area area, const std::string& relative) const;
    // Makes the folders of `relative` in the area (never through a link); its host path.
    std::optional<std::string> prepare(Area area, const std::string& relative) const;
    // The folder's own host path, without a trailing '/'.
    std::string hostRoot() const { return host_.substr(0, host_.size() - 1); }
    // The folder outlives this run: a later run finishes what it holds.
    void keep() { kept_ = true; }

  private:
    TStagingFolder(std::string dos, std::string host, std::string tempHost, UniqueFd lock);

    std::string dos_;      // with a trailing backslash
    std::string host_;     // with a trailing '/'
    std::string tempHost_; // the "Temp" folder around it
    UniqueFd lock_;        // the folder, locked: this run's own
    bool kept_ = false;
};

// Makes every folder of `relative`'s parent below `base` (a host folder); false when a
// part exists as anything but a real folder (a link is never followed). `created` gets
// the folders it made, relative to `base`, parents first.
bool makeFoldersBelow(const std::string& base, const std::string& relative,
                      std::vector<std::string>* created = nullptr);

} // namespace qm
