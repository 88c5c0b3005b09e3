#pragma once
// Media drives: the drives that carry the marker "X:\Quillmoor\drives.dat" (see
// mediadrivemarker.h) and receive backups; every other listed drive is a source drive.
// Drives are named by their root "X:\"; lists shown to the user and compared by the
// drive poll hold captions "(X:\)". Listed drives are the drive table's fixed, removable
// and unknown-type drives from C: on, in letter order.
//
// Enumerations only read: none of them writes or deletes a marker. Removable drives
// found without a readable medium are remembered (the no-medium list) and skipped by
// GetDrives until ClearNoMediaDrives. No Qt; one thread (the window thread) uses this.

#include <string>
#include <string_view>
#include <vector>

namespace qm {

// "E:\" for " e:\ ", "e:" or "E:\"; empty for anything that is not a drive root.
std::string NormalizeRoot(std::string_view root);
// "(E:\)" for the root "E:\".
std::string DriveCaption(std::string_view root);
// "E:\" for the caption "(E:\)"; empty when it is not one.
std::string RootOfCaption(std::string_view caption);

// Writes the marker; true only when the drive is a media drive afterwards. An empty or
// malformed root, an unmapped letter or a failed write gives false.
bool MakeMediaDrive(std::string_view root);
// Deletes the marker (the Quillmoor folder stays); true only when the drive is no
// longer a media drive afterwards.
bool UnmakeMediaDrive(std::string_view root);
// True when the marker exists and is exactly 24 bytes long. An empty or malformed
// root is not a media drive.
bool IsMediaDrive(std::string_view root);

// Roots of the listed drives, skipping the no-medium list; a removable drive is probed
// and, without a readable medium, goes onto the no-medium list instead.
std::vector<std::string> GetDrives();
// GetDrives less the media drives (may be empty: nothing is unmade to keep one).
std::vector<std::string> GetHardDrives();
// The media drives among GetDrives, as roots and as captions.
std::vector<std::string> GetMediaDrives();
std::vector<std::string> GetMediaDriveCaptions();
// Captions of every listed drive, without probing and without the no-medium list.
std::vector<std::string> ListAllDrives();
// Captions of the listed drives that are there to use: removable drives only with a
// readable medium. The drive poll compares these from tick to tick, so a medium put
// into an empty slot counts as a drive plugged in.
std::vector<std::string> ListPresentDrives();
// Roots of the listed drives other than C:, without probing.
std::vector<std::string> ListDrives();
// ListDrives as captions.
std::vector<std::string> GetDriveList();
void ClearNoMediaDrives();
// True when the drive's host folder can be read (a medium is in it).
bool DriveHasMedium(std::string_view root);

// The upper-cased first item of `a` that `b` lacks, else the first item of `b` that
// `a` lacks, else empty. Items compare ignoring case.
std::string FirstDifferentItem(const std::vector<std::string>& a,
                               const std::vector<std::string>& b);
// Items of `a` that `b` lacks (ignoring case), in the order of `a`.
std::vector<std::string> ItemsMissingFrom(const std::vector<std::string>& a,
                                          const std::vector<std::string>& b);

// The current media drive: the stored letter, upper case; empty when none is stored.
std::string GetMediaDriveSetting();
// Stores the drive letter of a caption "(E:\)".
bool SetMediaDriveSetting(std::string_view caption);
// "(E:\)" for the stored letter; "(:\)" when none is stored, which matches no caption.
std::string CurrentMediaCaption();

// What the user is told when a drive (its caption) could not be made a media drive or
// a source drive again.
std::string MakeMediaDriveFailedText(std::string_view caption);
std::string UnmakeMediaDriveFailedText(std::string_view caption);

// The index a drive combo box selects: the position of `current` among `captions`
// (ignoring case), else the last item, else -1 for an empty list.
int DriveComboIndex(const std::vector<std::string>& captions, std::string_view current);

} // namespace qm
