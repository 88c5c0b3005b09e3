#pragma once
// The swap record of an update: which installed files an updater run is about to replace
// and which folders it made for them. The run writes it into its staging folder and syncs
// it before it moves the first installed file, and removes it once every file is in place
// and on the disk. Whoever finds a staging folder that still holds a record (the next
// updater run, setup, the uninstaller) takes the swap back with RollBackSwap before the
// folder may go: its "previous" area may hold the only copy of an installed file.
//
// The file "swap.lst": text, lines ended by LF; the first line is "quillmoor swap 1",
// then "file " + a path below the install folder ("/" between folders, no empty, "." or
// ".." part) for each file in swap order, then "folder " + a path for each folder made,
// parents first. A file is swapped in two renames: the installed file to "previous/"
// + path (when there is one), then "ready/" + path to the installed place. Taking one back
// moves the installed file to "ready/" when "ready/" has none, then "previous/" back, so
// the roll-back can be cut short and repeated at any point.

#include <string>
#include <string_view>
#include <vector>

namespace qm::updatestaging {

inline constexpr std::string_view kSwapRecordFile = "swap.lst";

struct SwapRecord {
    std::vector<std::string> files;   // in swap order
    std::vector<std::string> folders; // made for them, parents first
};

// Writes the record into the staging folder (a host path) and syncs it, the folder,
// "Temp" and the install folder.
// False (errno set) when it is not safely on the disk.
bool WriteSwapRecord(const std::string& stagingHost, const SwapRecord& record);

// The swap is complete and on the disk: the record goes (synced). False when it stays.
bool EndSwap(const std::string& stagingHost);

// Puts back every file the swap recorded in the staging folder replaced, takes away the
// files it added, removes the folders it made when they are empty, and then removes the
// record. Never follows a link. True when no record is there or every file is back;
// false leaves the record, so the staging folder is kept and a later run tries again.
bool RollBackSwap(const std::string& installHost, const std::string& stagingHost);
// The same on open folders: the install folder and the staging folder.
bool RollBackSwapAt(int installFd, int stagingFd);

} // namespace qm::updatestaging
