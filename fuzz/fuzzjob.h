#pragma once
// What the engine targets share: a fresh engine state with quiet callbacks, a job aimed
// at the sandbox's media drive E: with its log in the program folder, a few files on
// the media for a catalogue to point at, and a check that a run changed files only where
// it may. Everything here works inside FuzzSandbox.

#include "engine/backupjob.h"

#include <initializer_list>
#include <map>
#include <string>
#include <string_view>

namespace qm::fuzz {

// The folder restores write into, and its host folder relative to the sandbox root.
inline constexpr const char* kRestoreFolder = "C:\\restore\\";
inline constexpr const char* kRestoreHostPrefix = "C/restore/";
// The run log, and its host path relative to the sandbox root.
inline constexpr const char* kLogFile = "C:\\program\\Log.txt";
inline constexpr const char* kLogHostPath = "C/program/Log.txt";
// The list of a restore's temporaries in the user's state folder (HOME is the sandbox's).
inline constexpr const char* kRestoreLedgerHostPath = "home/.local/state/quillmoor/restoring";
// The password every encrypted seed was written with.
inline constexpr const char* kPassword = "fuzz";

// Engine().Reset(), no progress or password callbacks, no sleeping, a password list.
void PrepareEngine();
// Destination E:, logging on into kLogFile.
void AimAtSandbox(TBackUpJob& job);
// A plain copy of C:\docs\a.txt and a one-entry archive of C:\docs\b.txt on E:, and
// a report beside the copy trees that no deletion may touch.
void WriteMediaFiles();

// Every file below the sandbox root (relative path) with its bytes.
using FileSnapshot = std::map<std::string, std::string>;
FileSnapshot Snapshot();
// Ends the process when a file was added, changed or removed since `before` other
// than below one of the allowed relative prefixes.
void RequireChangesOnlyIn(const FileSnapshot& before,
                          std::initializer_list<std::string_view> allowedPrefixes,
                          const char* what);

} // namespace qm::fuzz
