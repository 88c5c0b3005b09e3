#pragma once
// File and folder operations on DOS paths. Every function translates its path once
// through toHostPath(); a path that does not translate fails like a missing file.
//
// FileHandle fails closed: after the first failed read, write, seek or truncate it
// refuses every further call and keeps the first error, so a writer can never report
// success for a file that lost bytes on the way.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct stat; // <sys/stat.h>

namespace qm {

enum class OpenMode { Read, ReadWrite };

// What tells one state of a file from another: a file replaced, rewritten or resized
// since it was last looked at has another identity.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modifiedNs = 0;
    int64_t changedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

// Who may use a file: its permission bits and its owner and group.
struct FileAccess {
    uint32_t mode = 0; // permission bits, set-id and sticky bits included
    uint32_t owner = 0;
    uint32_t group = 0;
};

// The kinds of change the functions below make to a file system.
enum class FileChange {
    Create,
    Write,
    Truncate,
    Rename,
    Delete,
    MakeFolder,
    RemoveFolder,
    SetDate,
    Sync,           // a file's data pushed to the disk (FileHandle::flush, syncFile)
    SyncFolder,     // a folder's names pushed to the disk (syncFolder)
    SyncFileSystem, // everything of the file system holding the path (syncFileSystem)
    Open,           // an existing file opened (FileHandle::open); refused: EMFILE
    Read,           // a read through a FileHandle; refused: EIO
};
// Test seam for crashes and full media: when set, it is asked before every change made
// through this file, with the DOS path changed (the source of a rename), and a false
// answer makes that change fail without doing anything (a write as if the media were
// full, a sync as if the disk had failed). Tests that stop the file system at the Nth
// change this way see exactly what a crash at that moment leaves; the syncs tell them
// what a power cut would keep. Empty by default. A gate set WithOpensAndReads is asked
// before every open of an existing file and every read too (Open, Read), so a test can
// fail the Nth of those as a pulled or failing stick fails them; other gates never see
// them.
using FileChangeGate = std::function<bool(FileChange Change, std::string_view DosPath)>;
enum class GateScope { ChangesOnly, WithOpensAndReads };
void setFileChangeGate(FileChangeGate Gate, GateScope Scope = GateScope::ChangesOnly);
// Code that changes files through host paths (the updater's swap) asks the same seam
// before each change; false (errno set) when it refuses.
bool allowFileChange(FileChange Change, std::string_view Path);
enum class SeekOrigin { Begin, Current, End };

// A folder (a DOS path ending in a backslash) whose contents are read and changed only
// along real folders, for as long as the object lives: a path below it (whatever its
// spelling) is reached from its drive's root one folder at a time, each opened relative
// to the one before without following a link, and every open, create, stat, rename,
// delete, folder creation or removal, date change, listing and sync acts relative to
// the folder so opened. A path that leads through a link, or whose own name is one,
// fails like a missing file (errno ELOOP); a listing shows a link as one and never
// follows it. A media drive can come from anyone, and a link planted in it, even while a
// run goes on, must not lead the engine's reads, writes, renames and deletes to the
// computer's own files. The engine's job guards its media folder; a restore run guards
// the media drive whole.
class LinkFreeFolder {
  public:
    explicit LinkFreeFolder(std::string DosFolder);
    ~LinkFreeFolder();
    // Lets go of the folders kept open (a run calls it when it starts: the media may have
    // changed since the last).
    static void Recheck();
    LinkFreeFolder(const LinkFreeFolder&) = delete;
    LinkFreeFolder& operator=(const LinkFreeFolder&) = delete;

  private:
    std::string fFolder;
};

// Whether dosPath is reached from its drive's root through real folders only: no name on
// the way, dosPath's own included, is a symbolic link (a name that does not exist ends
// the walk). False too for a path that does not translate. For what the windows read on
// a media drive, which anyone may have made: a link there may lead anywhere.
bool reachedWithoutLinks(std::string_view dosPath);

class FileHandle {
  public:
    FileHandle() = default;
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    // Opens an existing file; the handle is closed (isOpen() false) on failure.
    static FileHandle open(std::string_view dosPath, OpenMode mode);
    // Creates the file or empties an existing one, opened for reading and writing.
    static FileHandle create(std::string_view dosPath);
    // Creates a new file for reading and writing; fails when the name exists already
    // (as a file, folder or link), so nothing there is ever emptied or followed. Mode is
    // narrowed by the process's umask.
    static FileHandle createNew(std::string_view dosPath, uint32_t mode = 0644);

    bool isOpen() const { return fd_ >= 0; }
    explicit operator bool() const { return isOpen() && error_ == 0; }
    // errno of the first failure, 0 when none.
    int error() const { return error_; }

    // Bytes read (0 at the end), or -1 on failure.
    int64_t read(void* buffer, int64_t count);
    // Reads exactly `count` bytes; false on failure or a short read.
    bool readExact(void* buffer, int64_t count);
    // Writes every byte or fails: a short write (disk full) is a failure.
    bool write(const void* buffer, int64_t count);
    // The same at `offset`, leaving the file position where it was.
    bool writeAt(int64_t offset, const void* buffer, int64_t count);
    // New position, or -1 on failure.
    int64_t seek(int64_t offset, SeekOrigin origin = SeekOrigin::Begin);
    int64_t position();
    int64_t size();
    // Ends the file at the current position.
    bool truncate();
    // Pushes the file's data to the disk.
    bool flush();
    // Closes the file. True when no call on it failed and the system closed it cleanly
    // (some file systems report a lost write only at this point).
    bool close();
    std::optional<FileAccess> access();
    // Sets the permission bits (and set-id and sticky bits) to Mode.
    bool setMode(uint32_t Mode);
    // For a new file that takes the bytes of a file with Source's access: no one may read
    // or write it who could not the source. It gets the source's permission bits (no
    // set-id or sticky bits, none outside Mask), the group bits only with the source's
    // group, which it is given where the process may (root, or a member of it).
    bool shareAccessOf(const FileAccess& Source, uint32_t Mask = 0777);
    // For a file that takes the bytes of one more file: it keeps only the permission bits
    // both allow, and no group bits unless the groups are the same.
    bool narrowAccessTo(const FileAccess& Source);
    // For a file that replaces Existing: its owner and group where the process may (as
    // root), else the group bits go unless the groups agree; then its permission bits.
    bool takeAccessOf(const FileAccess& Existing);

    // Last-write date as a packed DOS date and time (local time, 2-second steps).
    std::optional<uint32_t> dosDateTime();
    std::optional<FileIdentity> identity();
    bool setDosDateTime(uint32_t dosDateTime);

  private:
    FileHandle(int fd, std::string_view dosPath) : fd_(fd), path_(fd >= 0 ? dosPath : "") {}
    bool fail();

    int fd_ = -1;
    int error_ = 0;
    std::string path_; // for the change gate
};

bool fileExists(std::string_view dosPath); // a file (or a link to one)
// The access of the file (or the file a link names) at dosPath.
std::optional<FileAccess> fileAccess(std::string_view dosPath);
// The process's umask: the permission bits a new file never gets unless asked for later.
uint32_t creationMask();
// The identity of the file (or the file a link names) at dosPath; none when there is no
// file there.
std::optional<FileIdentity> fileIdentity(std::string_view dosPath);
// The identity of a file that stat or fstat described.
FileIdentity fileIdentityOf(const struct ::stat& info);
bool folderExists(std::string_view dosPath); // a folder (or a link to one)
bool deleteFile(std::string_view dosPath);
// Renames a file or folder; replaces an existing target file.
bool renameFile(std::string_view fromDosPath, std::string_view toDosPath);
// Creates the folder and every missing parent; true when it exists afterwards.
bool createFolderChain(std::string_view dosPath);
// Removes an empty folder.
bool removeFolder(std::string_view dosPath);
// Size in bytes, or -1 when the file cannot be examined.
int64_t fileSize(std::string_view dosPath);
// The whole file; nothing when it cannot be read or holds more than maxBytes (a small
// list file that grew past any size it can have is damaged, not read into memory).
std::optional<std::string> readWholeFile(std::string_view dosPath, int64_t maxBytes);
// At most the first maxBytes of a regular file, never waiting on it; `cut` (when given)
// tells whether it holds more. Nothing when the path names anything else (a pipe, a
// device, a folder), its last name is a link, or it cannot be read: for a file anyone
// may have put there, which must neither stall nor flood the reader.
std::optional<std::string> readFileStart(std::string_view dosPath, int64_t maxBytes,
                                         bool* cut = nullptr);
std::optional<uint32_t> fileDosDateTime(std::string_view dosPath);
bool setFileDosDateTime(std::string_view dosPath, uint32_t dosDateTime);
// Last-write time as a date-time value, at full precision.
std::optional<double> fileDateTime(std::string_view dosPath);

// What can be said about a file the catalogue names, without opening it. Missing is
// given only when the file is certainly gone: its drive is mapped and its root is there,
// the system says no such name exists, and nothing could have been unmounted from under
// it (the nearest folder on its way that exists is reached without a broken link, is not
// empty as an unmounted share's mount point is, and, when whole folders are gone, holds
// no mount point of its own). Everything else that keeps the file from
// being read (no such drive, an unmounted medium, a folder in search of which access is
// refused, a folder or device at that name, a date a DOS date cannot hold) is
// Unreadable, so nothing is concluded from a file the program merely could not see.
struct FileStatus {
    enum class Kind { Present, Missing, Unreadable };
    Kind kind = Kind::Unreadable;
    uint32_t dosDateTime = 0; // Present: the last-write date, local time, 2-second steps
};
FileStatus fileStatus(std::string_view dosPath);

struct FolderEntry {
    std::string name; // UTF-8 bytes, a valid DOS name
    bool isFolder = false;
    bool isLink = false; // a symbolic link; walks must not descend into linked folders
    bool isHidden = false;
    int64_t size = 0;
    double modified = 0; // date-time value, local time
};

struct FolderListing {
    bool ok = false;                  // false when the folder cannot be read to its end
    bool whole = true;                // false when a listed name could not be examined (no search
                                      // permission on the folder, a path too long): entries lack it
    std::vector<FolderEntry> entries; // in name order (bytewise)
    std::vector<std::string> skippedNames; // host names a DOS path cannot carry
};

// Lists a folder's files and sub-folders ("." and ".." left out). Names that a DOS path
// cannot carry are not listed but reported in skippedNames, for the caller to log.
FolderListing listFolder(std::string_view dosFolder);

struct SubfolderListing {
    bool ok = false;                // false when the folder cannot be read (up to the limit)
    std::vector<std::string> names; // in the order the file system gives them
};

// The names of a folder's real sub-folders, without reading anything about its files:
// links (which could lead in a circle), "." and ".." and names a DOS path cannot carry
// are left out. Stops after `limit` names, so "has it a sub-folder?" reads one entry.
SubfolderListing listSubfolders(std::string_view dosFolder, size_t limit = SIZE_MAX);
// How many names the folder holds ("." and ".." left out), without examining any of
// them; 0 when it cannot be opened.
size_t countFolderEntries(std::string_view dosFolder);

// Pushes every written byte and name change of the file system holding `dosPath` to
// the disk: one call makes a whole run of files durable. False when the system reports
// a write that failed since the file system was last synced.
bool syncFileSystem(std::string_view dosPath);
// Pushes the data of one existing file to the disk; false when that fails.
bool syncFile(std::string_view dosPath);
// Pushes a folder's names (files made, renamed or deleted in it) to the disk, where the
// file system can do that for a folder on its own; true where it cannot (FAT and exFAT
// drivers may refuse a folder's sync: a file's own sync carries its name there).
bool syncFolder(std::string_view dosFolder);

// Whether the file system holding the existing folder `dosFolder` finds names without
// regard to case (FAT and exFAT do): the folder's own name with its letters' case
// swapped names the same folder. False when it cannot tell (no letters in the name).
bool foldsCase(std::string_view dosFolder);

// Whether the file system holding `dosFolder` keeps each file's permission bits. False
// for those that show one mode for every file (FAT, exFAT, NTFS, file systems in user
// space such as ntfs-3g, Windows shares) and when it cannot tell.
bool keepsPermissions(std::string_view dosFolder);

// Free and total bytes of the file system holding `dosPath`; false when unknown.
bool diskSpace(std::string_view dosPath, int64_t& freeBytes, int64_t& totalBytes);

} // namespace qm
