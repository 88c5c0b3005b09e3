#pragma once
// StagedFile: writes a file that replaces another only once it is complete. The bytes
// go into a new temporary file beside the target (created exclusively, so no other
// file is emptied or followed); Commit dates it and renames it over the target, and
// anything short of a commit deletes the temporary and leaves the target as it was.
// Owns the temporary file and its handle.

#include "platform/fileio.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qm {

// The temporaries of one kind of work (the engine's restores), listed in a file of the
// user's state folder as they are made, so that the next run can remove those a crash
// left beside their targets. Only names listed here are ever removed, so a user's own
// file that happens to look like a temporary is never touched. The caller owns it.
class StagedFileLedger {
  public:
    // HostPath: the list file; its folder is made when the first name is added.
    explicit StagedFileLedger(std::string HostPath);
    // $XDG_STATE_HOME (else $HOME/.local/state) + "/quillmoor/" + Name.
    static std::string StateFile(const std::string& Name);

    // Lists a temporary just made (a DOS path). Failures are ignored: the temporary is
    // still removed by its StagedFile unless the program dies.
    void Add(const std::string& TempName);
    // The temporary was renamed into place or deleted: its name may be a real file's
    // from now on, and is no longer one to clean up.
    void Done(const std::string& TempName);
    // Deletes every temporary listed and not done that is still there, then empties the
    // list. Call it only when no StagedFile of this ledger is open.
    void RemoveLeftovers();

  private:
    void Append(char Mark, const std::string& TempName);

    std::string fPath;
};

class StagedFile {
  public:
    // Ledger, when given, lists the temporary for the next run to clean up after a crash.
    explicit StagedFile(std::string Target, StagedFileLedger* Ledger = nullptr);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Creates the temporary file beside the target; false when no name is free or the
    // folder is not writable.
    bool Open();
    // The temporary file, for writing.
    FileHandle& File() { return fFile; }
    const std::string& TempName() const { return fTempName; }
    // The permission bits the file gets when no file is at the target yet (by default
    // 0644 without the umask's bits).
    void SetNewFileMode(uint32_t Mode) { fNewMode = Mode; }
    // A file that replaces an existing one keeps that file's owner and group too, where
    // the process may (as root): a restore of a user's file. Programs that install their
    // own files do not ask for it, so what they write stays theirs.
    void KeepOwner() { fKeepOwner = true; }
    // Gives the temporary DosDate (when set) and puts it in place of the target. The
    // temporary is readable by its owner only until then. A file that replaces an
    // existing one keeps that file's permissions (and owner, see KeepOwner) and is on
    // the disk before the rename, so a crash never leaves neither version. False
    // (temporary deleted, target untouched) when any write, the permissions, the date,
    // the sync, the close or the rename failed.
    bool Commit(std::optional<uint32_t> DosDate);
    // Deletes the temporary file; the target stays as it was.
    void Discard();

    // Replaces Target with Bytes through a temporary beside it: all of them or, on any
    // failure, the file as it was. The file and its folder are synced, a new file too.
    static bool Replace(const std::string& Target, std::string_view Bytes);

    // Suffix of the temporary names.
    static constexpr const char* kSuffix = ".qmpart";

  private:
    std::string fTarget;
    std::string fTempName;
    FileHandle fFile;
    StagedFileLedger* fLedger;
    std::optional<uint32_t> fNewMode;
    bool fKeepOwner = false;
};

} // namespace qm
