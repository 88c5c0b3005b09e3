#include "engine/enginestate.h"

#include "engine/jobcipher.h"
#include "engine/keymanager.h"

#include <chrono>
#include <cstring>
#include <thread>

namespace qm {

TEngineState::TEngineState()
    : InputBuffer(std::make_unique_for_overwrite<uint8_t[]>(kInputBufferSize)),
      CopyBuffer(std::make_unique_for_overwrite<uint8_t[]>(kCopyBufferSize)),
      JobCipher(std::make_unique<TJobCipher>()) {}

TEngineState::~TEngineState() = default;

const std::string& TEngineState::RunPassword() const {
    static const std::string none;
    return PasswordList.empty() ? none : PasswordList.front();
}

bool TEngineState::DeriveKey(const std::string& Password, int Bits, uint8_t* Key) {
    if (fDerived.bits != Bits || fDerived.password != Password) {
        if (!PasswordToKey(Password, fDerived.key.data(), Bits))
            return false;
        fDerived.password = Password;
        fDerived.bits = Bits;
        ++KeyDerivations;
    }
    std::memcpy(Key, fDerived.key.data(), static_cast<std::size_t>(Bits / 8));
    return true;
}

void TEngineState::Reset() {
    PasswordList.clear();
    KeySize = 128;
    KeyBuffer.fill(0);
    fDerived.key.fill(0);
    fDerived.password.clear();
    fDerived.bits = 0;
    KeyDerivations = 0;
    CancelFlag = false;
    ErrorCount = 0;
    CompressionLevel = 0;
    Library = DeflateLibrary::LibDeflate;
    WorkerLimit = 0;
    FilesDone = 0;
    FileBytesDone = 0;
    BytesDone = 0;
    JobCipher->FreeCipher();
    ArchiveEncrypted = false;
    SkipEncrypted = false;
    EntryCheckResult.reset();
    DriveListHandle.close();
    DriveListCount = 0;
}

void TEngineState::Progress(int32_t Files, bool ListMode, int64_t FileSize, int64_t FileBytes,
                            int64_t Bytes) const {
    if (ProgressProc)
        ProgressProc(Files, ListMode, FileSize, FileBytes, Bytes);
    LastEvents = std::chrono::steady_clock::now();
}

int32_t TEngineState::AskPassword(const std::string& Path) const {
    if (!AskPasswordProc)
        return 2;
    return AskPasswordProc(Path);
}

void TEngineState::ProcessMessages() const {
    if (ProcessMessagesProc)
        ProcessMessagesProc();
    LastEvents = std::chrono::steady_clock::now();
}

void TEngineState::ProcessMessagesWhenDue() const {
    if (std::chrono::steady_clock::now() - LastEvents >= std::chrono::milliseconds(50))
        ProcessMessages();
}

void TEngineState::Sleep(int Milliseconds) const {
    if (SleepProc) {
        SleepProc(Milliseconds);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

bool TEngineState::MediaFoldsCase(const std::string& MediaFolder) const {
    return MediaFoldsCaseProc ? MediaFoldsCaseProc(MediaFolder) : foldsCase(MediaFolder);
}

bool TEngineState::MediaKeepsModes(const std::string& MediaFolder) const {
    if (MediaFoldsCase(MediaFolder))
        return false;
    return MediaKeepsModesProc ? MediaKeepsModesProc(MediaFolder) : keepsPermissions(MediaFolder);
}

TEngineState& Engine() {
    static TEngineState state;
    return state;
}

} // namespace qm
