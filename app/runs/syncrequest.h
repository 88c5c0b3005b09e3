#pragma once
// What the Sync page hands a synchronisation run: the media drive that was compared, the
// ticked rows as path and size lists per direction, and the settings in force when the
// Sync button was pressed (copied in by WithSettingsInForce).

#include <cstdint>
#include <string>
#include <vector>

namespace qm {

// The path and size lists of one kind of ticked row, in list order, indexed alike, with
// the hard-drive date each row was compared against (the row's hardDos).
struct TSyncLists {
    std::vector<std::string> paths;
    std::vector<std::string> sizes;
    std::vector<uint32_t> compared;

    bool empty() const { return paths.empty(); }
    void append(const TSyncLists& other) {
        paths.insert(paths.end(), other.paths.begin(), other.paths.end());
        sizes.insert(sizes.end(), other.sizes.begin(), other.sizes.end());
        compared.insert(compared.end(), other.compared.begin(), other.compared.end());
    }
};

// Which synchronisation a request is for: operation 2, 3, 4 or 5 of the job runner.
enum class TSyncRun { Deletions, BothWays, MediaToHardDrive, HardDriveToMedia };

struct TSyncRequest {
    TSyncRun run = TSyncRun::Deletions;
    std::string mediaCaption;    // the drive of the comparison, "(E:\)"
    TSyncLists deletions;        // removed from the media
    TSyncLists mediaToHardDrive; // restored over the hard-drive files
    TSyncLists hardDriveToMedia; // backed up to the media

    // The settings in force.
    bool encryption = false; // hard drive to media: encrypt the copies
    int keyBits = 128;
    int compressionType = 0; // 0 none, 1 one archive per run, 2 one archive per file
    int level = 1;
    bool log = true;
    int revisions = 0;           // versions kept; 0 = none
    bool replaceOnlyOld = false; // media to hard drive: only over older files
};

} // namespace qm
