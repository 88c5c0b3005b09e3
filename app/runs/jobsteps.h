#pragma once
// Steps the job runner's operations share: the media drive of a caption, the password
// questions of encrypted runs, the settings a backup run writes with, the end of the
// collection (where a cancel ends the operation), and the restore of collected files
// with their versions.

#include "app/runs/joboperation.h"

#include <functional>
#include <string>

namespace qm {

class TBackUpJob;

// The drive letter of a media caption "(E:\)" (leading blanks allowed), or '\0'.
char MediaDriveLetter(const std::string& caption);

// The password step of every run that writes encrypted copies (a backup, the hard drive
// to media half of a synchronisation): asks for the encryption password ("Enter Password
// for Encryption"), derives the run's key into KeyBuffer and makes `job` encrypt; false
// when the run cannot go on (Cancel, or no password, which is said). The operation then
// returns, which ends the run.
bool PrepareEncryption(TJobContext& context, TBackUpJob& job, int bits);
// Asks for the passwords that may open the copies ("Add Password for Decryption"); false
// when the run cannot go on (Cancel, or no password, which is said).
bool AskDecryptionPasswords(TJobContext& context, int bits);

// An operation begins: events run, the counts go to zero and the runner says it collects
// the files.
void BeginCollection(TJobRunnerModel& runner);
// The collection is over: the runner shows its done picture, lets events run, and a
// cancel seen now ends the operation (true, "Canceled by user" shown).
bool CancelledAfterCollection(TJobRunnerModel& runner);

// A backup run's start time, media drive and compression (0 none, 1 one archive per run,
// 2 one archive per file, at `level`).
void SetBackupTarget(TBackUpJob& job, char drive, int compressionType, int level);
// The versions a backup keeps of each file; 0 keeps none.
void SetKeptVersions(TBackUpJob& job, int revisions);

// The versions of the job's files on the media, with the runner's progress; the
// catalogue is closed again afterwards (the collection only read it).
void CollectVersions(TBackUpJob& job, TJobRunnerModel& runner, TRevisionFileList& versions,
                     int& revised);
// Restores the job's files: the versions collected when there are any (`sortDates`
// orders them by date), else the copy of each.
void RestoreCollected(TBackUpJob& job, TRevisionFileList& versions, bool sortDates);

} // namespace qm
