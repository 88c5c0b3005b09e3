#pragma once
// Folders opened step by step, for a program that runs as root and must not be led
// through a link to a place another user chose. Each folder on the way is opened
// relative to the one before, without following a link; a link is followed only where
// nobody but root (or this process's own user) could have put it: in a folder that
// belongs to one of them and that no one else may write (or a sticky one such as /tmp,
// when the link is theirs too). Files are then made and
// replaced relative to the open folder, exclusively, with their mode set on the open
// file, never by path.

#include "platform/uniquefd.h"

#include <string>
#include <string_view>
#include <sys/types.h>

namespace qm {

// Opens the folder at the absolute host path `hostPath` as described above. With
// `create`, missing folders are made, each with exactly `mode` (not narrowed by the
// umask). An invalid descriptor, with errno set (ELOOP for a refused link), when a
// step fails.
UniqueFd openFolderChain(const std::string& hostPath, bool create = false, mode_t mode = 0755);

// Writes `contents` as the file `name` in the open folder `folderFd`: into a new
// temporary file beside it (made exclusively under a fresh name, so nothing planted
// there is opened), given `mode` on its descriptor, pushed to disk and renamed over
// `name`. False when anything failed; no temporary file is left then.
bool replaceFileAt(int folderFd, const std::string& name, std::string_view contents, mode_t mode);

// Removes `relative` ("a/b/name") below the open folder `baseFd`, opening every folder on
// the way relative to the one before and refusing a link among them, so the removal
// cannot be led out of the base folder. With `folder` false only a file or link goes
// (a link as a link); with `folder` true only an empty real folder. True when such an
// entry was removed.
bool removeEntryBelow(int baseFd, const std::string& relative, bool folder);

// Whether the folder `hostPath` and every folder above it belong to root and no other
// user may change them: a folder above may be sticky and writable by all (as /tmp is),
// since no user may then move what root put there; the folder itself may be written
// by root alone. Links on the way must be root's.
bool changeableOnlyByRoot(const std::string& hostPath);

// Whether a folder root is to make or use at `hostPath` stays one that no other user may
// change: the nearest folder on the path that exists is changeableOnlyByRoot, so what
// root makes below it is root's alone.
bool staysRootOnly(const std::string& hostPath);

} // namespace qm
