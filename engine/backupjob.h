#pragma once
// TBackUpJob: one run of the backup engine over one media drive. The caller creates a
// job, sets its options, fills SourceFiles, calls one run method and frees the job. The
// job owns its string lists; everything that outlives the job (passwords, key, buffers,
// callbacks, counters, the open catalogue, the cipher) is in Engine().
//
// Runs raise nothing: every failure on a file is one log line (AddLog) and, where the run
// says so, one more in Engine().ErrorCount; the run goes on with the next file.

#include "engine/catalogpathlist.h"
#include "engine/driverecord.h"
#include "engine/passwordprobe.h"
#include "engine/revisionlist.h"
#include "platform/datetime.h"
#include "platform/fileio.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qm {

class ArchiveReadSession;
class DeflateFeed;

// Archive layout of a compressed backup.
enum class TCompressionType : uint8_t {
    ctOnesFile = 0,     // every file in an archive of its own
    ctMultipleFile = 1, // all files of the run in one archive named by StartTime
};

using TStringList = std::vector<std::string>;

// Progress of the revision collection: number of files, index of the current one.
using TRevisionCallback = std::function<void(int64_t Total, int64_t Index)>;

class TBackUpJob {
  public:
    // No option is set: every Boolean is False, CompressionType is ctOnesFile,
    // CompressionRate and TopRevisionIndex are 0, Destination is '\0'.
    TBackUpJob();
    ~TBackUpJob();
    TBackUpJob(const TBackUpJob&) = delete;
    TBackUpJob& operator=(const TBackUpJob&) = delete;

    // ---- Published properties -----------------------------------------------------
    // Letter of the media drive; every media path starts with it + ":\Quillmoor\".
    char Destination() const { return fDestination; }
    // Also guards the media folder against links for the job's life (LinkFreeFolder).
    void SetDestination(char Value);
    bool Compression() const { return fCompression; }
    void SetCompression(bool Value) { fCompression = Value; }
    TCompressionType CompressionType() const { return fCompressionType; }
    void SetCompressionType(TCompressionType Value) { fCompressionType = Value; }
    // Deflate level 0 to 9; the backup run copies it into Engine().CompressionLevel.
    uint8_t CompressionRate() const { return fCompressionRate; }
    void SetCompressionRate(uint8_t Value) { fCompressionRate = Value; }
    bool Encryption() const { return fEncryption; }
    void SetEncryption(bool Value) { fEncryption = Value; }
    // Keep earlier versions of changed files.
    bool Revision() const { return fRevision; }
    void SetRevision(bool Value) { fRevision = Value; }
    // Number of copies kept per file. The setter stores Value - 1 in 8 bits (0 becomes
    // 255), and reading returns the stored value: set 5, read 4.
    uint8_t TopRevision() const { return TopRevisionIndex; }
    void SetTopRevision(uint8_t Value) { TopRevisionIndex = static_cast<uint8_t>(Value - 1); }
    bool LogSave() const { return fLogSave; }
    void SetLogSave(bool Value) { fLogSave = Value; }
    // True while a backup run is under way; a cancelled backup leaves it True.
    bool Processing() const { return fProcessing; }
    void SetProcessing(bool Value) { fProcessing = Value; }
    // Empty = restore to the source paths; else the folder to restore into, ending "\".
    const std::string& RestoreType() const { return fRestoreType; }
    void SetRestoreType(const std::string& Value) { fRestoreType = Value; }
    // Restore a file only when the file at its target is older than the catalogue date.
    bool RestoreOld() const { return fRestoreOld; }
    void SetRestoreOld(bool Value) { fRestoreOld = Value; }
    TDateTime StartTime() const { return fStartTime; }
    void SetStartTime(TDateTime Value) { fStartTime = Value; }

    // ---- Fields ---------------------------------------------------------------------
    // The highest version number that may exist (TopRevision - 1, 8-bit).
    uint8_t TopRevisionIndex = 0;
    // The current target on the media: the archive or plain copy being written.
    std::string ArchiveName;
    // Full path of the run log (the program folder + "Log.txt").
    std::string LogFileName;
    // Source paths to process; a run blanks a line so that its file gets no record.
    TStringList SourceFiles;
    // What the backup run stored of SourceFiles line i: the source's date (packed DOS)
    // and size as they were when its bytes were read. Records carry these rather than
    // what the file says when they are saved, so a file changed later in the run is not
    // taken for backed up by the next incremental backup. A line without them is
    // recorded from the source as it is at saving.
    struct TStoredSource {
        uint32_t DosDate = 0;
        int64_t Size = 0;
    };
    std::vector<std::optional<TStoredSource>> StoredSources;
    // Asked right before a run acts on a file of the computer: before a restore replaces
    // it, before the copy a backup made of it takes the place of the media's, before a
    // delete run removes its backups. False leaves the computer's file and the media as
    // they are (the file gets a ChangedSinceCompared line, one error and no new record).
    // Empty: every file may be acted on. The synchronisation acts only on files that are
    // still as the comparison showed them, however long the run or its questions took.
    std::function<bool(const std::string& ComputerFile)> MayActOn;
    // False, with the log line and the error counted, when MayActOn refuses the file.
    bool ActingOn(const std::string& ComputerFile);
    // Line i: source path, media path and revision (decimal) of catalogue record i.
    // CatalogPaths keeps an index of its lines, so it is changed only through its own
    // mutators (assignment, push_back, clear, ReplaceWithLast).
    TCatalogPathList CatalogPaths;
    TStringList CatalogMediaPaths;
    TStringList CatalogRevisions;
    // Set when the catalogue last opened was damaged (its count disagreed with its
    // length): what was wrong and how it was read. Empty when the catalogue was sound.
    std::string CatalogueProblem;
    // Why the catalogue could not be read when it was last read, opened or looked up in:
    // an open that failed other than for a missing file, a read the system reported as
    // failed, a read that ended short of the length the file had when opened, or a slot
    // that did not hold the record the index placed there. Empty when it was read.
    // Nothing read from such a catalogue is taken for "no record".
    std::string CatalogueUnreadable;

    // ---- Log and small operations -------------------------------------------------
    // Appends Line + CR LF to LogFileName when LogSave is on, in one write; the file is
    // kept open between lines while it stays the same file. Failures of the log file are
    // ignored (a failed log is opened again for the next line).
    void AddLog(const std::string& Line);
    // Whether the file on the computer for this record may be overwritten: True when the
    // target is older than the record's date, or missing, or its date unreadable.
    bool IsTargetOlder(const DriveListRecord& Record);
    // Where a plain restore puts the file backed up from SourcePath (PlainRestoreTarget's
    // rule): SourcePath itself when RestoreType is empty, else RestoreType + folder
    // without "X:\" + "\" + name; "" for a path that would leave its target.
    std::string RestoreTargetPath(const std::string& SourcePath) const;
    // Reads the catalogue of Destination into the three catalogue lists; false (the lists
    // empty, CatalogueUnreadable set) when it could not be read whole.
    bool LoadDriveList();

    // ---- Media copy tree ----------------------------------------------------------
    // D:\Quillmoor\Drive_<letter><folder>\<name> for a source path.
    std::string CopyPath(const std::string& SourcePath) const;
    // Whether the record's media path is one a backup of its source can have on
    // Destination (IsMediaPathOfRecord); nothing is read or deleted through one that
    // is not.
    bool HoldsBackupShape(const DriveListRecord& Record) const;
    // Whether Record, as the catalogue holds it, stands for a file that could not be read
    // at backup (its size says so and its backup agrees, or it names no backup of its own).
    bool UnreadableOnMedia(const DriveListRecord& Record) const;
    // CopyPath + ".bpa": the archive of a one-archive-per-file backup.
    std::string FileArchivePath(const std::string& SourcePath) const;
    // D:\Quillmoor\Drive_<drive of SourceFiles[0]>\<StartTime with "_" separators>.bpa
    // (the first line that is not blank).
    std::string RunArchivePath() const;
    // Whether a backup in the job's storage mode can record SourcePath: the path fits a
    // catalogue record (an archive entry's 250 bytes in the archive modes) and so does
    // the media path its record would name. A path cut to fit would name another file,
    // or none, and could never be restored.
    bool FitsCatalogue(const std::string& SourcePath) const;
    // Path itself when Revision is off or Rev is 0, else version Rev of Path.
    std::string RevisionName(const std::string& Path, uint8_t Rev) const;
    // Drops version 0 of MediaPath and renumbers versions 1.. down, check files alike.
    void RotateRevisions(const std::string& MediaPath, uint8_t Index);
    // The CatalogRevisions line of SourcePath := decimal Rev; nothing when the path is not
    // listed exactly (a line differing in case is another file's, and keeps its own).
    void SetRevisionText(const std::string& SourcePath, uint8_t Rev);
    // Deletes MediaPath and its check file, with WithVersions also versions 1, 2, ...
    // up to the first gap. Returns True.
    bool DeleteWithRevisions(const std::string& MediaPath, bool WithVersions);
    // Derives the key of PasswordList line 0 at KeySize, keys the job cipher, restarts it
    // at the zero IV, and writes the encrypted check value to CopyPath + ".mac". The
    // cipher is left at stream position 8 for the copy's content. Returns False when the
    // check file could not be written completely (the cipher is still positioned).
    bool WriteCheckFile(const std::string& CopyPath);

    // ---- Catalogue drive.lst ------------------------------------------------------
    // Opens (or creates, with its folder) the catalogue of Destination for reading and
    // writing. A catalogue whose count disagrees with its length is opened with the
    // number of whole records it holds, and CatalogueProblem says so.
    void OpenDriveList();
    // Writes DriveListCount at offset 0 and closes the catalogue; false when a write to
    // it since it was opened, the count, the flush or the close failed.
    bool CloseDriveList();
    // Closes the open catalogue without writing its count (the restore runs only read).
    void CloseDriveListUnchanged();
    bool ReadDriveList();
    // Appends one line per record to each list given; sizes of 4,200,000,000 and above
    // are listed as "0". Clears CatalogPaths.
    void ListDriveFiles(TStringList* IndexList, TStringList* DateList, TStringList* SizeList,
                        TStringList* PathList);
    // Reads the record of SourcePath (looked up case-insensitively in CatalogPaths) from
    // the open catalogue; on a miss Record.SourcePath is emptied. In both cases the
    // media path's drive letter becomes Destination. False (Record.SourcePath emptied,
    // CatalogueUnreadable set) when the record could not be read, or the slot read holds
    // another path's record: that is no miss.
    bool FindDriveListRecord(const std::string& SourcePath, DriveListRecord& Record);
    // FindDriveListRecord for a run: a record that could not be read gets a line naming
    // the catalogue and the reason, and one error; the file is then left as it is.
    bool LookUpRecord(const std::string& SourcePath, DriveListRecord& Record);
    // At the start of a run, once the catalogue is read and open: when it could not be
    // read (CatalogueUnreadable, or a read through the open catalogue failed), logs one
    // line naming it and the reason, counts one error, closes it unchanged and returns
    // true; the run then changes nothing.
    bool StopForUnreadableCatalogue();
    // Writes one record per non-empty line of SourceFiles into the open catalogue: over
    // the record of the same path (case included), else appended.
    void SaveDriveListRecords(bool InArchive, const std::string& ArchiveFileName);
    // Removes the record whose source path equals SourcePath exactly (every one, should
    // the catalogue hold it twice); the last record fills its place. The only record
    // removed deletes the catalogue file. True when a record was removed.
    bool RemoveDriveListRecord(const std::string& SourcePath);
    // In a run that writes the catalogue, after LoadDriveList and OpenDriveList: a last
    // record that repeats an earlier record of its path byte for byte is what a removal
    // stopped by a crash leaves, and goes.
    void FinishInterruptedRemoval();
    // Appends Record to the open catalogue (created when the last removal deleted it)
    // and writes the count: a record removed for a deletion that then failed goes back.
    bool AppendDriveListRecord(const DriveListRecord& Record);
    bool HasEncryptedFiles();
    static uint8_t NextRevision(DriveListRecord Record);

    // ---- Cipher glue --------------------------------------------------------------
    // Keys the job cipher with KeyBuffer at KeySize and restarts it at the zero IV.
    bool InitCipher();
    bool ResetCipherIV();
    bool EncryptBuffer(uint8_t* Buf, std::size_t Len);
    bool DecryptBuffer(uint8_t* Buf, std::size_t Len);
    bool FreeCipher();
    // Derives the key of PasswordList line 0 at KeySize into KeyBuffer, re-keys the job
    // cipher at the zero IV and writes the 8 encrypted check-value bytes to Dest.
    bool EncryptCheckValue(uint8_t* Dest);

    // ---- Archive writer -----------------------------------------------------------
    // Creates ArchiveFileName and writes one entry per line of Files (Index -1) or for
    // line Index only. Only Rec.Revision is used. A file whose entry could not be
    // written completely (source cannot be opened, a chunk fails to compress, the
    // archive cannot be created or a write to it fails, the source is too large for the
    // chunk count) gets its failure line, one count in ErrorCount, no success line, and
    // its line of Files is blanked so that the catalogue makes no record for it.
    // Returns False when any file of the call failed that way; a cancel (CancelFlag
    // left set) returns True unless a failure came first, and gives the start of the
    // entry it interrupted in CancelledEntryStart. A write that fails (media full) fails
    // its file and every later one; the entries before it stand. The sources are read
    // and deflated ahead by Feed; without one the call makes its own over its lines.
    bool AddToArchive(TStringList& Files, const std::string& ArchiveFileName, int32_t Index,
                      const DriveListRecord& Rec, int64_t* CancelledEntryStart = nullptr,
                      DeflateFeed* Feed = nullptr);
    // A feed over the non-empty lines First..Last of Files at the run's level (with the
    // run's entry key when Encrypted), for a run that writes those lines' entries in
    // order over several AddToArchive calls.
    static std::unique_ptr<DeflateFeed> MakeDeflateFeed(const TStringList& Files, int32_t First,
                                                        int32_t Last, bool Encrypted);

    // ---- Runs ---------------------------------------------------------------------
    void Backup();
    void DeleteFiles(const TStringList& List);
    void Restore();
    void CollectRevisions(TRevisionFileList& List, int& RevisedCount,
                          const TRevisionCallback& Callback);
    void RestoreRevisions(TRevisionFileList& List, bool SortDates);
    // FileDate: the DOS date and time to give the target; none = keep the written date.
    void RestoreFromArchive(const std::string& Source, const std::string& ArchiveFile,
                            const std::string& RestoreTypeFolder, std::optional<uint32_t> FileDate);
    void RemoveFromArchive(const std::string& Source, const std::string& ArchiveFile, int64_t Index,
                           int64_t Done);
    // While a session is open (the length of a restore run), the archive restores keep
    // the index of the archive read last and share one inflating pool, so the files of a
    // run archive are found in one walk (see ArchiveReadSession).
    void OpenArchiveSession();
    void CloseArchiveSession();

    // ---- Password checks of the restore runs ---------------------------------------
    // PasswordCheck::Opened when a line of PasswordList opens the copy (cipher left at
    // position 8), Skip or SkipAll when the prompt says to skip. Tries the current KeySize
    // only. The prompt names PromptPath: the user's file, not its copy on the media.
    PasswordCheck VerifyCheckFile(const std::string& MediaPath, const std::string& PromptPath);
    // As VerifyCheckFile, trying every line at 128, 192 and 256 bits.
    PasswordCheck VerifyRevisionCheckFile(const std::string& VersionPath,
                                          const std::string& PromptPath);
    // The same for the stored check value of an archive entry being read.
    PasswordCheck CheckEntryPassword(const std::string& Source, const uint8_t* StoredCheckValue);
    // Sorts Dates[From..To] ascending in place.
    static void SortRevisionDates(std::array<TDateTime, kMaxRevisionDates>& Dates, int From,
                                  int To);

    // ---- Steps of the runs ----------------------------------------------------------
    // Ends of the runs: clear the job's lists (and, for a backup, close the catalogue).
    // (the backup's: true when the catalogue took every write)
    bool FinishBackupRun();
    void FinishRestoreRun();
    void FinishRevisionRestoreRun();
    // The CatalogRevisions line of the source being archived := decimal Revision.
    void UpdateArchiveRevision(const std::string& SourcePath, uint8_t Revision);

  private:
    char fDestination = '\0';
    std::unique_ptr<LinkFreeFolder> fMediaGuard;
    // Why collecting the versions stopped (a line for the log), told by the restore that
    // follows: the run's log is made between the two.
    std::string fCollectProblem;
    bool fCompression = false;
    TCompressionType fCompressionType = TCompressionType::ctOnesFile;
    uint8_t fCompressionRate = 0;
    bool fEncryption = false;
    bool fRevision = false;
    bool fLogSave = false;
    bool fProcessing = false;
    std::string fRestoreType;
    bool fRestoreOld = false;
    TDateTime fStartTime = 0;
    std::unique_ptr<ArchiveReadSession> fArchiveSession;
    // The log file as AddLog last opened it.
    FileHandle fLog;
    std::string fLogName;
    FileIdentity fLogIdentity;
};

} // namespace qm
