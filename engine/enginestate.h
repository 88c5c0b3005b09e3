#pragma once
// The engine state that outlives every job: passwords and key, the cancel flag and error
// counter, the callbacks through which the engine reports progress and asks for
// passwords, the two large work buffers and the run counters. One object per process,
// reached through Engine(); it owns the buffers and the job cipher. Only the window
// thread touches it.

#include "engine/chunkcodec.h"
#include "engine/passwordprobe.h"
#include "platform/fileio.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qm {

class TJobCipher;

// Block of the plain copy loops and chunk of the archives.
inline constexpr int64_t kBlockBytes = 8388608;
inline constexpr std::size_t kInputBufferSize = 16777216;
inline constexpr std::size_t kCopyBufferSize = 16777216;
inline constexpr std::size_t kKeyBufferSize = 32;

// FilesDone, ListMode, FileSize, FileBytesDone, BytesDone (-1 = the run has finished).
using TProgressProc = std::function<void(int32_t FilesDone, bool ListMode, int64_t FileSize,
                                         int64_t FileBytesDone, int64_t BytesDone)>;
// Asked with the file no password opened: 2 = skip it, 3 = skip it and every later
// encrypted file of the run, anything else = try PasswordList again.
using TAskPasswordProc = std::function<int32_t(const std::string& Path)>;

class TEngineState {
  public:
    TEngineState();
    ~TEngineState();
    TEngineState(const TEngineState&) = delete;
    TEngineState& operator=(const TEngineState&) = delete;

    // Back to the values of program start; the buffers are kept, the catalogue closed,
    // the cipher freed. The callbacks are kept.
    void Reset();

    // Calls ProgressProc when one is installed.
    void Progress(int32_t FilesDone, bool ListMode, int64_t FileSize, int64_t FileBytesDone,
                  int64_t BytesDone) const;
    // Calls AskPasswordProc; without one the answer is 2 (skip), so a run never loops
    // asking nobody.
    int32_t AskPassword(const std::string& Path) const;
    // Lets the window handle its pending messages (between unmatched archive entries,
    // every 10th file of the revision collection). Does nothing when not installed.
    void ProcessMessages() const;
    // ProcessMessages, unless the window ran its events (here or in a progress call) less
    // than 50 ms ago: for the window thread's long stretches while workers are busy.
    void ProcessMessagesWhenDue() const;
    // The pause of the plain copy loop; tests install a no-op.
    void Sleep(int Milliseconds) const;
    // Whether the media folder's file system finds names without regard to case, so
    // that two paths differing only in case would share one media copy.
    bool MediaFoldsCase(const std::string& MediaFolder) const;
    // Whether the media folder's file system keeps the permission bits a backup gives
    // its copies and archives: only then does a restore read them back.
    bool MediaKeepsModes(const std::string& MediaFolder) const;

    std::vector<std::string> PasswordList; // line 0 is the backup's password
    // The password every copy a run writes is encrypted under: PasswordList line 0, the
    // empty password when the list is empty (PasswordToKey cuts it to its length).
    const std::string& RunPassword() const;
    int KeySize = 128; // 128, 192 or 256
    std::array<uint8_t, kKeyBufferSize> KeyBuffer{};
    // Writes the key of Password at Bits (Bits / 8 bytes) to Key; false when Bits is not
    // 128, 192 or 256. The key is derived again only when the password or the size
    // differ from the last derivation's, so a run derives its key once and still
    // follows a password changed between two entries.
    bool DeriveKey(const std::string& Password, int Bits, uint8_t* Key);
    int KeyDerivations = 0; // how often DeriveKey really derived since Reset
    bool CancelFlag = false;
    int ErrorCount = 0;
    uint8_t CompressionLevel = 0;
    // The library that deflates and inflates chunks (the benchmark's baseline runs zlib)
    // and the most worker threads a run may use for them: 0 = as many as the cores and
    // the memory budget allow (ChunkPool::WorkersFor), -1 = none, the window thread does
    // every chunk itself.
    DeflateLibrary Library = DeflateLibrary::LibDeflate;
    int WorkerLimit = 0;

    TProgressProc ProgressProc;
    TAskPasswordProc AskPasswordProc;
    std::function<void()> ProcessMessagesProc;
    std::function<void(int Milliseconds)> SleepProc; // empty = really sleep
    // Empty = ask the file system (foldsCase); tests stand in a FAT medium with it.
    std::function<bool(const std::string& MediaFolder)> MediaFoldsCaseProc;
    // Empty = ask the file system (keepsPermissions); tests stand in NTFS with it.
    std::function<bool(const std::string& MediaFolder)> MediaKeepsModesProc;

    // Allocated once when the state is made, never freed or resized.
    std::unique_ptr<uint8_t[]> InputBuffer; // kInputBufferSize bytes
    std::unique_ptr<uint8_t[]> CopyBuffer;  // kCopyBufferSize bytes

    int32_t FilesDone = 0;
    int64_t FileBytesDone = 0; // 64-bit: a file may exceed 2 GiB
    int64_t BytesDone = 0;

    // The run's stream cipher; InitCipher keys it, FreeCipher drops the key.
    std::unique_ptr<TJobCipher> JobCipher;
    bool ArchiveEncrypted = false;
    bool SkipEncrypted = false;
    std::optional<PasswordCheck> EntryCheckResult; // the last archive entry's

    // When the window last ran its events through the engine.
    mutable std::chrono::steady_clock::time_point LastEvents;

    // The open catalogue (closed when not open) and its record count.
    FileHandle DriveListHandle;
    int32_t DriveListCount = 0;

  private:
    struct DerivedKey {
        std::string password;
        int bits = 0; // 0 = none derived
        std::array<uint8_t, kKeyBufferSize> key{};
    };
    DerivedKey fDerived;
};

// The process-wide engine state, made on first use. The application calls it once at
// start-up, before any window exists, so the buffers are there before any run.
TEngineState& Engine();

} // namespace qm
